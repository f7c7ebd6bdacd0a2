// How a run talks to whoever shows it: a progress reporter for the stages
// (platform/progress.h) and an error presenter for the entries found at the end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "passes/error_marker.h"
#include "platform/progress.h"

namespace zarn {

// What the end-of-run scan found.
struct ErrorReport {
  std::string script;                // the processed script, markers included
  std::vector<std::string> entries;  // "Line N: message", in script order
  std::size_t first_marker_line = 0;
  std::size_t marker_count = 0;
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
