// "file:" URIs, as editors name documents, and the paths they stand for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// The path of a "file:" URI, percent escapes decoded; none for another
// scheme or a URI that names no local file. On Windows "file:///C:/a/b.j"
// is "C:\a\b.j" and "file://server/share/x.j" is "\\server\share\x.j".
std::optional<std::string> FileUriToPath(std::string_view uri);
// The "file:" URI of an absolute path; bytes other than letters, digits and
// "-._~/" (and ":" after a drive letter) are percent-escaped.
std::string PathToFileUri(const std::string& path);
// The folder a path is in, without a trailing separator; empty for a bare
// file name.
std::string ParentFolder(const std::string& path);

namespace uri_detail {
// Shared by both systems: the decoded path part of a "file:" URI after the
// scheme, with its authority ("" for the local host) set apart.
bool SplitFileUri(std::string_view uri, std::string& authority, std::string& path);
std::string Escape(std::string_view path);
}  // namespace uri_detail

}  // namespace zarn
