// The errors window without its widgets: the entries, the script as shown,
// its lines, the selected line and entry, and the caption. Line numbers are
// zero-based lines of the processed script, as in the entries.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/report.h"

namespace zarn {

class ErrorsView {
 public:
  struct LineSpan {
    std::size_t start = 0;   // in text()
    std::size_t length = 0;  // without the line break
  };

  // Takes a report: the script without marker texts, the entries and after
  // them the report's notes (the API checked against, how to go on, the
  // hint), the first marker line selected (also when it lies
  // past the script's end), the first entry chosen when there is one (that
  // choice is no user's click; the hint is never chosen so) and the caption
  // with the count.
  void Present(const ErrorReport& report);

  // The user chose entry `index`. True when that selects the entry's line;
  // false for the entry already chosen, an entry out of range, a note or
  // one without a line of the processed script.
  bool ChooseEntry(int index);

  // The script as shown: CR LF, a lone CR and a lone LF each end a line, as
  // for the end-of-run scan, and each is written as CR LF here.
  const std::string& text() const { return text_; }
  std::size_t line_count() const { return lines_.size(); }
  // Line `line` of text(); false past the end.
  bool Line(std::size_t line, LineSpan& span) const;
  const std::vector<std::string>& entries() const { return entries_; }
  // The line selected and shown in the line field.
  std::size_t selected_line() const { return selected_line_; }
  // The entry chosen; -1 when there is none.
  int selected_entry() const { return selected_entry_; }
  // "ZARN" until a report is presented.
  const std::string& caption() const { return caption_; }

 private:
  std::string text_;
  std::vector<LineSpan> lines_;
  std::vector<std::string> entries_;
  std::vector<std::optional<std::size_t>> entry_lines_;  // by entry: its processed line
  std::size_t selected_line_ = 0;
  int selected_entry_ = -1;
  int first_note_entry_ = 0;  // the entries from here on are notes, which name no line
  std::string caption_ = "ZARN";
};

// An entry as the errors window lists it: "Line N: message" with N its line
// of the processed script, from 0; for a file of the game's API,
// "FILE: Line N: message" with N its line in that file, from 0.
std::string EntryText(const ErrorEntry& entry);

}  // namespace zarn
