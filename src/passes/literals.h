// String and rawcode literals are data: before the passes run, the bytes
// between each literal's quotes are swapped for a short token that no pattern
// of any pass can match, split, trim or collapse, and after the last pass
// every token gets its literal's exact bytes back, wherever the passes moved
// or copied it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

// A token is kTokenStart followed by the index of what it stands for, written
// with the digit bytes 0x10 to 0x1F (lowest nibble first). Every byte of a
// token is a control byte: no pattern looks for one, none is white space to
// collapse, and trimming takes a token whole or not at all.
inline constexpr char kTokenStart = '\x01';

class HiddenLiterals {
 public:
  // Scans `script` once, left to right, and returns it with the contents of
  // its literals replaced by tokens (the quotes stay). The first NUL byte ends
  // the script. Token bytes that the script itself holds outside literals are
  // hidden one by one the same way, so that every token byte in a text
  // derived from the result belongs to a token made here.
  //   - "//" starts a line comment, "/*" a block comment up to the next "*/"
  //     (without one it is ordinary text); quotes inside comments open nothing.
  //   - A string runs from '"' to the next unescaped '"', across lines; a
  //     rawcode from '\'' to the next unescaped '\'' on the same line. A
  //     backslash escapes the byte after it. An opening quote without its
  //     closing partner is an ordinary byte.
  std::string Hide(std::string_view script);

  // `text` with every token replaced by the bytes it stands for. `marked`
  // receives the ranges of the result that restored literals fill and that
  // hold "//!ZARN Error": text inside a literal is data, not a marker.
  std::string Restore(std::string_view text, std::vector<std::pair<std::size_t, std::size_t>>* marked = nullptr) const;
  // The same within `text`'s own buffer, which grows only by what the
  // restored text needs beyond it.
  void RestoreInPlace(std::string& text, std::vector<std::pair<std::size_t, std::size_t>>* marked = nullptr) const;

  // For each line of `text` (as SplitText cuts it), the line of Restore(text)
  // that it begins: literals that hold line breaks make one line several.
  // Empty when no literal holds a line break (every line is its own).
  std::vector<std::uint32_t> RestoredLineStarts(std::string_view text) const;

  // The bytes between the quotes of each literal hidden so far, in script
  // order (empty literals are left as they are and not counted).
  const std::vector<std::string>& contents() const { return contents_; }

 private:
  void AppendToken(std::string& out, std::string_view content);

  std::vector<std::string> contents_;
};

}  // namespace zarn
