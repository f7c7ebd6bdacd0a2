// Runs that go wrong, or run at the same time, never damage a map.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "archive.h"
#include "errors.h"
#include "map_builder.h"
#include "pipeline.h"
#include "script.h"
#include "test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

std::string ScriptFor(int k) {
  return "globals\r\ninteger g" + std::to_string(k) + " = 0\r\nendglobals\r\n"
         "function f" + std::to_string(k) + " takes nothing returns nothing\r\n"
         "var n = " + std::to_string(k) + "\r\nnew timer t\r\nendfunction\r\n";
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
      codes[k] = RunCommand(Quote(cli) + " --map " + Quote(dir / ("m" + std::to_string(k) + ".w3x")), scratch)
                     .exit_code;
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
    for (const std::string& line : run.lines) EXPECT_FALSE(line.empty());
    EXPECT_EQ(SplitText(JoinLines(run.lines)), run.lines);
  }
}

TEST(RobustnessTest, TooComplexScriptsEndTheRunWithoutTouchingTheMap) {
  // A single line of megabytes with many "new" and no type word makes the
  // creation patterns backtrack far beyond any linear budget.
  std::string line;
  while (line.size() < 2'000'000) line += "new x ";
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  run.lines = {line};
  try {
    PreprocessScript(run);
    SUCCEED() << "processed within the limits";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Script too complex to process: ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace zarn
