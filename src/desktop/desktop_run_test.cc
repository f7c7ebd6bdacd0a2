// What a desktop run does, for both toolkits, with windows that only record.
#include "desktop/desktop_run.h"

#include <gtest/gtest.h>

#include "map/map_builder.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "testing/entry_texts.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

class RecordingWindows : public DesktopWindows, public ErrorPresenter {
 public:
  int WithRunWindows(const MapRun& run) override {
    ++runs;
    return run(progress, *this);
  }
  void ShowAbout() override { ++abouts; }
  void ShowMessage(const std::string& text, bool error) override {
    message = text;
    message_is_error = error;
  }
  void PresentErrors(const ErrorReport& report) override { presented.push_back(report); }

  NullProgress progress;
  int runs = 0, abouts = 0;
  std::string message;
  bool message_is_error = false;
  std::vector<ErrorReport> presented;
};

// A map run works in the test program's working folder, which other tests
// share through its lock.
class DesktopRunTest : public ::testing::Test {
 protected:
  RunChoice MapChoice(const std::string& script) {
    map_ = PathJoin(dir_.path(), "test.w3x");
    BuildMapArchive(map_, {{"war3map.j", script}});
    return ChooseRun({"--map", map_, "--delete"});
  }
  testing_util::TempDir dir_;
  std::string map_;
};

TEST_F(DesktopRunTest, AnyOtherCommandLineShowsTheAboutWindow) {
  RecordingWindows windows;
  EXPECT_EQ(PerformRun(ChooseRun({"--MAP", "a.w3x"}), windows), 0);
  EXPECT_EQ(windows.abouts, 1);
  EXPECT_EQ(windows.runs, 0);
  EXPECT_TRUE(windows.message.empty());
}

TEST_F(DesktopRunTest, ACleanRunUpdatesTheMap) {
  RecordingWindows windows;
  const RunChoice choice = MapChoice("function main takes nothing returns nothing\r\nendfunction\r\n");
  const std::string before = ReadFileBytes(map_);
  EXPECT_EQ(PerformRun(choice, windows), 0);
  EXPECT_EQ(windows.runs, 1);
  EXPECT_TRUE(windows.presented.empty());
  EXPECT_TRUE(windows.message.empty());
  EXPECT_NE(ReadFileBytes(map_), before);
}

TEST_F(DesktopRunTest, AMarkedScriptIsPresentedAndTheMapKept) {
  RecordingWindows windows;
  const RunChoice choice = MapChoice("function main takes nothing returns nothing\r\nvar x\r\nendfunction\r\n");
  const std::string before = ReadFileBytes(map_);
  EXPECT_EQ(PerformRun(choice, windows), 1);
  ASSERT_EQ(windows.presented.size(), 1u);
  EXPECT_EQ(testing::ProcessedEntryTexts(windows.presented[0]),
            std::vector<std::string>{"Line 1: Undefined type of variable"});
  EXPECT_TRUE(windows.message.empty());
  EXPECT_EQ(ReadFileBytes(map_), before);
}

TEST_F(DesktopRunTest, ARefusedMapIsShownInAnErrorBox) {
  RecordingWindows windows;
  map_ = PathJoin(dir_.path(), "broken.w3x");
  WriteFileBytes(map_, "not an archive");
  EXPECT_EQ(PerformRun(ChooseRun({"--map", map_}), windows), 1);
  EXPECT_TRUE(windows.message_is_error);
  EXPECT_NE(windows.message.find("Error"), std::string::npos) << windows.message;
  EXPECT_TRUE(windows.presented.empty());
  EXPECT_EQ(ReadFileBytes(map_), "not an archive");
}

}  // namespace
}  // namespace zarn
