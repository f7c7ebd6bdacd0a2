// How a run talks to whoever shows it: a progress reporter for the stages and
// an error presenter for the marker entries found at the end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  // Stage text and bar value (0 to 100; 110 and 120 mean a full bar).
  virtual void SetProgress(std::string_view text, int value) = 0;
  // Name of the function or method being worked on. With `pump` the display
  // may repaint now; without it the name shows at the next progress report.
  virtual void SetFunctionName(std::string_view name, bool pump) = 0;
  // A one-line remark on the run that is no error, such as a check that was
  // skipped. Front ends that have a console print it there.
  virtual void Note(std::string_view) {}
};

class NullProgress : public ProgressReporter {
 public:
  void SetProgress(std::string_view, int) override {}
  void SetFunctionName(std::string_view, bool) override {}
};

// What the end-of-run scan found.
struct ErrorReport {
  std::string script;                // the processed script, markers included
  std::vector<std::string> entries;  // "Line N: message", in script order
  std::size_t first_marker_line = 0;
  std::size_t marker_count = 0;
};

// "ZARN: 1 error found!" / "ZARN: 3 errors found!"
std::string ErrorCaption(std::size_t marker_count);

class ErrorPresenter {
 public:
  virtual ~ErrorPresenter() = default;
  // Called once, only when markers were found; returns when the user is done.
  virtual void PresentErrors(const ErrorReport& report) = 0;
};

}  // namespace zarn
