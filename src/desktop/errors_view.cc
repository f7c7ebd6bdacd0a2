#include "desktop/errors_view.h"

#include <string_view>

namespace zarn {

void ErrorsView::Present(const ErrorReport& report) {
  const std::string shown = ScriptWithoutMarkers(report.script);
  text_.clear();
  text_.reserve(shown.size() + shown.size() / 16);
  lines_.assign(1, LineSpan{});
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const char c = shown[i];
    if (c != '\r' && c != '\n') {
      text_ += c;
      ++lines_.back().length;
      continue;
    }
    if (c == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
    text_ += "\r\n";
    lines_.push_back({text_.size(), 0});
  }
  entries_.clear();
  entry_lines_.clear();
  for (const ErrorEntry& entry : report.entries) {
    entries_.push_back(EntryText(entry));
    entry_lines_.push_back(entry.processed_line);
  }
  first_note_entry_ = static_cast<int>(entries_.size());
  for (const std::string* note : {&report.checked_against, &report.advice, &report.hint}) {
    if (note->empty()) continue;
    entries_.push_back(*note);
    entry_lines_.push_back(std::nullopt);
  }
  selected_line_ = report.first_marker_line;
  selected_entry_ = report.entries.empty() ? -1 : 0;
  caption_ = ErrorCaption(report.marker_count);
}

bool ErrorsView::ChooseEntry(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size() || index == selected_entry_) return false;
  selected_entry_ = index;
  if (index >= first_note_entry_) return false;
  const std::optional<std::size_t> line = entry_lines_[static_cast<std::size_t>(index)];
  if (!line) return false;
  selected_line_ = *line;
  return true;
}

bool ErrorsView::Line(std::size_t line, LineSpan& span) const {
  if (line >= lines_.size()) return false;
  span = lines_[line];
  return true;
}

std::string EntryText(const ErrorEntry& entry) {
  if (entry.processed_line) return "Line " + std::to_string(*entry.processed_line) + ": " + entry.message;
  // A file of the game's API: its own line, from 0 as in the script's entries.
  const std::size_t line = entry.place.line > 0 ? entry.place.line - 1 : 0;
  return entry.place.file + ": Line " + std::to_string(line) + ": " + entry.message;
}

}  // namespace zarn
