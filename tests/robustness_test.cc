// Runs that go wrong, or run at the same time, never damage a map.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "core/pipeline.h"
#include "map/archive.h"
#include "map/map_builder.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/locks.h"
#include "testing/test_util.h"
#include "text/match_limit_error.h"
#include "text/matcher.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

std::string ScriptFor(int k) {
  return "globals\r\ninteger g" + std::to_string(k) +
         " = 0\r\nendglobals\r\n"
         "function f" +
         std::to_string(k) +
         " takes nothing returns nothing\r\n"
         "var n = " +
         std::to_string(k) + "\r\nnew timer t\r\nendfunction\r\n";
}

std::string ExtractScript(const std::string& map, const std::string& scratch) {
  NullProgress progress;
  MapArchive archive(map);
  archive.ExtractScript(scratch, progress);
  return ReadFileBytes(scratch);
}

TEST(RobustnessTest, ParallelRunsSharingWorkingFilesEachGetTheirOwnScript) {
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  const int kRuns = 6;
  for (int k = 0; k < kRuns; ++k) {
    BuildMapArchive(dir / ("m" + std::to_string(k) + ".w3x"),
                    {{"war3map.j", ScriptFor(k)}, {"war3map.w3e", std::string(5000, char('a' + k))}});
  }
  std::vector<int> codes(kRuns, -1);
  std::vector<std::thread> threads;
  for (int k = 0; k < kRuns; ++k) {
    threads.emplace_back([&, k] {
      std::string scratch = dir / ("run" + std::to_string(k));
      fs::create_directory(scratch);
      codes[k] =
          RunCommand(Quote(cli) + " --map " + Quote(dir / ("m" + std::to_string(k) + ".w3x")), scratch).exit_code;
    });
  }
  for (auto& t : threads) t.join();
  for (int k = 0; k < kRuns; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(codes[k], 0);
    std::string script = ExtractScript(dir / ("m" + std::to_string(k) + ".w3x"), dir / "check.j");
    EXPECT_NE(script.find("function f" + std::to_string(k) + " takes"), std::string::npos);
    EXPECT_NE(script.find("local integer n = " + std::to_string(k) + "\r\n"), std::string::npos);
  }
}

TEST(RobustnessTest, UnusableWorkingFolderIsReportedAndTheMapKept) {
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  std::string map = dir / "m.w3x";
  BuildMapArchive(map, {{"war3map.j", ScriptFor(1)}});
  std::string before = ReadFileBytes(map);
  // The extracted script cannot be written where it must go.
  fs::create_directory(dir / "war3map.j");
  auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir / "war3map.j"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(map), before);
  fs::remove(dir / "war3map.j");
  // The result cannot be saved.
  fs::create_directory(dir / "war3map_parsed.j");
  r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("war3map_parsed.j"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(map), before);
  fs::remove(dir / "war3map_parsed.j");
  // The lock cannot be taken.
  fs::remove(dir / "zarn.lock");
  fs::create_directory(dir / "zarn.lock");
  r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("zarn.lock"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(map), before);
}

TEST(RobustnessTest, HostileScriptsAreProcessedByTheRules) {
  struct Case {
    const char* name;
    std::string script;
  } cases[] = {
      {"high bytes", "function f takes nothing returns nothing\r\ncall BJDebugMsg(\"\xc4\xe4\xff\")\r\nendfunction"},
      {"NUL ends the script", std::string("function f takes nothing returns nothing\nendfunction\n\0var x\n", 54)},
      {"CR only", "function f takes nothing returns nothing\rvar i = 1\rendfunction\r"},
      {"LF only", "function f takes nothing returns nothing\nvar i = 1\nendfunction\n"},
      {"no line end", "function f takes nothing returns nothing var i = 1 endfunction"},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NullProgress progress;
    zarn::Run run(progress);
    BuildLanguageTables(run);
    run.lines = SplitText(c.script);
    ASSERT_NO_THROW(PreprocessScript(run));
    const Lines lines = SplitText(run.text);
    for (const std::string& line : lines) EXPECT_FALSE(line.empty());
    EXPECT_EQ(JoinLines(lines), run.text);
  }
}

TEST(RobustnessTest, RunawaySearchesStopInBoundedTime) {
  // Nested alternatives with no way to end: exponential backtracking that
  // must hit the match limit rather than run for hours or pass for "no match".
  std::string text(64, 'a');
  text += 'd';
  const auto start = std::chrono::steady_clock::now();
  Matcher m("(a|aa)*(b|c)", MatchMode::kWholeText);
  EXPECT_THROW(m.First(text), MatchLimitError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(RobustnessTest, MegabyteStatementLinesEndInBoundedTime) {
  // Many "new" on one line with no type word: processed, or refused as too
  // complex, within seconds either way.
  std::string line;
  while (line.size() < 2'000'000) line += "new r ";
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  run.lines = {"function f takes nothing returns nothing", line, "endfunction"};
  const auto start = std::chrono::steady_clock::now();
  try {
    PreprocessScript(run);
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Script too complex to process: ", 0), 0u) << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(RobustnessTest, ScriptsThatWouldGrowWithoutEndAreRefusedAndTheMapKept) {
  // Each identical statement is rewritten into a text that holds it again, and
  // "every occurrence" then takes in all the earlier rewrites: the output would
  // grow with the square of the number of statements.
  std::string globals, vars = "function f takes nothing returns nothing\r\n";
  for (int i = 0; i < 20000; ++i) globals += "global a\r\n";
  for (int i = 0; i < 20000; ++i) vars += "var a\r\nset a = b\r\n";
  vars += "endfunction\r\n";
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  for (const std::string& script : {globals, vars}) {
    std::string map = dir / "m.w3x";
    BuildMapArchive(map, {{"war3map.j", script}});
    std::string before = ReadFileBytes(map);
    auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "Script too complex to process: Parsing empty lines: WORKING...\n");
    EXPECT_EQ(ReadFileBytes(map), before);
    EXPECT_FALSE(fs::exists(dir / "war3map_parsed.j"));
  }
}

// Each case prepares the folder of a copied zarn-cli and its map, runs
// `zarn-cli --map`, and expects exit code 1, `message` in the error output,
// the map byte for byte unchanged and nothing written outside the folder.
TEST(RobustnessTest, HostileEnvironmentsEndWithAMessageAndTheMapUnchanged) {
  struct Case {
    const char* name;
    const char* message;
    void (*prepare)(const TempDir& dir, const std::string& map);
    const char* shell_prefix = "";
    bool posix_only = false;  // symbolic links and ulimit need POSIX
  };
  const Case cases[] = {
      {"missing map", "Error opening file: war3map.j", [](const TempDir&, const std::string& map) { fs::remove(map); }},
      {"not an archive", "Error opening file: war3map.j",
       [](const TempDir&, const std::string& map) { WriteFileBytes(map, "MPQ? no, just text"); }},
      {"read-only map", "read-only",
       [](const TempDir&, const std::string& map) { fs::permissions(map, fs::perms::owner_read); }},
      {"extracted script is a link", "symbolic link",
       [](const TempDir& dir, const std::string&) { fs::create_symlink(dir / "victim.txt", dir / "war3map.j"); }, "",
       true},
      {"extracted script links to the map", "symbolic link",
       [](const TempDir& dir, const std::string& map) { fs::create_symlink(map, dir / "war3map.j"); }, "", true},
      {"parsed script is a link", "symbolic link",
       [](const TempDir& dir, const std::string&) { fs::create_symlink(dir / "victim.txt", dir / "war3map_parsed.j"); },
       "", true},
      {"parsed script is the map", "the map itself",
       [](const TempDir& dir, const std::string& map) { fs::create_hard_link(map, dir / "war3map_parsed.j"); }},
      {"tool folder is a file", "Cannot write file",
       [](const TempDir& dir, const std::string&) { fs::create_directory(dir / "war3map.j"); }},
      // The copy of the map cannot be written in full, as on a full disk.
      {"file size limit", "Error updating archive", [](const TempDir&, const std::string&) {}, "ulimit -f 40; ", true},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    if (c.posix_only) continue;
#endif
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
    const std::string map = dir / "m.w3x";
    // Incompressible filler makes the map bigger than the size limit allows.
    std::mt19937 random(7);
    std::string filler(80'000, '\0');
    for (char& byte : filler) byte = static_cast<char>(random());
    BuildMapArchive(map, {{"war3map.j", ScriptFor(1)}, {"war3map.w3e", filler}});
    WriteFileBytes(dir / "victim.txt", "precious");
    c.prepare(dir, map);
    const bool exists = fs::exists(map);
    const std::string before = exists ? ReadFileBytes(map) : "";
    auto r = RunCommand(std::string(c.shell_prefix) + Quote(cli) + " --map " + Quote(map), dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (exists) { EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed"; }
    EXPECT_EQ(ReadFileBytes(dir / "victim.txt"), "precious");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_EQ(entry.path().string().find(".zarn-"), std::string::npos) << "left behind: " << entry.path();
    }
  }
}

TEST(RobustnessTest, ALockedMapIsNotWrittenAndALinkedMapIsUpdatedWhereItLives) {
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  fs::create_directory(dir / "maps");
  const std::string map = dir / "maps/real.w3x";
  BuildMapArchive(map, {{"war3map.j", ScriptFor(2)}});
  const std::string before = ReadFileBytes(map);

  // Another process holds the map: the run gives up after a short wait.
  auto held = std::make_unique<MapLock>();
  ASSERT_EQ(held->TryLock(map), MapLock::Result::kLocked);
  auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  held.reset();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("The map is in use by another program: " + map), std::string::npos) << r.err;
  EXPECT_TRUE(ReadFileBytes(map) == before);

#ifndef _WIN32
  // Through a symbolic link the map itself is updated and the link stays.
  const std::string link = dir / "link.w3x";
  fs::create_symlink(map, link);
  r = RunCommand(Quote(cli) + " --map " + Quote(link), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(ExtractScript(map, dir / "check.j").find("local integer n = 2\r\n"), std::string::npos);
#endif
}

}  // namespace
}  // namespace zarn
