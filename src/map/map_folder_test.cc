#include "map/map_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/paths.h"
#include "platform/temporary_copies.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::TempDir;

class CountingNotes : public NullProgress {
 public:
  void Note(std::string_view text) override { notes.emplace_back(text); }
  std::vector<std::string> notes;
};

class MapFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(NativePath(map_ + "/Scripts"));
    WriteFileBytes(map_ + "/war3map.j", "old\r\n");
    WriteFileBytes(map_ + "/war3map.w3i", std::string("i\0i", 3));
    WriteFileBytes(map_ + "/Scripts/war3map.j", "other\n");
    WriteFileBytes(parsed_, "new\r\n");
  }

  // Every file of the map folder with its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(NativePath(map_)))
      if (entry.is_regular_file())
        files[entry.path().lexically_relative(map_).generic_string()] = ReadFileBytes(entry.path().string());
    return files;
  }

  TempDir dir_;
  const std::string map_ = dir_ / "F.w3x";
  const std::string extracted_ = dir_ / "war3map.j";
  const std::string parsed_ = dir_ / "war3map_parsed.j";
  CountingNotes progress_;
};

TEST_F(MapFolderTest, ACleanRunReplacesTheScriptAndNothingElse) {
  auto before = Files();
  MapFolder folder(map_);
  folder.ExtractScript(extracted_, progress_);
  EXPECT_EQ(ReadFileBytes(extracted_), "old\r\n");
  folder.InsertScript(parsed_);
  before["war3map.j"] = "new\r\n";
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(OpenMap(map_)->ScriptOnDisk(), PathJoin(map_, "war3map.j"));
  EXPECT_EQ(OpenMap(map_)->ImportFolder(), dir_.path());
}

TEST_F(MapFolderTest, AFailedWriteLeavesTheFolderAsItWas) {
  const auto before = Files();
  for (InsertStep step : {InsertStep::kCopy, InsertStep::kReplace}) {
    MapFolder folder(map_);
    folder.FailAt(step);
    folder.ExtractScript(extracted_, progress_);
    EXPECT_THROW(folder.InsertScript(parsed_), EArchiveUpdate);
    EXPECT_EQ(Files(), before);
  }
#ifndef _WIN32
  // A script saved by another program during the run is not overwritten. (On
  // Windows the run's lock on the script keeps other writers out meanwhile.)
  MapFolder folder(map_);
  folder.ExtractScript(extracted_, progress_);
  WriteFileBytes(map_ + "/war3map.j", "saved meanwhile\r\n");
  EXPECT_THROW(folder.InsertScript(parsed_), EArchiveUpdate);
  EXPECT_EQ(ReadFileBytes(map_ + "/war3map.j"), "saved meanwhile\r\n");
#endif
}

TEST_F(MapFolderTest, AReadOnlyScriptIsRefused) {
  fs::permissions(NativePath(map_ + "/war3map.j"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  MapFolder folder(map_);
  folder.ExtractScript(extracted_, progress_);
  try {
    folder.InsertScript(parsed_);
    ADD_FAILURE() << "no error";
  } catch (const EArchiveUpdate& e) {
    EXPECT_EQ(std::string(e.what()),
              "Error updating archive: " + map_ + (dir_ / "").substr(dir_.path().size()) + "war3map.j is read-only");
  }
  EXPECT_EQ(ReadFileBytes(map_ + "/war3map.j"), "old\r\n");
}

TEST_F(MapFolderTest, AFolderWithoutScriptSaysSo) {
  fs::remove(NativePath(map_ + "/war3map.j"));
  MapFolder folder(map_ + "/");
  try {
    folder.ExtractScript(extracted_, progress_);
    ADD_FAILURE() << "no error";
  } catch (const ESFileOpenFileEx& e) {
    EXPECT_STREQ(e.what(), "Error opening file: war3map.j (F.w3x is a folder without war3map.j)");
  }
}

TEST_F(MapFolderTest, CopiesLeftBesideTheScriptAreRemoved) {
  WriteFileBytes(map_ + "/war3map.j.zarn-abc123.tmp", "left");
  WriteFileBytes(map_ + "/war3map.w3i.zarn-abc123.tmp", "not ours");
  MapFolder folder(map_);
  folder.ExtractScript(extracted_, progress_);
  EXPECT_EQ(progress_.notes, (std::vector<std::string>{StaleCopiesNote(1)}));
  EXPECT_FALSE(fs::exists(NativePath(map_ + "/war3map.j.zarn-abc123.tmp")));
  EXPECT_TRUE(fs::exists(NativePath(map_ + "/war3map.w3i.zarn-abc123.tmp")));
}

}  // namespace
}  // namespace zarn
