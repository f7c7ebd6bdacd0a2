#include "desktop/progress_steps.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

// Records what a window would show, in order.
class RecordingProgress : public ProgressSteps {
 public:
  std::string log;

 protected:
  void ShowBar(int value) override { log += "bar " + std::to_string(value) + ";"; }
  void ShowStatus(std::string_view text) override { log += "status " + std::string(text) + ";"; }
  void ShowFunction(std::string_view name) override { log += "func " + std::string(name) + ";"; }
  void PumpMessages() override { log += "pump;"; }
};

TEST(ProgressStepsTest, BarThenTextThenPump) {
  RecordingProgress progress;
  progress.SetProgress("Parsing empty lines: WORKING...", 80);
  progress.SetProgress("Parsing function:", 50);  // the bar goes back
  EXPECT_EQ(progress.log, "bar 80;status Parsing empty lines: WORKING...;pump;bar 50;status Parsing function:;pump;");
}

TEST(ProgressStepsTest, ClosingReportsShowAFullBar) {
  RecordingProgress progress;
  progress.SetProgress("Closing archive: WORKING...", 110);
  progress.SetProgress("Closing archive: DONE!", 120);
  progress.SetProgress("Waiting", -5);
  EXPECT_EQ(progress.log,
            "bar 100;status Closing archive: WORKING...;pump;bar 100;status Closing archive: DONE!;pump;"
            "bar 0;status Waiting;pump;");
}

TEST(ProgressStepsTest, FunctionNamesPumpOnlyWhenAsked) {
  RecordingProgress progress;
  progress.SetFunctionName("main", false);
  progress.SetFunctionName("InitTrig", true);
  EXPECT_EQ(progress.log, "func main;func InitTrig;pump;");
}

}  // namespace
}  // namespace zarn
