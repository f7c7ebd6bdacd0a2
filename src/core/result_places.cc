#include "core/result_places.h"

#include <algorithm>

#include "text/line_origins.h"

namespace zarn {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The line of the literals' restored text that `line` stands on, as the line
// of the text with hidden literals and how many literal line breaks come
// before it there.
std::pair<std::size_t, std::size_t> HiddenLineOf(const std::vector<std::uint32_t>& starts, std::size_t line) {
  if (starts.empty()) return {line, 0};
  auto after = std::upper_bound(starts.begin(), starts.end(), static_cast<std::uint32_t>(line));
  const std::size_t hidden = static_cast<std::size_t>(after - starts.begin()) - 1;
  return {hidden, line - starts[hidden]};
}

// The input's literals hidden again, as the run hid them, tell which of its
// lines hold line breaks of literals.
std::vector<std::uint32_t> InputLineStarts(const Run& run) {
  HiddenLiterals again;
  const std::string hidden = again.Hide(run.input);
  return again.RestoredLineStarts(hidden);
}

}  // namespace

std::size_t UserColumn(std::string_view processed, std::size_t column, std::string_view user) {
  std::size_t first = 0;
  while (first < user.size() && IsBlank(user[first])) ++first;
  const std::size_t fallback = first < user.size() ? first + 1 : 1;
  const std::size_t end = std::min(column > 0 ? column - 1 : 0, processed.size());
  std::size_t i = 0, j = 0;
  for (;;) {
    while (i < end && IsBlank(processed[i])) ++i;
    while (j < user.size() && IsBlank(user[j])) ++j;
    if (i >= end) break;
    if (j >= user.size() || processed[i] != user[j]) return fallback;
    ++i;
    ++j;
  }
  return j < user.size() ? j + 1 : fallback;
}

ResultPlaces::ResultPlaces(const Run& run)
    : run_(run),
      result_lines_(LineViews(run.text)),
      input_lines_(LineViews(run.input)),
      result_starts_(run.restored_line_starts),
      input_starts_(InputLineStarts(run)) {}

std::size_t ResultPlaces::InputLine(std::size_t line) const {
  const auto [hidden, within] = HiddenLineOf(result_starts_, line);
  const std::size_t origin = run_.origins.empty() ? hidden : run_.origins[std::min(hidden, run_.origins.size() - 1)];
  if (input_starts_.empty()) return origin;
  if (origin >= input_starts_.size()) return input_starts_.back() + (origin - (input_starts_.size() - 1));
  std::size_t input = input_starts_[origin] + within;
  if (origin + 1 < input_starts_.size()) input = std::min<std::size_t>(input, input_starts_[origin + 1] - 1);
  return input;
}

SourcePlace ResultPlaces::Of(std::size_t line, std::size_t column) const {
  const std::size_t input = InputLine(line);
  const LineSource source = run_.sources.Of(input);
  SourcePlace place;
  place.file = run_.sources.FileName(source.file);
  place.line = source.line;
  std::string_view processed = line < result_lines_.size() ? result_lines_[line] : std::string_view();
  // Columns of marker lines are those of the line as shown, without markers.
  std::string shown;
  if (processed.find(kErrorMarker) != std::string_view::npos) {
    shown = ScriptWithoutMarkers(processed);
    processed = shown;
  }
  const std::string_view user = input < input_lines_.size() ? input_lines_[input] : std::string_view();
  place.column = UserColumn(processed, column, user);
  return place;
}

void PlaceEntries(const Run& run, ErrorReport& report) {
  const ResultPlaces places(run);
  for (ErrorEntry& entry : report.entries)
    if (entry.processed_line) entry.place = places.Of(*entry.processed_line, entry.place.column);
}

}  // namespace zarn
