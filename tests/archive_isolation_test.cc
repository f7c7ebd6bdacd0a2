// Whatever happens inside the archive library, the run ends with a message:
// the map stays as it was, no copy of it is left, and both locks are free.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "core/pipeline.h"
#include "map/archive.h"
#include "map/map_builder.h"
#include "platform/files.h"
#include "platform/isolated_process.h"
#include "platform/locks.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const fs::path kRegressionInputs = fs::path(ZARN_SOURCE_DIR) / "tests" / "fuzz-regression" / "archive";
const char* kReadError = "Error reading archive: ";
const char* kStopped = "Error reading archive: the archive library stopped on this file (";

struct FaultGuard {
  explicit FaultGuard(IsolatedFault fault) { SetIsolatedFaultForTesting(fault); }
  ~FaultGuard() { SetIsolatedFaultForTesting(IsolatedFault::kNone); }
};

struct NoErrors : ErrorPresenter {
  void PresentErrors(const ErrorReport&) override { ADD_FAILURE() << "no markers expected"; }
};

// Nothing of the run is left beside the map, and nobody holds the map or the
// working folder any more.
void ExpectCleanEnd(const TempDir& dir, const std::string& map) {
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".zarn-"), std::string::npos) << "left behind: " << name;
    EXPECT_NE(name, "war3map_parsed.j");
  }
  MapLock map_lock;
  EXPECT_EQ(map_lock.TryLock(map), MapLock::Result::kLocked) << "the map is still locked";
  FileLock lock(dir / "zarn.lock");
  EXPECT_TRUE(lock.TryLock()) << "the working files are still locked";
}

// A worker that cannot be started is refused with the system's reason.
TEST(ArchiveIsolationTest, AWorkerThatDiesOrHangsOrCannotStartIsARefusal) {
  struct Case {
    IsolatedFault fault;
    std::string message;
  };
  const Case cases[] = {
      {IsolatedFault::kAbort, kStopped + std::string(testing_util::kAbortReason) + ")"},
      {IsolatedFault::kSegfault, kStopped + std::string(testing_util::kSegfaultReason) + ")"},
      {IsolatedFault::kHang, kStopped + std::string("no answer within 1 second)")},
      {IsolatedFault::kNoProcess, kReadError + std::string(testing_util::kNoProcessReason)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TempDir dir;
    const std::string map = dir / "m.w3x";
    BuildMapArchive(map, {{"war3map.j", "function f takes nothing returns nothing\r\nendfunction\r\n"}});
    const std::string before = ReadFileBytes(map);
    FaultGuard guard(c.fault);
    NullProgress progress;
    MapArchive archive(map);
    archive.SetWorkLimit(500ms);
    try {
      archive.ExtractScript(dir / "war3map.j", progress);
      ADD_FAILURE() << "no error";
    } catch (const EArchiveRead& e) { EXPECT_EQ(std::string(e.what()), c.message); }
    EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), "") << "a failed read leaves the script empty";
    EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
  }
}

// The update's worker dies, or cannot be started, after the copy of the map
// was made beside it.
TEST(ArchiveIsolationTest, AWorkerThatDiesWhileWritingLeavesNoCopy) {
  const std::pair<IsolatedFault, std::string> cases[] = {
      {IsolatedFault::kAbort, kStopped},
      {IsolatedFault::kSegfault, kStopped},
      {IsolatedFault::kNoProcess, kReadError + std::string(testing_util::kNoProcessReason)},
  };
  for (const auto& [fault, message] : cases) {
    TempDir dir;
    const std::string map = dir / "m.w3x";
    BuildMapArchive(map, {{"war3map.j", "function f takes nothing returns nothing\r\nendfunction\r\n"}});
    const std::string before = ReadFileBytes(map);
    WriteFileBytes(dir / "war3map_parsed.j", "function g takes nothing returns nothing\r\nendfunction\r\n");
    {
      NullProgress progress;
      MapArchive archive(map);
      archive.ExtractScript(dir / "war3map.j", progress);
      FaultGuard guard(fault);
      try {
        archive.InsertScript(dir / "war3map_parsed.j");
        ADD_FAILURE() << "no error";
      } catch (const EArchiveRead& e) { EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what(); }
    }
    fs::remove(dir / "war3map_parsed.j");
    EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
    ExpectCleanEnd(dir, map);
  }
}

// The whole run, as the front ends start it: the message is the run's error.
TEST(ArchiveIsolationTest, TheRunEndsWithTheMessageAndFreesItsLocks) {
  TempDir dir;
  const std::string map = dir / "m.w3x";
  BuildMapArchive(map, {{"war3map.j", "function f takes nothing returns nothing\r\nendfunction\r\n"}});
  const std::string before = ReadFileBytes(map);
  FaultGuard guard(IsolatedFault::kAbort);
  MapRunOptions options;
  options.map_path = map;
  options.tool_dir = dir.path();
  NullProgress progress;
  NoErrors errors;
  try {
    RunPipeline(options, progress, errors);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), kStopped + std::string(testing_util::kAbortReason) + ")");
  }
  EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
  ExpectCleanEnd(dir, map);
}

// Every archive that ever stopped the archive library or made it read out of
// bounds, through zarn-cli --map: exit code 1, a message, the map unchanged.
TEST(ArchiveIsolationTest, ArchivesThatStoppedTheLibraryAreRefused) {
  ASSERT_TRUE(fs::is_directory(kRegressionInputs)) << kRegressionInputs;
  const std::map<std::string, std::string> messages = {
      {"mpk-header.w3x", "Error reading archive: the file holds an MPK archive header at byte 0"},
      {"mpk-header-at-512.w3x", "Error reading archive: the file holds an MPK archive header at byte 512"},
      {"user-data-to-mpk-header.w3x", "Error reading archive: the file holds an MPQ user-data header at byte 0"},
      {"format-2-block-table-size.w3x", "Error opening file: war3map.j"},
  };
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  int inputs = 0;
  for (const auto& entry : fs::directory_iterator(kRegressionInputs)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++inputs;
    const std::string map = dir / "input.w3x";
    fs::copy_file(entry.path(), map, fs::copy_options::overwrite_existing);
    fs::permissions(map, fs::perms::owner_read | fs::perms::owner_write);
    const std::string before = ReadFileBytes(map);
    WriteFileBytes(dir / "war3map.j", "the script of an earlier run");
    const auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_FALSE(r.err.empty());
    if (messages.count(name)) { EXPECT_EQ(r.err.substr(0, messages.at(name).size()), messages.at(name)) << r.err; }
    EXPECT_EQ(r.err.find(kStopped), std::string::npos) << "refused before the library: " << r.err;
    EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
    EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), "") << "a failed read leaves the script empty";
    ExpectCleanEnd(dir, map);
  }
  EXPECT_GE(inputs, 10);
}

}  // namespace
}  // namespace zarn
