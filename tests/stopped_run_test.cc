// A run ended at any named step of writing the map: the map is the old one
// or the new one. A stop request (a signal, a console event, a window
// message) leaves no temporary copy; after a crash the next run removes what
// was left and says so. The runs are zarn-stopped-run, which ends itself at
// the step asked for: no timing decides where.
#include <StormLib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "map/archive.h"
#include "map/map_builder.h"
#include "map/storm_path.h"
#include "map/write_steps.h"
#include "platform/temporary_copies.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string kOld = "function old takes nothing returns nothing\r\nendfunction\r\n";
const std::string kNew = "function new takes nothing returns nothing\r\nendfunction\r\n";

// The map's script as the game would read it; empty when it cannot.
std::string ScriptInMap(const std::string& map) {
  HANDLE archive = nullptr;
  if (!SFileOpenArchive(StormPath(map).c_str(), 0, MPQ_OPEN_READ_ONLY, &archive)) return "";
  std::string script;
  try {
    script = ReadArchiveFile(archive, "war3map.j", 0);
  } catch (const Error&) {}
  SFileCloseArchive(archive);
  return script;
}

class StoppedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMapArchive(map_, {{"war3map.j", kOld}, {"war3map.w3i", std::string(3000, 'i')}});
    WriteFileBytes(script_, kNew);
  }

  testing_util::ProcessResult Run(const std::string& step, const std::string& how) {
    return RunCommand(Quote(testing_util::BuiltProgram("zarn-stopped-run")) + " " + Quote(map_) + " " + Quote(script_) +
                          " " + step + " " + how,
                      scratch_.path());
  }

  // The temporary copies beside the map and their compaction files.
  std::vector<std::string> Copies() const {
    std::vector<std::string> copies;
    for (const std::string& name : FileNamesIn(dir_.path()))
      if (IsTemporaryCopyName("m.w3x", name)) copies.push_back(name);
    return copies;
  }

  void ExpectOldOrNewMap(const std::string& step) {
    const std::string script = ScriptInMap(map_);
    EXPECT_TRUE(script == kOld || script == kNew) << "damaged map after " << step;
    // A map is replaced only once it is complete.
    const bool replaced = step == "replaced" || step == "folder-synced";
    EXPECT_EQ(script, replaced ? kNew : kOld) << step;
  }

  TempDir dir_, scratch_;
  const std::string map_ = dir_ / "m.w3x";
  const std::string script_ = dir_ / "war3map_parsed.j";
};

std::vector<std::string> AllSteps() {
  std::vector<std::string> steps;
  for (int i = 0; i < kWriteStepCount; ++i) steps.push_back(WriteStepName(static_cast<WriteStep>(i)));
  return steps;
}

TEST_F(StoppedRunTest, AfterACrashTheNextRunRemovesWhatWasLeft) {
  bool some_left = false;
  for (const std::string& step : AllSteps()) {
    SCOPED_TRACE(step);
    BuildMapArchive(map_, {{"war3map.j", kOld}, {"war3map.w3i", std::string(3000, 'i')}});
    const testing_util::ProcessResult crashed = Run(step, "crash");
    EXPECT_NE(crashed.exit_code, 0) << crashed.err;
    ExpectOldOrNewMap(step);
    const std::size_t left = Copies().size();
    some_left = some_left || left > 0;

    const testing_util::ProcessResult next = Run("none", "crash");
    EXPECT_EQ(next.exit_code, 0) << next.err;
    EXPECT_EQ(ScriptInMap(map_), kNew);
    EXPECT_TRUE(Copies().empty());
    if (left > 0)
      EXPECT_EQ(next.err, StaleCopiesNote(left) + "\n");
    else
      EXPECT_EQ(next.err, "");
    // The working files are no copies: they stay.
    EXPECT_TRUE(fs::exists(fs::path(dir_ / "war3map.j")));
    EXPECT_TRUE(fs::exists(fs::path(script_)));
  }
  EXPECT_TRUE(some_left) << "no step left a copy behind: the crashes did not happen where meant";
}

TEST_F(StoppedRunTest, AStopRequestLeavesNoCopyAtAnyStep) {
#ifdef _WIN32
  const std::vector<std::string> ways = {"stop"};
#else
  const std::vector<std::string> ways = {"stop", "SIGTERM", "SIGHUP", "SIGINT", "SIGQUIT"};
  const int statuses[] = {128 + 15, 128 + 15, 128 + 1, 128 + 2, 128 + 3};
#endif
  for (std::size_t w = 0; w < ways.size(); ++w) {
    for (const std::string& step : AllSteps()) {
      SCOPED_TRACE(ways[w] + " at " + step);
      BuildMapArchive(map_, {{"war3map.j", kOld}, {"war3map.w3i", std::string(3000, 'i')}});
      const testing_util::ProcessResult stopped = Run(step, ways[w]);
#ifdef _WIN32
      EXPECT_EQ(static_cast<unsigned>(stopped.exit_code), 0xC000013Au) << stopped.err;
#else
      EXPECT_EQ(stopped.exit_code, statuses[w]) << "ended by the signal, with its usual status; " << stopped.err;
#endif
      ExpectOldOrNewMap(step);
      EXPECT_TRUE(Copies().empty());
      EXPECT_TRUE(fs::exists(fs::path(dir_ / "war3map.j")));
    }
  }
}

TEST_F(StoppedRunTest, AnUnstoppedRunLeavesOtherFilesAlone) {
  const testing_util::ProcessResult run = Run("none", "crash");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ScriptInMap(map_), kNew);
  EXPECT_TRUE(Copies().empty());
  // A file only named like a copy of another map, or like no copy, is no
  // run's to remove.
  for (const char* name : {"m.w3x.tmp", "m.w3x.zarn-abcdefg.tmp", "n.w3x.zarn-abcdef.tmp"})
    WriteFileBytes(dir_ / name, "mine");
  EXPECT_EQ(Run("none", "crash").err, "");
  for (const char* name : {"m.w3x.tmp", "m.w3x.zarn-abcdefg.tmp", "n.w3x.zarn-abcdef.tmp"})
    EXPECT_EQ(ReadFileBytes(dir_ / name), "mine") << name;
}

// The same for a map saved as a folder: its war3map.j is replaced through a
// temporary file beside it, and nothing else in the folder changes.
class StoppedFolderRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(fs::path(map_));
    WriteFileBytes(script_, kNew);
  }

  void Reset() {
    WriteFileBytes(map_ + "/war3map.j", kOld);
    WriteFileBytes(map_ + "/war3map.w3i", std::string(3000, 'i'));
  }

  testing_util::ProcessResult Run(const std::string& step, const std::string& how) {
    return RunCommand(Quote(testing_util::BuiltProgram("zarn-stopped-run")) + " " + Quote(map_) + " " + Quote(script_) +
                          " " + step + " " + how,
                      scratch_.path());
  }

  std::size_t Copies() const {
    std::size_t copies = 0;
    for (const std::string& name : FileNamesIn(map_)) copies += IsTemporaryCopyName("war3map.j", name) ? 1 : 0;
    return copies;
  }

  void ExpectOldOrNewFolder(const std::string& step) {
    const bool replaced = step == "replaced" || step == "folder-synced";
    EXPECT_EQ(ReadFileBytes(map_ + "/war3map.j"), replaced ? kNew : kOld) << step;
    EXPECT_EQ(ReadFileBytes(map_ + "/war3map.w3i"), std::string(3000, 'i')) << step;
  }

  TempDir dir_, scratch_;
  const std::string map_ = dir_ / "F.w3x";
  const std::string script_ = dir_ / "war3map_parsed.j";
};

const char* const kFolderSteps[] = {"copy-made", "copy-synced", "replaced", "folder-synced"};

TEST_F(StoppedFolderRunTest, ACrashLeavesTheOldOrNewScriptAndTheNextRunCleansUp) {
  for (const char* step : kFolderSteps) {
    SCOPED_TRACE(step);
    Reset();
    const testing_util::ProcessResult crashed = Run(step, "crash");
    EXPECT_NE(crashed.exit_code, 0) << crashed.err;
    ExpectOldOrNewFolder(step);
    const std::size_t left = Copies();
    const testing_util::ProcessResult next = Run("none", "crash");
    EXPECT_EQ(next.exit_code, 0) << next.err;
    EXPECT_EQ(next.err, left > 0 ? StaleCopiesNote(left) + "\n" : "");
    EXPECT_EQ(ReadFileBytes(map_ + "/war3map.j"), kNew);
    EXPECT_EQ(FileNamesIn(map_).size(), 2u);
  }
}

TEST_F(StoppedFolderRunTest, AStopRequestLeavesNoTemporaryFile) {
  for (const char* step : kFolderSteps) {
    SCOPED_TRACE(step);
    Reset();
    const testing_util::ProcessResult stopped = Run(step, "stop");
    EXPECT_NE(stopped.exit_code, 0) << stopped.err;
    ExpectOldOrNewFolder(step);
    EXPECT_EQ(FileNamesIn(map_).size(), 2u);
  }
}

}  // namespace
}  // namespace zarn
