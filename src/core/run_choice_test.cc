#include "core/run_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

TEST(ChooseRunTest, RunsArePickedByPosition) {
  struct Case {
    std::vector<std::string> args;
    RunKind kind;
    bool delete_files;
  } cases[] = {
      {{}, RunKind::kAbout, false},
      {{"--map", "C:\\maps\\w3x\\notes.txt"}, RunKind::kProcessMap, false},
      {{"--map", "/x/a.mpq"}, RunKind::kProcessMap, false},
      {{"--map", "C:\\maps\\MAP.W3X"}, RunKind::kAbout, false},
      {{"--map"}, RunKind::kAbout, false},
      {{"--MAP", "a.w3m"}, RunKind::kAbout, false},
      {{"-map", "a.w3m"}, RunKind::kAbout, false},
      {{"--update", "x"}, RunKind::kUpdate, false},
      {{"--map", "a.w3x", "--delete"}, RunKind::kProcessMap, true},
      {{"--map", "a.w3x", "x", "--delete"}, RunKind::kProcessMap, false},
      {{"--map", "--delete", "a.w3x"}, RunKind::kAbout, false},
  };
  for (const Case& c : cases) {
    const RunChoice choice = ChooseRun(c.args);
    EXPECT_EQ(choice.kind, c.kind) << c.args.size();
    EXPECT_EQ(choice.delete_working_files, c.delete_files);
    if (choice.kind == RunKind::kProcessMap) EXPECT_EQ(choice.map_path, c.args[1]);
  }
}

// "--delete" and "--words" follow the map path, in either order; anywhere
// else they are not recognised.
TEST(RunChoiceTest, DeleteAndWordsFollowTheMapPathInEitherOrder) {
  struct Case {
    std::vector<std::string> args;
    RunKind kind;
    bool delete_files, words;
  } cases[] = {
      {{"--map", "a.w3x"}, RunKind::kProcessMap, false, false},
      {{"--map", "a.w3x", "--words"}, RunKind::kProcessMap, false, true},
      {{"--map", "a.w3x", "--delete", "--words"}, RunKind::kProcessMap, true, true},
      {{"--map", "a.w3x", "--words", "--delete"}, RunKind::kProcessMap, true, true},
      {{"--map", "a.w3x", "x", "--words"}, RunKind::kProcessMap, false, false},
      {{"--map", "a.w3x", "--words", "--words"}, RunKind::kProcessMap, false, true},
      {{"--map", "a.w3x", "--WORDS"}, RunKind::kProcessMap, false, false},
      {{"--words", "--map", "a.w3x"}, RunKind::kAbout, false, false},
      {{"--map", "--words", "a.w3x"}, RunKind::kAbout, false, false},
  };
  for (const Case& c : cases) {
    const RunChoice choice = ChooseRun(c.args);
    EXPECT_EQ(choice.kind, c.kind) << c.args.size();
    EXPECT_EQ(choice.delete_working_files, c.delete_files) << c.args.back();
    EXPECT_EQ(choice.words, c.words) << c.args.back();
  }
}

// Maps given alone, as a file manager passes them.
TEST(ChooseRunTest, ExistingMapsGivenAloneAreRunInTheirOrder) {
  testing_util::TempDir dir;
  for (const char* name : {"a.w3x", "B.W3X", "c.Mpq", "d.w3m", "notes.txt", "w3x"}) WriteFileBytes(dir / name, "x");
  std::filesystem::create_directory(std::filesystem::path(dir / "folder.w3x"));

  const std::vector<std::string> maps = {dir / "d.w3m", dir / "B.W3X", dir / "a.w3x", dir / "c.Mpq"};
  RunChoice choice = ChooseRun(maps);
  EXPECT_EQ(choice.kind, RunKind::kDroppedMaps);
  EXPECT_EQ(choice.map_paths, maps);
  choice = ChooseRun({dir / "B.W3X"});
  EXPECT_EQ(choice.kind, RunKind::kDroppedMaps);
  EXPECT_EQ(choice.map_paths, std::vector<std::string>{dir / "B.W3X"});
  // A map the editor saved as a folder, as Explorer passes it.
  choice = ChooseRun({dir / "folder.w3x", dir / "a.w3x"});
  EXPECT_EQ(choice.kind, RunKind::kDroppedMaps);
  EXPECT_EQ(choice.map_paths, (std::vector<std::string>{dir / "folder.w3x", dir / "a.w3x"}));

  // Anything that is not an existing map file, alone or among maps: About.
  const std::vector<std::vector<std::string>> others = {
      {dir / "notes.txt"},
      {dir / "a.w3x", dir / "notes.txt"},
      {dir / "missing.w3x"},
      {dir / "a.w3x", dir / "missing.w3x"},
      {dir / "w3x"},  // the letters without the dot
      {dir / "a.w3x", "--delete"},
  };
  for (const auto& args : others) {
    SCOPED_TRACE(args.back());
    EXPECT_EQ(ChooseRun(args).kind, RunKind::kAbout);
  }
}

}  // namespace
}  // namespace zarn
