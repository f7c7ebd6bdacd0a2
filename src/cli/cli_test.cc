// The console front end as a user runs it.
#include <gtest/gtest.h>

#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string& kCli = testing_util::kBuiltCli;

TEST(CliTest, HelpVersionAndBadCommandLines) {
  TempDir dir;
  auto r = RunCommand(kCli + " --version", dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "0.3\n");
  r = RunCommand(kCli + " --help", dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("--script"), std::string::npos);
  for (const char* args : {"", "--map", "--map C:/maps/MAP.W3X", "--script", "--script a b"}) {
    r = RunCommand(kCli + " " + args, dir.path());
    EXPECT_EQ(r.exit_code, 2) << args;
    EXPECT_NE(r.err.find("Usage"), std::string::npos) << args;
  }
  // An unknown option names itself and points to the help, wherever it stands.
  for (const char* args : {"--bogus", "-map a.w3x", "--map a.w3x --other", "--check --other x.j"}) {
    r = RunCommand(kCli + " " + args, dir.path());
    EXPECT_EQ(r.exit_code, 2) << args;
    const std::string option = std::string(args).find("--other") != std::string::npos ? "--other"
                               : args[1] == 'm'                                       ? "-map"
                                                                                      : "--bogus";
    EXPECT_EQ(r.err, "zarn-cli: unknown option '" + option + "'\nTry 'zarn-cli --help'.\n") << args;
  }
}

TEST(CliTest, ScriptModeWritesTheResultWithCrLf) {
  TempDir dir;
  WriteFileBytes(dir / "in.j",
                 "globals\nendglobals\nfunction f takes nothing returns nothing\n  call  g( )  // hi\nendfunction");
  auto r = RunCommand(kCli + " --no-api --script " + Quote(dir / "in.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "globals\r\nendglobals\r\nfunction f takes nothing returns nothing\r\ncall g()\r\nendfunction\r\n");
  r = RunCommand(kCli + " --no-api --script " + Quote(dir / "in.j") + " --out " + Quote(dir / "out.j"), dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFileBytes(dir / "out.j").substr(0, 9), "globals\r\n");
}

TEST(CliTest, ScriptModeListsMarkersAndExitsOne) {
  TempDir dir;
  WriteFileBytes(dir / "in.j", "function f takes nothing returns nothing\nvar x = y\nvar z\nendfunction\n");
  auto r = RunCommand(kCli + " --script " + Quote(dir / "in.j"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("//!ZARN Error:var x = y\r\n"), std::string::npos);
  // Each at the user's own line, from 1, at the statement.
  EXPECT_EQ(r.err, dir / "in.j:2:1: error: Undefined type of variable\n" +
                       dir / "in.j:3:1: error: Undefined type of variable\nZARN: 2 errors found!\n");
}

TEST(CliTest, UnreadableOrUnwritableScriptFilesExitTwo) {
  TempDir dir;
  auto r = RunCommand(kCli + " --script " + Quote(dir / "missing.j"), dir.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find(dir / "missing.j"), std::string::npos);
  WriteFileBytes(dir / "in.j", "x\n");
  r = RunCommand(kCli + " --script " + Quote(dir / "in.j") + " --out " + Quote(dir / "no/such/out.j"), dir.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("no/such/out.j"), std::string::npos);
}

TEST(CliTest, MissingMapEndsWithTheOpeningError) {
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  auto r = RunCommand(Quote(cli) + " --map " + Quote(dir / "nothing.w3x"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error opening file: war3map.j (nothing.w3x does not exist)\n");
}

}  // namespace
}  // namespace zarn
