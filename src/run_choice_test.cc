// The desktop programs' command line: maps given alone, as a file manager
// passes them, beside the runs chosen by position.
#include "run_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

using testing_util::TempDir;

TEST(RunChoiceTest, ExistingMapsGivenAloneAreRunInTheirOrder) {
  TempDir dir;
  for (const char* name : {"a.w3x", "B.W3X", "c.Mpq", "d.w3m", "notes.txt", "w3x"})
    WriteFileBytes(dir / name, "x");
  std::filesystem::create_directory(std::filesystem::path(dir / "folder.w3x"));

  const std::vector<std::string> maps = {dir / "d.w3m", dir / "B.W3X", dir / "a.w3x", dir / "c.Mpq"};
  RunChoice choice = ChooseRun(maps);
  EXPECT_EQ(choice.kind, RunKind::kDroppedMaps);
  EXPECT_EQ(choice.map_paths, maps);
  choice = ChooseRun({dir / "B.W3X"});
  EXPECT_EQ(choice.kind, RunKind::kDroppedMaps);
  EXPECT_EQ(choice.map_paths, std::vector<std::string>{dir / "B.W3X"});

  // Anything that is not an existing map file, alone or among maps: About.
  const std::vector<std::vector<std::string>> others = {
      {dir / "notes.txt"},
      {dir / "a.w3x", dir / "notes.txt"},
      {dir / "missing.w3x"},
      {dir / "a.w3x", dir / "missing.w3x"},
      {dir / "folder.w3x"},
      {dir / "w3x"},  // the letters without the dot
      {dir / "a.w3x", "--delete"},
  };
  for (const auto& args : others) {
    SCOPED_TRACE(args.back());
    EXPECT_EQ(ChooseRun(args).kind, RunKind::kAbout);
  }
}

TEST(RunChoiceTest, TheRunsByPositionAreAsBefore) {
  TempDir dir;
  WriteFileBytes(dir / "a.w3x", "x");
  RunChoice choice = ChooseRun({"--map", dir / "a.w3x", "--delete"});
  EXPECT_EQ(choice.kind, RunKind::kProcessMap);
  EXPECT_EQ(choice.map_path, dir / "a.w3x");
  EXPECT_TRUE(choice.delete_working_files);
  EXPECT_TRUE(choice.map_paths.empty());
  EXPECT_EQ(ChooseRun({"--update", dir / "a.w3x"}).kind, RunKind::kUpdate);
  EXPECT_EQ(ChooseRun({}).kind, RunKind::kAbout);
}

}  // namespace
}  // namespace zarn
