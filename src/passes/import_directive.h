// The //!import directive: a line of its own, blanks before it allowed,
//   //!import "PATH"
// that stands for the text of the file PATH. Lines inside string and rawcode
// literals, comments and raw blocks are no directives, and neither is the
// vJass "//! import" (with a blank after "//!"). A UTF-8 byte-order mark at
// the text's start is no part of its first line: the line's `begin` is after
// it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

inline constexpr std::string_view kImportDirective = "//!import";

struct ImportLine {
  std::size_t begin = 0;      // offset of the line's first byte
  std::size_t directive = 0;  // offset of "//!import" in it
  std::size_t end = 0;        // offset of its line break, or the text's end
  std::size_t break_end = 0;  // past its line break (CR LF, CR or LF)
  std::size_t line = 0;       // zero-based, lines ended as SplitText ends them
  std::string path;           // between the quotes
  bool malformed = false;     // "//!import" not followed by "PATH" alone
};

// The directive lines of `text` (read up to its first NUL byte), in order.
// Lexed as the literal pass lexes: "//" and "/*" comments, strings across
// lines, rawcodes within a line; a raw block runs from a comment that begins
// with "//!nozarn" to the next "//!endnozarn".
std::vector<ImportLine> FindImportLines(std::string_view text);

}  // namespace zarn
