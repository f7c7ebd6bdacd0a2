#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zarn {

// std::fopen by a UTF-8 name (a UTF-16 one on Windows); always pass a binary
// mode, so that no system translates line ends.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);

// Whole files as bytes, never translated; failures throw FileError naming
// the path and the system's reason.
// A UTF-8 path as the standard library's file streams take it: the bytes as
// they are on POSIX, UTF-16 on Windows.
inline std::filesystem::path NativePath(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return std::filesystem::path(utf8);
#endif
}

// True when `path` names a file that exists (symbolic links followed); false
// for a folder, a missing file or one that cannot be looked at.
bool IsExistingFile(const std::string& path);
// The last part of a path, the file's own name: after the last "/" and, on
// Windows, the last "\".
std::string FileNameOf(const std::string& path);

// Removes a file; false when it could not (it may not exist).
bool RemoveFile(const std::string& path);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace zarn
