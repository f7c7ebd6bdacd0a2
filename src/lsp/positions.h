// Positions as a client counts them, and byte offsets as the server does.
// Every conversion between the two happens here.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace zarn::lsp {

// How a client counts the characters of a line: UTF-8 bytes or UTF-16 code
// units. A byte that does not belong to a well-formed UTF-8 sequence counts
// as one unit in either.
enum class PositionEncoding { kUtf8, kUtf16 };

struct Position {
  std::size_t line = 0, character = 0;  // both from 0
  bool operator==(const Position&) const = default;
};

struct Range {
  Position start, end;
  bool operator==(const Range&) const = default;
};

// A byte range of a text.
struct Span {
  std::size_t begin = 0, end = 0;
};

// The line starts of one text, for conversions in both directions. LF, CR LF
// and a lone CR each end a line, as the JASS checker counts them.
class LineTable {
 public:
  explicit LineTable(std::string_view text);
  LineTable() : starts_{0} {}

  std::size_t line_count() const { return starts_.size(); }
  // The byte offset of a position; a line past the end gives the text's end,
  // a character past the line's end gives the line's end.
  std::size_t Offset(Position position, PositionEncoding encoding) const;
  Position PositionOf(std::size_t offset, PositionEncoding encoding) const;
  Range RangeOf(Span span, PositionEncoding encoding) const {
    return {PositionOf(span.begin, encoding), PositionOf(span.end, encoding)};
  }
  // The offset of a line's first byte, and of its end (before the line break).
  std::size_t LineStart(std::size_t line) const;
  std::size_t LineEnd(std::size_t line) const;
  // The line (from 0) of a byte offset.
  std::size_t LineOf(std::size_t offset) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;
};

// The length of the UTF-8 sequence that starts at text[at], or 1 when the
// bytes there are not a well-formed sequence.
std::size_t SequenceLength(std::string_view text, std::size_t at);

}  // namespace zarn::lsp
