// The JASS 2 check through the console front end: --check on a plain file,
// and the check of a run's result before it goes into the map.
#include <gtest/gtest.h>

#include "core/api_choice.h"
#include "core/result_check.h"
#include "map/map_builder.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string& kCli = testing_util::kBuiltCli;

// With --no-api the check judges the grammar and says so once, first: the
// rest of the error output, after that note.
std::string AfterApiNote(const std::string& err) {
  const std::string note = std::string(kNoApiNote) + "\n";
  if (err.rfind(note, 0) != 0) return "no note in: " + err;
  return err.substr(note.size());
}

// Valid as written; the global and the flush passes break it.
constexpr const char* kBrokenByThePasses =
    "globals\n"
    "real xprate_global=1\n"
    "endglobals\n"
    "function s__StringTable_flush takes nothing returns nothing\n"
    "endfunction\n";

// Each at the user's own line in `file`: the declaration "=1" that the global
// pass moved into the globals block at the line its statement stood on.
std::string BrokenEntries(const std::string& file) {
  return file + ":2:6: error: Name \"xprate_\" ends with \"_\"\n" + file +
         ":2:1: error: Expected a type, found \"=\"\n" + file +
         ":4:1: error: Expected end of line, found \"=\"\n"
         "ZARN: 3 errors found!\n"
         "Hint: names in this script hold keywords (such as \"xprate_global\"); with --words, or a line //!words "
         "in the script, keywords count only as whole words.\n";
}

// The same script in word mode: only the first "=" of the script is spaced.
constexpr const char* kWordModeResult =
    "globals\r\nreal xprate_global = 1\r\nendglobals\r\n"
    "function s__StringTable_flush takes nothing returns nothing\r\nendfunction\r\n";

TEST(CliCheckTest, CheckModeReportsInCompilerStyle) {
  TempDir dir;
  WriteFileBytes(dir / "ok.j", kBrokenByThePasses);
  auto r = RunCommand(kCli + " --no-api --check " + Quote(dir / "ok.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(AfterApiNote(r.err), "");
  WriteFileBytes(dir / "bad.j", "function F takes nothing returns nothing\r\n  endloop\r\nendfunction\r\nx\r\n");
  r = RunCommand(kCli + " --no-api --check " + Quote(dir / "bad.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(AfterApiNote(r.err), dir / "bad.j:2:3: error: \"endloop\" without \"loop\"\n" +
                                     dir / "bad.j:4:1: error: Expected a declaration, found \"x\"\n");
  EXPECT_EQ(r.out, "");
  for (std::string args :
       {"--check " + Quote(dir / "missing.j"), std::string("--check"), "--check " + Quote(dir / "ok.j") + " --no-check",
        "--check " + Quote(dir / "ok.j") + " --words"})
    EXPECT_EQ(RunCommand(kCli + " " + args, dir.path()).exit_code, 2) << args;
  r = RunCommand(kCli + " --help", dir.path());
  EXPECT_NE(r.out.find("--check [API] [--strict] [--import-path DIR]... FILE..."), std::string::npos);
  EXPECT_NE(r.out.find("--no-check"), std::string::npos);
  EXPECT_NE(r.out.find("[API] [--words]"), std::string::npos);
  EXPECT_NE(r.out.find("//!words"), std::string::npos);
}

TEST(CliCheckTest, ScriptModeWritesABrokenResultButExitsOne) {
  TempDir dir;
  WriteFileBytes(dir / "in.j", kBrokenByThePasses);
  auto r =
      RunCommand(kCli + " --no-api --script " + Quote(dir / "in.j") + " --out " + Quote(dir / "out.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(AfterApiNote(r.err), BrokenEntries(dir / "in.j"));
  EXPECT_NE(ReadFileBytes(dir / "out.j").find("returns nothing = null\r\n"), std::string::npos);
  r = RunCommand(kCli + " --script " + Quote(dir / "in.j") + " --no-check --out " + Quote(dir / "out.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;

  // Word mode leaves the names alone, in either order of the options; the
  // input read through standard input gets the same hint.
  for (std::string args :
       {" --words --script " + Quote(dir / "in.j"), " --script " + Quote(dir / "in.j") + " --words"}) {
    r = RunCommand(kCli + args, dir.path());
    EXPECT_EQ(r.exit_code, 0) << args << r.err;
    EXPECT_EQ(r.out, kWordModeResult) << args;
  }
  r = RunCommand(kCli + " --no-api --script -", dir.path(), dir / "in.j");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(AfterApiNote(r.err), BrokenEntries("-"));
  // The output may replace the input: the hint is read before.
  r = RunCommand(kCli + " --no-api --script " + Quote(dir / "in.j") + " --out " + Quote(dir / "in.j"), dir.path());
  EXPECT_EQ(AfterApiNote(r.err), BrokenEntries(dir / "in.j"));
}

TEST(CliCheckTest, MapRunWithABrokenResultLeavesTheMapAsItWas) {
  TempDir dir;
  const std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  const std::string map = dir / "m.w3x";
  BuildMapArchive(map, {{"war3map.j", kBrokenByThePasses}});
  const std::string before = ReadFileBytes(map);
  auto r = RunCommand(Quote(cli) + " --no-api --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  // Named by the extracted script, which the refused run keeps.
  EXPECT_EQ(AfterApiNote(r.err), BrokenEntries(dir / "war3map.j"));
  EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), kBrokenByThePasses);
  EXPECT_EQ(ReadFileBytes(map), before);

  r = RunCommand(Quote(cli) + " --words --map " + Quote(map), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "war3map_parsed.j"), kWordModeResult);
  EXPECT_NE(ReadFileBytes(map), before);

  r = RunCommand(Quote(cli) + " --map " + Quote(map) + " --no-check", dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(ReadFileBytes(map), before);
}

}  // namespace
}  // namespace zarn
