#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Whole files as bytes, never translated; failures throw FileError naming
// the path and the system's reason.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace zarn
