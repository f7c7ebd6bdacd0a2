#include "desktop/errors_view.h"

#include <charconv>
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
  entries_ = report.entries;
  selected_line_ = report.first_marker_line;
  selected_entry_ = entries_.empty() ? -1 : 0;
  caption_ = ErrorCaption(report.marker_count);
}

bool ErrorsView::ChooseEntry(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size() || index == selected_entry_) return false;
  selected_entry_ = index;
  const long long line = EntryLineNumber(entries_[static_cast<std::size_t>(index)]);
  if (line < 0) return false;
  selected_line_ = static_cast<std::size_t>(line);
  return true;
}

bool ErrorsView::Line(std::size_t line, LineSpan& span) const {
  if (line >= lines_.size()) return false;
  span = lines_[line];
  return true;
}

long long EntryLineNumber(const std::string& entry) {
  std::size_t colon = entry.find(':');
  if (colon == std::string::npos || colon < 4) return -1;
  std::string_view digits = std::string_view(entry).substr(4, colon - 4);
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  long long number = -1;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 0) return -1;
  return number;
}

}  // namespace zarn
