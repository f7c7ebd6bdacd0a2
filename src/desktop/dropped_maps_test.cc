// Dropped maps with stand-in windows: every map runs, each kind of result has
// its line in the closing message, and the exit code is 0 only when every map
// was translated.
#include "desktop/dropped_maps.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "map/map_builder.h"
#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

using testing_util::TempDir;

// A small API written like the game's files.
constexpr const char* kCommon =
    "type agent extends handle\ntype widget extends agent\ntype unit extends widget\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native GetTriggerUnit takes nothing returns unit\n";
constexpr const char* kBlizzard =
    "function KillTriggerUnitBJ takes nothing returns nothing\ncall KillUnit(GetTriggerUnit())\nendfunction\n";
// Clean with the small API and with the game's own.
constexpr const char* kClean =
    "function Kill takes nothing returns nothing\r\n    call   KillUnit(GetTriggerUnit())\r\nendfunction\r\n";
constexpr const char* kVjass =
    "library Tools\r\nfunction Kill takes nothing returns nothing\r\nendfunction\r\nendlibrary\r\n";
constexpr const char* kMarked =
    "function main takes nothing returns nothing\r\n//!ZARN Error: Mount x\r\nendfunction\r\n";

class StandInWindows : public DesktopWindows, public ErrorPresenter {
 public:
  int WithRunWindows(const MapRun& run) override {
    ++runs;
    return run(progress, *this);
  }
  void ShowAbout() override { ADD_FAILURE() << "no About window"; }
  void ShowMessage(const std::string& text, bool error) override {
    messages.push_back(text);
    error_icon = error;
  }
  void PresentErrors(const ErrorReport&) override { ++presented; }

  NullProgress progress;
  int runs = 0, presented = 0;
  std::vector<std::string> messages;
  bool error_icon = false;
};

TEST(DroppedMapsTest, EveryMapRunsAndEachResultHasItsLine) {
  TempDir dir;
  const std::string work = dir / "work";
  std::filesystem::create_directory(std::filesystem::path(work));
  WriteFileBytes(work + "/common.j", kCommon);
  WriteFileBytes(work + "/Blizzard.j", kBlizzard);
  BuildMapArchive(dir / "clean.w3x", {{"war3map.j", kClean}});
  BuildMapArchive(dir / "UPPER.W3X", {{"war3map.j", kClean}});
  BuildMapArchive(dir / "vjass.w3x", {{"war3map.j", kVjass}});
  BuildMapArchive(dir / "marked.w3x", {{"war3map.j", kMarked}});
  WriteFileBytes(dir / "notes.mpq", "not an archive\n");
  const std::string clean_before = ReadFileBytes(dir / "clean.w3x");
  const std::string marked_before = ReadFileBytes(dir / "marked.w3x");
  const std::string notes_before = ReadFileBytes(dir / "notes.mpq");

  StandInWindows windows;
  const int code = RunDroppedMaps(
      {dir / "clean.w3x", dir / "UPPER.W3X", dir / "vjass.w3x", dir / "marked.w3x", dir / "notes.mpq"}, windows, work);

  EXPECT_EQ(code, 1);
  EXPECT_EQ(windows.runs, 5);
  EXPECT_EQ(windows.presented, 1) << "the marked map's errors window";
  ASSERT_EQ(windows.messages.size(), 1u) << "one closing message";
  EXPECT_TRUE(windows.error_icon);
  const std::string& text = windows.messages[0];
  const std::string expected_start = "clean.w3x: translated, checked against common.j and Blizzard.j in " + work +
                                     "\n"
                                     "UPPER.W3X: translated, checked against common.j and Blizzard.j in " +
                                     work +
                                     "\n"
                                     "vjass.w3x: translated, vJass script, so the JASS 2 check was skipped\n"
                                     "marked.w3x: left unchanged because of errors\n"
                                     "notes.mpq: refused: Error ";
  EXPECT_EQ(text.substr(0, expected_start.size()), expected_start) << text;
  EXPECT_EQ(text.find('\n', expected_start.size()), std::string::npos) << "one line per map:\n" << text;
  EXPECT_EQ(text.find("--"), std::string::npos) << "no options in a desktop message";

  EXPECT_TRUE(ReadFileBytes(dir / "clean.w3x") != clean_before) << "the clean map was not updated";
  EXPECT_EQ(ReadFileBytes(work + "/war3map_parsed.j").find("    call   "), std::string::npos);
  EXPECT_TRUE(ReadFileBytes(dir / "marked.w3x") == marked_before) << "the marked map changed";
  EXPECT_TRUE(ReadFileBytes(dir / "notes.mpq") == notes_before) << "the refused file changed";
}

// Without common.j and Blizzard.j each map is checked against the built-in
// API of the version it records, and its line says which.
TEST(DroppedMapsTest, EachLineNamesTheBuiltInApiOfItsMap) {
  TempDir dir;
  // war3map.w3i of format 28, saved with 1.32.8.
  const std::string info("\x1c\0\0\0\x01\0\0\0\xe2\x17\0\0\x01\0\0\0\x20\0\0\0\x08\0\0\0\0\0\0\0", 28);
  BuildMapArchive(dir / "a.w3x", {{"war3map.j", kClean}, {"war3map.w3i", info}});
  BuildMapArchive(dir / "b.w3m", {{"war3map.j", kClean}});
  StandInWindows windows;
  EXPECT_EQ(RunDroppedMaps({dir / "a.w3x", dir / "b.w3m"}, windows, dir.path()), 0);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_FALSE(windows.error_icon);
  EXPECT_EQ(windows.messages[0],
            "a.w3x: translated, checked against the 1.32 API (the map's version)\n"
            "b.w3m: translated, checked against the 1.24 API (the map's version is unknown)");
}

// A failure of the environment refuses the map it met; the next map still runs.
TEST(DroppedMapsTest, AWorkingFolderThatCannotBeUsedRefusesEachMap) {
  TempDir dir;
  BuildMapArchive(dir / "a.w3x", {{"war3map.j", kClean}});
  BuildMapArchive(dir / "b.w3x", {{"war3map.j", kClean}});
  const std::string before = ReadFileBytes(dir / "a.w3x");
  WriteFileBytes(dir / "file", "a file, not a folder");
  StandInWindows windows;
  EXPECT_EQ(RunDroppedMaps({dir / "a.w3x", dir / "b.w3x"}, windows, dir / "file"), 1);
  EXPECT_EQ(windows.runs, 2);
  ASSERT_EQ(windows.messages.size(), 1u);
  const std::string& text = windows.messages[0];
  EXPECT_EQ(text.rfind("a.w3x: refused: ", 0), 0u) << text;
  EXPECT_NE(text.find("\nb.w3x: refused: "), std::string::npos) << text;
  EXPECT_TRUE(windows.error_icon);
  EXPECT_TRUE(ReadFileBytes(dir / "a.w3x") == before);
}

// A copy that a crashed run left beside the map is removed, and the map's
// line says so; the note that names and types went unchecked is not repeated.
TEST(DroppedMapsTest, RemovedStaleCopiesAreNotedUnderTheirMap) {
  TempDir dir;
  BuildMapArchive(dir / "a.w3x", {{"war3map.j", kClean}});
  WriteFileBytes(dir / "a.w3x.zarn-Ab12Cd.tmp", "left by a crashed run");
  WriteFileBytes(dir / "a.w3x.tmp", "the user's own");
  StandInWindows windows;
  EXPECT_EQ(RunDroppedMaps({dir / "a.w3x"}, windows, dir.path()), 0);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0],
            "a.w3x: translated, checked against the 1.24 API (the map's version is unknown)\n"
            "    removed 1 temporary copy left by an earlier run")
      << windows.messages[0];
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir / "a.w3x.zarn-Ab12Cd.tmp")));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir / "a.w3x.tmp")));
}

// A folder map whose script imports files: translated in place, and its line
// says how many files came in.
TEST(DroppedMapsTest, AFolderMapWithImportsSaysHowManyFilesItImported) {
  TempDir dir;
  std::filesystem::create_directories(std::filesystem::path(dir / "Folder.w3x"));
  std::filesystem::create_directories(std::filesystem::path(dir / "src"));
  WriteFileBytes(dir / "Folder.w3x/war3map.j", "//!import \"src/a.j\"\r\n//!import \"src/b.j\"\r\n");
  WriteFileBytes(dir / "src/a.j", kClean);
  WriteFileBytes(dir / "src/b.j", "function B takes nothing returns nothing\r\nendfunction\r\n");
  StandInWindows windows;
  EXPECT_EQ(RunDroppedMaps({dir / "Folder.w3x"}, windows, dir.path()), 0);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].substr(0, windows.messages[0].find('\n')),
            "Folder.w3x: translated, checked against the 1.24 API (the map's version is unknown), 2 files imported");
  EXPECT_EQ(ReadFileBytes(dir / "Folder.w3x/war3map.j").substr(0, 44), "function Kill takes nothing returns nothing\r");
}

// Notes of a run stand under its map's line.
TEST(DroppedMapsTest, NotesStandUnderTheirMap) {
  DroppedMapOutcome first{"/maps/one.w3x", DroppedMapResult::kFullyChecked, "", "/work", {"a note"}};
  DroppedMapOutcome second{"/maps/two.w3x", DroppedMapResult::kUnchanged, "", "/work", {}};
  EXPECT_EQ(DroppedMapsMessage({first, second}),
            "one.w3x: translated and fully checked\n    a note\ntwo.w3x: left unchanged because of errors");
  EXPECT_EQ(DroppedMapsExitCode({first}), 0);
  EXPECT_EQ(DroppedMapsExitCode({first, second}), 1);
}

}  // namespace
}  // namespace zarn
