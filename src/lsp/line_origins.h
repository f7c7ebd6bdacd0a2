// Where a line of the processed script came from in the user's text.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "lsp/positions.h"

namespace zarn::lsp {

class LineOrigins {
 public:
  virtual ~LineOrigins() = default;
  // The source line (from 0) that a processed line (from 0) stands for.
  virtual std::size_t SourceLine(std::size_t processed_line) const = 0;
};

// Origins found by comparing the lines: a processed line that equals a
// source line but for blanks and comments comes from it; a line between two
// such is placed on the source lines between them, or on the line before
// when there are none (a statement that became two).
std::unique_ptr<LineOrigins> MatchLineOrigins(std::string_view source, std::string_view processed);

// The span in `source_line` of what stands at byte `column` (from 1) of
// `processed_line`: the same word when the source line has it, otherwise
// the line's text without its indentation. Spans are offsets into the
// source line.
Span SourceSpanOf(std::string_view source_line, std::string_view processed_line, std::size_t column);

}  // namespace zarn::lsp
