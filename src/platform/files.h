#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zarn {

// std::fopen by a UTF-8 name (a UTF-16 one on Windows); always pass a binary
// mode, so that no system translates line ends.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);

// Whole files as bytes, never translated; failures throw FileError naming
// the path and the system's reason.
// Removes a file; false when it could not (it may not exist).
bool RemoveFile(const std::string& path);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace zarn
