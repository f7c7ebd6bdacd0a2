// UTF-8 and UTF-16 for the Windows calls, which take and give UTF-16 names.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Bytes that are not UTF-8 become U+FFFD; such a name cannot exist on Windows
// anyway, since every name there is UTF-16.
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace zarn
