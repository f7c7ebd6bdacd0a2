#include "core/run_choice.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zarn
