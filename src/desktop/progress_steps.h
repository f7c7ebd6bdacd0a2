// What the progress window does with each report, whatever draws it: the
// bar first (values past 100, the run's closing reports, show it full), then
// the stage text, then the pending window messages, since the run gives the
// event loop no other chance.
#pragma once

#include <string_view>

#include "platform/progress.h"

namespace zarn {

class ProgressSteps : public ProgressReporter {
 public:
  void SetProgress(std::string_view text, int value) final;
  // The name shows at once with `pump`, otherwise at the next report.
  void SetFunctionName(std::string_view name, bool pump) final;
  // Notes go to standard error, for whoever started the program from a shell.
  void Note(std::string_view text) override;

  // The bar's value for a report: 0 to 100.
  static int BarValue(int value);

 protected:
  virtual void ShowBar(int value) = 0;
  virtual void ShowStatus(std::string_view text) = 0;
  virtual void ShowFunction(std::string_view name) = 0;
  virtual void PumpMessages() = 0;
};

}  // namespace zarn
