#include "lsp/positions.h"

#include <algorithm>

namespace zarn::lsp {

namespace {

bool Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The units one sequence of `length` bytes counts as.
std::size_t Units(std::size_t length, PositionEncoding encoding) {
  if (encoding == PositionEncoding::kUtf8) return length;
  return length == 4 ? 2 : 1;
}

}  // namespace

std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  std::size_t length;
  unsigned char min_second = 0x80, max_second = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) min_second = 0xA0;
    if (lead == 0xED) max_second = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) min_second = 0x90;
    if (lead == 0xF4) max_second = 0x8F;
  } else {
    return 1;
  }
  if (at + length > text.size()) return 1;
  const unsigned char second = static_cast<unsigned char>(text[at + 1]);
  if (second < min_second || second > max_second) return 1;
  for (std::size_t i = 2; i < length; ++i)
    if (!Continuation(static_cast<unsigned char>(text[at + i]))) return 1;
  return length;
}

LineTable::LineTable(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      starts_.push_back(i + 1);
    } else if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      starts_.push_back(i + 1);
    }
  }
}

std::size_t LineTable::LineStart(std::size_t line) const {
  return line < starts_.size() ? starts_[line] : text_.size();
}

std::size_t LineTable::LineEnd(std::size_t line) const {
  if (line >= starts_.size()) return text_.size();
  std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text_.size();
  if (end > starts_[line] && text_[end - 1] == '\n') --end;
  if (end > starts_[line] && text_[end - 1] == '\r') --end;
  return end;
}

std::size_t LineTable::LineOf(std::size_t offset) const {
  return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin()) - 1;
}

std::size_t LineTable::Offset(Position position, PositionEncoding encoding) const {
  if (position.line >= starts_.size()) return text_.size();
  std::size_t at = starts_[position.line];
  const std::size_t end = LineEnd(position.line);
  std::size_t units = 0;
  while (at < end && units < position.character) {
    const std::size_t length = SequenceLength(text_, at);
    units += Units(length, encoding);
    at += length;
  }
  return at;
}

Position LineTable::PositionOf(std::size_t offset, PositionEncoding encoding) const {
  offset = std::min(offset, text_.size());
  const std::size_t line = LineOf(offset);
  std::size_t at = starts_[line], units = 0;
  while (at < offset) {
    const std::size_t length = SequenceLength(text_, at);
    // An offset inside a sequence counts as its start.
    if (at + length > offset) break;
    units += Units(length, encoding);
    at += length;
  }
  return {line, units};
}

}  // namespace zarn::lsp
