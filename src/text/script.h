// The script's two forms: a list of lines and one text with CR LF line ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zarn {

using Lines = std::vector<std::string>;

// Every line followed by CR LF, the last one included.
std::string JoinLines(const Lines& lines);

// CR LF, a lone CR and a lone LF each end a line (LF CR ends two); a final
// line break gives no empty last line; the first NUL byte ends the text.
Lines SplitText(std::string_view text);

// SplitText, each line trimmed of bytes up to 32 and the lines left empty
// dropped; no string is built for a dropped line.
Lines SplitTrimmedLines(std::string_view text);

// Offset of the first CR or LF at or after `from`; the text's size if none.
std::size_t FindLineBreak(std::string_view text, std::size_t from);

// The part of `text` before its first NUL byte: the text the splitters see.
inline std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

inline Lines LoadLines(const std::string& path) { return SplitText(ReadFileBytes(path)); }
inline void SaveLines(const std::string& path, const Lines& lines) { WriteFileBytes(path, JoinLines(lines)); }

}  // namespace zarn
