// Entries of a report as texts, for tests that compare them.
#pragma once

#include <string>
#include <vector>

#include "core/report.h"

namespace zarn::testing {

// "Line N: message" by the processed line, as the errors window lists an
// entry of the script; "FILE:LINE:COLUMN: message" for one of another file.
inline std::string ProcessedEntryText(const ErrorEntry& entry) {
  if (entry.processed_line) return "Line " + std::to_string(*entry.processed_line) + ": " + entry.message;
  return entry.place.file + ":" + std::to_string(entry.place.line) + ":" + std::to_string(entry.place.column) + ": " +
         entry.message;
}

inline std::vector<std::string> ProcessedEntryTexts(const ErrorReport& report) {
  std::vector<std::string> texts;
  for (const ErrorEntry& entry : report.entries) texts.push_back(ProcessedEntryText(entry));
  return texts;
}

// FILE:LINE:COLUMN, the user's place of an entry.
inline std::string PlaceText(const ErrorEntry& entry) {
  return entry.place.file + ":" + std::to_string(entry.place.line) + ":" + std::to_string(entry.place.column);
}

// An entry of processed line `line` with no place of the user's.
inline ErrorEntry ProcessedEntry(std::size_t line, std::string message) {
  return ErrorEntry{SourcePlace{"", line + 1, 1}, std::move(message), line};
}

}  // namespace zarn::testing
