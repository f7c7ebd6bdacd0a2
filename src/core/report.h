// How a run talks to whoever shows it: a progress reporter for the stages
// (platform/progress.h) and an error presenter for the entries found at the end.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/error_marker.h"
#include "platform/progress.h"
#include "text/source_place.h"

namespace zarn {

// One error: where the user finds it, what it is, and where it stands in the
// processed script. The front ends make the texts.
struct ErrorEntry {
  SourcePlace place;    // the user's own file, line and column, from 1
  std::string message;  // without place, e.g. "Undefined type of variable"
  // The line of the processed script, from 0; none for a problem in a file of
  // the game's API (common.j, Blizzard.j) or in a file a check run read.
  std::optional<std::size_t> processed_line;
};

// What the end-of-run scan found.
struct ErrorReport {
  std::string script;               // the processed script, markers included
  std::vector<ErrorEntry> entries;  // the API's problems first, then in script order
  std::size_t first_marker_line = 0;
  std::size_t marker_count = 0;
  // A line shown after the count, which it does not count in: in the default
  // mode, that the script's names hold keywords and word mode may help.
  std::string hint;
  // After the count too: the API the names and types were checked against
  // ("checked against the 1.32 API (the map's version)"), and, when a
  // built-in table refused the script, how to go on.
  std::string checked_against;
  std::string advice;
};

// "ZARN: 1 error found!" / "ZARN: 3 errors found!"
std::string ErrorCaption(std::size_t marker_count);

// The script as the errors view shows it: every marker text removed, the rest
// of each marker line kept, so line numbers do not change.
std::string ScriptWithoutMarkers(std::string_view script);

class ErrorPresenter {
 public:
  virtual ~ErrorPresenter() = default;
  // Called once, only when markers were found; returns when the user is done.
  virtual void PresentErrors(const ErrorReport& report) = 0;
};

}  // namespace zarn
