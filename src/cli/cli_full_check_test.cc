// The full check through the console program: --check with the API from
// --api, from the working folder or among the files, and runs that refuse a
// script with a fault of names or types. A small API written like the
// game's files stands in for common.j and Blizzard.j.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/api_choice.h"
#include "map/map_builder.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string& kCli = testing_util::kBuiltCli;

constexpr const char* kCommon =
    "type agent extends handle\ntype widget extends agent\ntype unit extends widget\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native GetTriggerUnit takes nothing returns unit\n";
constexpr const char* kBlizzard =
    "globals\nconstant real bj_PI = 3.14159\nendglobals\n"
    "function KillTriggerUnitBJ takes nothing returns nothing\ncall KillUnit(GetTriggerUnit())\nendfunction\n";
// Valid as grammar; two faults of names and types.
constexpr const char* kFaulty =
    "function Kill takes nothing returns nothing\n"
    "call KillUnit(GetTriggerUnit(), 1)\n"
    "set bj_PI = 3\n"
    "endfunction\n";
constexpr const char* kClean = "function Kill takes nothing returns nothing\ncall KillTriggerUnitBJ()\nendfunction\n";

void WriteApi(const std::string& dir) {
  std::filesystem::create_directories(dir);
  WriteFileBytes(dir + "/common.j", kCommon);
  WriteFileBytes(dir + "/Blizzard.j", kBlizzard);
}

std::string Errors(const std::string& file) {
  return file + ":2:6: error: \"KillUnit\" takes 1 argument, 2 given\n" + file +
         ":3:5: error: cannot set constant \"bj_PI\"\n";
}

// The line after the entries that names the API the run used.
std::string Against(const std::string& api_dir) {
  return "checked against common.j and Blizzard.j in " + api_dir + "\n";
}

TEST(CliFullCheckTest, CheckWithTheApiFromAFolder) {
  TempDir dir;
  WriteApi(dir / "api");
  WriteFileBytes(dir / "bad.j", kFaulty);
  WriteFileBytes(dir / "ok.j", kClean);
  auto r = RunCommand(kCli + " --check --api " + Quote(dir / "api") + " " + Quote(dir / "bad.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, Errors(dir / "bad.j") + Against(dir / "api"));
  // Options in any order; files read in order as one program.
  r = RunCommand(kCli + " --check " + Quote(dir / "ok.j") + " --api " + Quote(dir / "api") + " " + Quote(dir / "bad.j"),
                 dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            dir / "bad.j:1:10: error: \"Kill\" is already declared\n" + Errors(dir / "bad.j") + Against(dir / "api"));
  r = RunCommand(kCli + " --api " + Quote(dir / "api") + " --check " + Quote(dir / "ok.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // A missing folder or file of the API is a bad command line.
  r = RunCommand(kCli + " --check --api " + Quote(dir / "nowhere") + " " + Quote(dir / "ok.j"), dir.path());
  EXPECT_EQ(r.exit_code, 2);
  std::remove((dir / "api/Blizzard.j").c_str());
  r = RunCommand(kCli + " --check --api " + Quote(dir / "api") + " " + Quote(dir / "ok.j"), dir.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("not found in " + dir / "api"), std::string::npos) << r.err;
}

TEST(CliFullCheckTest, StrictChecksExactlyTheFilesGiven) {
  TempDir dir;
  WriteApi(dir.path());
  WriteFileBytes(dir / "war3map.j", kFaulty);
  auto r = RunCommand(kCli + " --check --strict " + Quote(dir / "common.j") + " " + Quote(dir / "Blizzard.j") + " " +
                          Quote(dir / "war3map.j"),
                      dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, Errors(dir / "war3map.j"));
  // Alone, the script's natives are undefined.
  r = RunCommand(kCli + " --strict --check " + Quote(dir / "war3map.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), dir / "war3map.j:2:6: error: undefined function \"KillUnit\"");
}

// Without files, the newest built-in API and how to go on; files in the
// working folder come first; --no-api checks the grammar and says so.
TEST(CliFullCheckTest, TheApiInTheWorkingFolderOrTheBuiltInOneOrOnlyTheGrammar) {
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  WriteFileBytes(dir / "bad.j", kFaulty);
  auto r = RunCommand(Quote(cli) + " --check " + Quote(dir / "bad.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            Errors(dir / "bad.j") + "checked against the 2.0 API (the newest)\n" + BuiltinRefusalAdvice() + "\n");
  r = RunCommand(Quote(cli) + " --check --no-api " + Quote(dir / "bad.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, std::string(kNoApiNote) + "\n");
  WriteApi(dir.path());
  r = RunCommand(Quote(cli) + " --check " + Quote(dir / "bad.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, Errors(dir / "bad.j") + Against(dir.path()));
  for (const char* wrong : {" --api . --patch 1.32", " --no-api --patch 1.32", " --patch 1.2", " --patch x"}) {
    r = RunCommand(Quote(cli) + " --check" + wrong + " " + Quote(dir / "bad.j"), dir.path());
    EXPECT_EQ(r.exit_code, 2) << wrong;
  }
}

TEST(CliFullCheckTest, DashIsStandardInputAndOutput) {
  TempDir dir;
  WriteApi(dir / "api");
  WriteFileBytes(dir / "bad.j", kFaulty);
  auto r = RunCommand(kCli + " --check --api " + Quote(dir / "api") + " -", dir.path(), dir / "bad.j");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, Errors("-") + Against(dir / "api"));
  WriteFileBytes(dir / "in.j", kClean);
  r = RunCommand(kCli + " --no-check --out - --script -", dir.path(), dir / "in.j");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "function Kill takes nothing returns nothing\r\ncall KillTriggerUnitBJ()\r\nendfunction\r\n");
}

TEST(CliFullCheckTest, RunsWithTheApiRefuseAFaultAndLeaveTheMap) {
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  WriteApi(dir.path());
  const std::string map = dir / "m.w3x";
  BuildMapArchive(map, {{"war3map.j", kFaulty}});
  const std::string before = ReadFileBytes(map);
  auto entries = [](const std::string& file) {
    return file + ":2:6: error: \"KillUnit\" takes 1 argument, 2 given\n" + file +
           ":3:5: error: cannot set constant \"bj_PI\"\nZARN: 2 errors found!\n";
  };
  auto r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, entries(dir / "war3map.j") + Against(dir.path()));
  EXPECT_EQ(ReadFileBytes(map), before);
  // The same with --api, after the option that names the run.
  WriteFileBytes(dir / "in.j", kFaulty);
  r = RunCommand(
      kCli + " --script " + Quote(dir / "in.j") + " --api " + Quote(dir.path()) + " --out " + Quote(dir / "out.j"),
      dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, entries(dir / "in.j") + Against(dir.path()));
  BuildMapArchive(map, {{"war3map.j", kClean}});
  r = RunCommand(Quote(cli) + " --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

// The run removes comments; the "//#" lines of the script as written still
// reach the check of its result, by function name, and change no byte.
TEST(CliFullCheckTest, AnAnnotatedScriptThatChecksCleanRunsClean) {
  TempDir dir;
  WriteApi(dir / "api");
  const std::string cast =
      "function H2I takes handle h returns integer\r\n    return h\r\n    return 0\r\nendfunction\r\n"
      "function Use takes nothing returns integer\r\n    return H2I(null)   // the id\r\nendfunction\r\n";
  WriteFileBytes(dir / "plain.j", cast);
  WriteFileBytes(dir / "marked.j", "//# +rb\r\n" + cast);
  const std::string api = " --api " + Quote(dir / "api");
  auto r = RunCommand(kCli + " --check" + api + " " + Quote(dir / "marked.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = RunCommand(kCli + " --script " + Quote(dir / "marked.j") + api + " --out " + Quote(dir / "checked.j"),
                 dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = RunCommand(kCli + " --script " + Quote(dir / "marked.j") + " --no-api --out " + Quote(dir / "grammar.j"),
                 dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = RunCommand(kCli + " --script " + Quote(dir / "marked.j") + " --no-check --out " + Quote(dir / "unchecked.j"),
                 dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "checked.j"), ReadFileBytes(dir / "unchecked.j"));
  EXPECT_EQ(ReadFileBytes(dir / "grammar.j"), ReadFileBytes(dir / "unchecked.j"));
  // Without the annotation the run refuses the cast.
  r = RunCommand(kCli + " --script " + Quote(dir / "plain.j") + api + " --out " + Quote(dir / "out.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            dir / "plain.j:2:12: error: return of \"H2I\": cannot use handle as integer\nZARN: 1 error found!\n" +
                Against(dir / "api"));
}

}  // namespace
}  // namespace zarn
