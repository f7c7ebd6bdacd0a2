// What map makers' files look like on both systems: names in any script, maps
// that other programs hold, and the folder the working files go to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "map/archive.h"
#include "map/map_builder.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "testing/test_util.h"
#include "text/script.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_text.h"
#endif

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string kScript = "function f takes nothing returns nothing\r\nvar n = 1\r\nendfunction\r\n";

std::string ScriptOf(const std::string& map, const std::string& scratch) {
  MapArchive archive(map);
  NullProgress progress;
  archive.ExtractScript(scratch, progress);
  return ReadFileBytes(scratch);
}

TEST(FileNamesTest, MapsNamedInAnyScriptAreProcessed) {
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  for (const char* name : {"карта.w3x", "지도 맵.w3m", "地图 (1).w3x", "Ünïcödé map.mpq"}) {
    SCOPED_TRACE(name);
    const std::string map = dir / name;
    BuildMapArchive(map, {{"war3map.j", kScript}});
    const auto r = RunCommand(Quote(cli) + " --map " + Quote(map) + " --delete", dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(ScriptOf(map, dir / "check.j").find("local integer n = 1\r\n"), std::string::npos);
  }
}

// Points the user's state folder elsewhere for the life of the object.
class StateFolder {
 public:
#ifdef _WIN32
  static constexpr const wchar_t* kVariable = L"LOCALAPPDATA";
  explicit StateFolder(const std::string& folder) {
    if (const wchar_t* old = _wgetenv(kVariable)) saved_ = old;
    _wputenv_s(kVariable, WideFromUtf8(folder).c_str());
  }
  ~StateFolder() { _wputenv_s(kVariable, saved_.c_str()); }

 private:
  std::wstring saved_;
#else
  static constexpr const char* kVariable = "XDG_STATE_HOME";
  explicit StateFolder(const std::string& folder) {
    if (const char* old = std::getenv(kVariable)) saved_ = old;
    had_ = std::getenv(kVariable) != nullptr;
    setenv(kVariable, folder.c_str(), 1);
  }
  ~StateFolder() {
    if (had_)
      setenv(kVariable, saved_.c_str(), 1);
    else
      unsetenv(kVariable);
  }

 private:
  std::string saved_;
  bool had_ = false;
#endif
};

TEST(FileNamesTest, TheWorkingFolderFallsBackToTheUsersOwn) {
  TempDir dir;
  const std::string state = dir / "state";
  StateFolder guard(state);
#ifdef _WIN32
  const std::string expected = state + "\\ZARN";
#else
  const std::string expected = state + "/zarn";
#endif
  EXPECT_EQ(WorkingDirFor(dir.path()), dir.path()) << "a folder that can be written is used";
  const std::string missing = dir / "no-such-folder";
  EXPECT_EQ(WorkingDirFor(missing), expected);
  EXPECT_TRUE(fs::is_directory(expected));
}

#ifdef _WIN32
// Another program has the map open: while it may write, the run does not
// start; while it only reads and will not let the map be replaced, the run
// refuses at the end. The map is intact either way.
TEST(FileNamesTest, AMapHeldOpenByAnotherProgramStaysIntact) {
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  const std::string map = dir / "held.w3x";
  BuildMapArchive(map, {{"war3map.j", kScript}});
  const std::string before = ReadFileBytes(map);
  struct Holder {
    DWORD access, share;
    const char* message;
  };
  for (const Holder& holder : {Holder{GENERIC_READ | GENERIC_WRITE, 0, "The map is in use by another program"},
                               Holder{GENERIC_READ, FILE_SHARE_READ, "Error updating archive: cannot replace"}}) {
    SCOPED_TRACE(holder.message);
    HANDLE h = CreateFileW(WideFromUtf8(map).c_str(), holder.access, holder.share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
    CloseHandle(h);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find(holder.message), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
    for (const auto& entry : fs::directory_iterator(dir.path()))
      EXPECT_EQ(entry.path().string().find(".zarn-"), std::string::npos) << "left behind: " << entry.path();
  }
}
#endif

}  // namespace
}  // namespace zarn
