#include "platform/temporary_copies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::TempDir;

TEST(TemporaryCopiesTest, OnlyTheExactNamingIsACopy) {
  const std::string map = "My Map.w3x";
  for (const char* name :
       {"My Map.w3x.zarn-b6JZpD.tmp", "My Map.w3x.zarn-b6JZpD.tmp.tmp", "My Map.w3x.zarn-000000.mp_"}) {
    EXPECT_TRUE(IsTemporaryCopyName(map, name)) << name;
  }
  for (const char* name : {
           "My Map.w3x.tmp",               // a user's own
           "My Map.w3x",                   // the map
           "My Map.w3x.zarn-b6JZp.tmp",    // five characters
           "My Map.w3x.zarn-b6JZpDx.tmp",  // seven
           "My Map.w3x.zarn-b6J.pD.tmp",   // not a letter or digit
           "My Map.w3x.zarn-b6JZpD.tmp.bak",
           "My Map.w3x.zarn-b6JZpD.tmp.tmp.tmp",
           "My Map.w3x.zarn-b6JZpD.mp_.tmp",
           "My Map.w3x.zarn-b6JZpD.TMP",
           "My Map.w3x.zarn-b6JZpD.mpq",
           "Other.w3x.zarn-b6JZpD.tmp",   // another map's
           "my map.w3x.zarn-b6JZpD.tmp",  // names are bytes
           "xMy Map.w3x.zarn-b6JZpD.tmp",
       }) {
    EXPECT_FALSE(IsTemporaryCopyName(map, name)) << name;
  }
  EXPECT_FALSE(IsTemporaryCopyName("", ".zarn-b6JZpD.tmp"));
  EXPECT_EQ(CompactionFilesOf("/maps/a.w3x.zarn-b6JZpD.tmp"),
            (std::vector<std::string>{"/maps/a.w3x.zarn-b6JZpD.tmp.tmp", "/maps/a.w3x.zarn-b6JZpD.mp_"}));
}

TEST(TemporaryCopiesTest, TheNoteCountsTheCopies) {
  EXPECT_EQ(StaleCopiesNote(2), "removed 2 temporary copies left by an earlier run");
  EXPECT_EQ(StaleCopiesNote(1), "removed 1 temporary copy left by an earlier run");
}

std::vector<std::string> SortedNames(const TempDir& dir) {
  std::vector<std::string> names = FileNamesIn(dir.path());
  std::sort(names.begin(), names.end());
  return names;
}

// Stale copies go with their compaction files; a copy a run holds stays with
// its own, and so does everything not named as a copy of this map.
TEST(TemporaryCopiesTest, RemovesWhatNoRunHoldsAndNothingElse) {
  TempDir dir;
  const std::string map = dir / "m.w3x";
  const std::vector<std::string> kept = {
      "m.w3x",
      "m.w3x.tmp",
      "m.w3x.zarn-abc.tmp",
      "m.w3x.zarn-heldAA.mp_",
      "m.w3x.zarn-heldAA.tmp.tmp",
      "m.w3x.zarn-heldAA.tmp",
      "n.w3x.zarn-abcdef.tmp",
  };
  for (const std::string& name : kept) WriteFileBytes(dir / name, "x");
  for (const char* name : {"m.w3x.zarn-stale1.tmp", "m.w3x.zarn-stale1.tmp.tmp", "m.w3x.zarn-stale2.tmp",
                           "m.w3x.zarn-stale2.mp_", "m.w3x.zarn-alone1.tmp.tmp"})
    WriteFileBytes(dir / name, "x");
  fs::create_directory(fs::path(dir / "m.w3x.zarn-folder.tmp"));
  CopyLock held;
  ASSERT_TRUE(held.Take(dir / "m.w3x.zarn-heldAA.tmp"));
  CopyLock again;
  EXPECT_FALSE(again.Take(dir / "m.w3x.zarn-heldAA.tmp")) << "a held copy is locked";

  EXPECT_EQ(RemoveStaleTemporaryCopies(map), 5u);
  std::vector<std::string> expected = kept;
  expected.push_back("m.w3x.zarn-folder.tmp");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SortedNames(dir), expected);

  held.Release();
  EXPECT_EQ(RemoveStaleTemporaryCopies(map), 3u) << "let go, the copy is stale";
  EXPECT_EQ(RemoveStaleTemporaryCopies(map), 0u);
}

TEST(TemporaryCopiesTest, AMissingFolderHasNoCopies) {
  TempDir dir;
  EXPECT_EQ(RemoveStaleTemporaryCopies(dir / "gone/m.w3x"), 0u);
  std::string reason;
  EXPECT_FALSE(SyncFileToDisk(dir / "gone.w3x", reason));
  EXPECT_FALSE(reason.empty());
  WriteFileBytes(dir / "here.w3x", "x");
  EXPECT_TRUE(SyncFileToDisk(dir / "here.w3x", reason));
}

}  // namespace
}  // namespace zarn
