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

#ifdef _WIN32
// The system's English text for a Windows error code, without the final
// period and line break.
std::string WindowsErrorText(unsigned long error);
// One argument quoted the way CommandLineToArgvW and the C runtime read it
// back: backslashes double only before a quote.
std::wstring QuotedArgument(const std::wstring& arg);
#endif

}  // namespace zarn
