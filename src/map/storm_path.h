// File names as the archive library takes them: UTF-8 on POSIX, UTF-16 on
// Windows, where the library is built for wide names.
#pragma once

#include <string>

#ifdef _WIN32
#include "platform/wide_text.h"
#endif

namespace zarn {

#ifdef _WIN32
inline std::wstring StormPath(const std::string& path) { return WideFromUtf8(path); }
#else
inline const std::string& StormPath(const std::string& path) { return path; }
#endif

}  // namespace zarn
