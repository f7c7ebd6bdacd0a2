// Where a path really leads: links followed, "." and ".." gone, so that a
// file's place can be judged against the folders it may come from.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarn {

// The absolute path of the existing file or folder `path` names, with every
// symbolic link (and, on Windows, junction) followed; nothing when it cannot
// be reached. On Windows the path is given without the "\\?\" prefix.
std::optional<std::string> RealPath(const std::string& path);

// True when `path` does not depend on the folder it is taken from: "/..." on
// POSIX; a drive ("C:..."), "\\server\..." or a leading separator on Windows.
bool IsAbsolutePath(const std::string& path);

// True when the real path `file` lies inside the real folder `folder`, at any
// depth; both as RealPath gives them. A folder is not inside itself.
bool IsInsideFolder(const std::string& file, const std::string& folder);

// The folder that holds `path`, taken from the text alone: trailing
// separators are ignored; "." for a bare name, the root for a name in it.
std::string FolderHolding(const std::string& path);

// `path` without trailing separators and "." parts at its end: "M/." and
// "M/" are "M". A path that is nothing else ("/", ".") stays.
std::string WithoutTrailingDots(std::string path);

// True when `path` names an existing folder, symbolic links followed.
bool IsFolder(const std::string& path);

// The names of the folders directly inside `folder` (links not followed),
// sorted; none when it cannot be read.
std::vector<std::string> SubfolderNames(const std::string& folder);

// True for '/' on every system, and '\' on Windows.
bool IsPathSeparator(char c);

}  // namespace zarn
