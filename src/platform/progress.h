// How long work tells whoever shows it how far it has come.
#pragma once

#include <string_view>

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

}  // namespace zarn
