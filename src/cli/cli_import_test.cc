// Scripts kept in files and maps saved as folders, through the console
// front end.
#include <gtest/gtest.h>

#include <filesystem>

#include "map/archive.h"
#include "map/map_builder.h"
#include "platform/real_paths.h"
#include "platform/temporary_copies.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const std::string& kCli = testing_util::kBuiltCli;

const std::string kMain =
    "globals\r\nendglobals\r\n//!import \"src/util.j\"\r\nfunction main takes nothing returns nothing\r\n"
    "call util()\r\nendfunction\r\n";
const std::string kUtil = "function util takes nothing returns nothing\n  local integer i = 0\n\nendfunction\n";
const std::string kResult =
    "globals\r\nendglobals\r\nfunction util takes nothing returns nothing\r\nlocal integer i = 0\r\nendfunction\r\n"
    "function main takes nothing returns nothing\r\ncall util()\r\nendfunction\r\n";

class CliImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(NativePath(dir_ / "src"));
    WriteFileBytes(dir_ / "src/util.j", kUtil);
  }
  TempDir dir_;
};

TEST_F(CliImportTest, AScriptGetsItsImportsPasted) {
  WriteFileBytes(dir_ / "main.j", kMain);
  auto r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, kResult);
  // A file that is missing stops the run at its import line.
  WriteFileBytes(dir_ / "main.j", "//!import \"src/gone.j\"\n");
  r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, dir_ / "main.j" + ":1:1: error: cannot import \"src/gone.j\": no such file in " +
                       RealPath(dir_.path()).value() + "\nZARN: 1 error found!\n");
}

// A raw block and a //!words line in an imported file act on the whole run as
// if written in place.
TEST_F(CliImportTest, RawBlocksAndWordModeComeWithTheirFile) {
  WriteFileBytes(dir_ / "src/raw.j",
                 "//!words\n//!nozarn\nfunction raw takes nothing returns nothing\nvar x\nendfunction\n//!endnozarn\n");
  WriteFileBytes(
      dir_ / "main.j",
      "//!import \"src/raw.j\"\r\nfunction s__T_flush takes integer until returns nothing\r\nendfunction\r\n");
  auto r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j") + " --no-check", dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "function raw takes nothing returns nothing\r\nvar x\r\nendfunction\r\n"
            "function s__T_flush takes integer until returns nothing\r\nendfunction\r\n");
}

TEST_F(CliImportTest, ImportPathsReachFurtherFolders) {
  TempDir lib;
  WriteFileBytes(lib / "lib.j", "function lib takes nothing returns nothing\nendfunction\n");
  WriteFileBytes(dir_ / "main.j", "//!import \"lib.j\"\n");
  auto r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 1);
  r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j") + " --import-path " + Quote(lib.path()), dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "function lib takes nothing returns nothing\r\nendfunction\r\n");
  r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j") + " --import-path " + Quote(dir_ / "none"), dir_.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "zarn-cli: the --import-path folder does not exist: " + (dir_ / "none") + "\n");
  r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j") + " --import-path " + Quote(lib / "lib.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "zarn-cli: the --import-path " + (lib / "lib.j") + " is not a folder\n");
}

// The files of a check are one program: a file that several import, or that
// is named itself, is pasted once.
TEST_F(CliImportTest, CheckedFilesShareTheirImports) {
  WriteFileBytes(dir_ / "lib.j", "function lib takes nothing returns nothing\nendfunction\n");
  WriteFileBytes(dir_ / "a.j",
                 "//!import \"lib.j\"\nfunction a takes nothing returns nothing\ncall lib()\nendfunction\n");
  WriteFileBytes(dir_ / "b.j",
                 "//!import \"lib.j\"\nfunction b takes nothing returns nothing\ncall lib()\nendfunction\n");
  for (const auto& [first, second] : {std::pair{"a.j", "b.j"}, {"lib.j", "a.j"}, {"a.j", "lib.j"}}) {
    for (const char* mode : {" --strict", ""}) {
      auto r =
          RunCommand(kCli + " --check" + mode + " " + Quote(dir_ / first) + " " + Quote(dir_ / second), dir_.path());
      EXPECT_EQ(r.exit_code, 0) << first << " " << second << mode << ": " << r.err;
    }
  }
}

TEST_F(CliImportTest, CheckNamesTheImportedFileAndItsLine) {
  WriteFileBytes(dir_ / "src/bad.j", "function bad takes nothing returns nothing\r\n\r\n  call (\r\nendfunction\r\n");
  WriteFileBytes(dir_ / "main.j", "//!import \"src/bad.j\"\nfunction ok takes nothing returns nothing\nendfunction\n");
  auto r = RunCommand(kCli + " --check " + Quote(dir_ / "main.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 1);
  const std::string bad = RealPath(dir_ / "src/bad.j").value();
  EXPECT_NE(r.err.find(bad + ":3:8: error: "), std::string::npos) << r.err;
}

// A fault inside an imported file is reported in that file, at its own line.
TEST_F(CliImportTest, AFaultInAnImportedFileNamesThatFileAndLine) {
  WriteFileBytes(dir_ / "src/bad.j", "function bad takes nothing returns nothing\n\n  var z\nendfunction\n");
  WriteFileBytes(dir_ / "main.j", "// main\r\n//!import \"src/bad.j\"\r\n");
  auto r = RunCommand(kCli + " --script " + Quote(dir_ / "main.j"), dir_.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            RealPath(dir_ / "src/bad.j").value() + ":3:3: error: Undefined type of variable\nZARN: 1 error found!\n");
}

TEST_F(CliImportTest, AFolderMapIsTranslatedInPlace) {
  const std::string map = dir_ / "F.w3x";
  fs::create_directories(NativePath(map));
  WriteFileBytes(map + "/war3map.j", kMain);
  WriteFileBytes(map + "/war3map.w3e", std::string("\0terrain", 8));
  std::string cli = testing_util::CopyProgram("zarn-cli", dir_.path());
  auto r = RunCommand(Quote(cli) + " --map " + Quote(map) + " --no-check", dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(map + "/war3map.j"), kResult);
  EXPECT_EQ(ReadFileBytes(map + "/war3map.w3e"), std::string("\0terrain", 8));
  EXPECT_EQ(ReadFileBytes(dir_ / "war3map.j"), kMain);  // the working file, as extracted
  // "F.w3x/." is F.w3x: imports come from the folder that holds it.
  WriteFileBytes(map + "/war3map.j", kMain);
  r = RunCommand(Quote(cli) + " --map " + Quote(map + "/.") + " --no-check", dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(map + "/war3map.j"), kResult);

  // A refused run leaves the folder as it was.
  WriteFileBytes(map + "/war3map.j", "function f takes nothing returns nothing\nvar x = y\nendfunction\n");
  r = RunCommand(Quote(cli) + " --map " + Quote(map), dir_.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(ReadFileBytes(map + "/war3map.j"), "function f takes nothing returns nothing\nvar x = y\nendfunction\n");
  EXPECT_EQ(FileNamesIn(map).size(), 2u);
}

TEST_F(CliImportTest, AnArchiveMapImportsFromTheFolderThatHoldsIt) {
  BuildMapArchive(dir_ / "m.w3x", {{"war3map.j", kMain}});
  std::string cli = testing_util::CopyProgram("zarn-cli", dir_.path());
  auto r = RunCommand(Quote(cli) + " --map " + Quote(dir_ / "m.w3x") + " --no-check", dir_.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  NullProgress progress;
  MapArchive(dir_ / "m.w3x").ExtractScript(dir_ / "written.j", progress);
  EXPECT_EQ(ReadFileBytes(dir_ / "written.j"), kResult);
}

TEST_F(CliImportTest, WhatIsNoMapIsNamed) {
  std::string cli = testing_util::CopyProgram("zarn-cli", dir_.path());
  WriteFileBytes(dir_ / "x.w3x", "just text\n");
  fs::create_directories(NativePath(dir_ / "E.w3x"));
  const std::pair<std::string, std::string> cases[] = {
      {"x.w3x", "Error opening file: war3map.j (x.w3x is not a map archive)\n"},
      {"E.w3x", "Error opening file: war3map.j (E.w3x is a folder without war3map.j)\n"},
      {"none.w3x", "Error opening file: war3map.j (none.w3x does not exist)\n"},
  };
  for (const auto& [name, message] : cases) {
    auto r = RunCommand(Quote(cli) + " --map " + Quote(dir_ / name), dir_.path());
    EXPECT_EQ(r.exit_code, 1) << name;
    EXPECT_EQ(r.err, message);
  }
  EXPECT_EQ(ReadFileBytes(dir_ / "x.w3x"), "just text\n");
}

}  // namespace
}  // namespace zarn
