// Where the lines of a run's result stand in the user's own files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/report.h"
#include "passes/run.h"
#include "text/source_place.h"

namespace zarn {

class ResultPlaces {
 public:
  // For a run whose preprocessing is done (PreprocessScript).
  explicit ResultPlaces(const Run& run);

  // The user's place of byte `column` (from 1) of line `line` (from 0) of
  // run.text. The column is exact where everything before it on the line is
  // the user's own text but for blanks; otherwise it is the first non-blank
  // byte of the user's line.
  SourcePlace Of(std::size_t line, std::size_t column) const;

 private:
  std::size_t InputLine(std::size_t line) const;

  const Run& run_;
  std::vector<std::string_view> result_lines_;
  std::vector<std::string_view> input_lines_;
  std::vector<std::uint32_t> result_starts_;  // by line of the result before its literals were restored
  std::vector<std::uint32_t> input_starts_;   // by line of the hidden input
};

// The column in `user` of byte `column` (from 1) of `processed`, when the
// bytes before it are the same in both but for blanks; otherwise the first
// non-blank byte of `user` (1 when it has none).
std::size_t UserColumn(std::string_view processed, std::size_t column, std::string_view user);

// Gives every entry of the script (those with a processed line) the user's
// place, through the run's origins. Entries of other files stay as they are.
void PlaceEntries(const Run& run, ErrorReport& report);

}  // namespace zarn
