#include "map/map_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/opened_files.h"
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

// Every entry of a folder, links and FIFOs included, with the bytes of the
// regular files.
std::map<std::string, std::string> Entries(const std::string& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::directory_iterator(NativePath(dir)))
    entries[entry.path().filename().string()] =
        entry.is_symlink() || !entry.is_regular_file() ? "-" : ReadFileBytes(entry.path().string());
  return entries;
}

// A symbolic link, where this system lets the test make one.
bool MadeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  fs::create_symlink(fs::path(NativePath(target)).make_preferred(), NativePath(link), error);
  return !error;
}

TEST_F(MapFolderTest, OnlyAPlainScriptIsTakenAndReplaced) {
  const std::string script = PathJoin(map_, "war3map.j");
  const std::string notes = dir_ / "notes.txt";
  WriteFileBytes(notes, "notes\n");
  auto refused = [&](const std::string& why) {
    const auto map_before = Entries(map_), outside_before = Entries(dir_.path());
    MapFolder folder(map_);
    try {
      folder.ExtractScript(extracted_, progress_);
      ADD_FAILURE() << "no error";
    } catch (const ESFileOpenFileEx& e) {
      EXPECT_EQ(std::string(e.what()), "Error opening file: war3map.j (" + script + " " + why +
                                           "; ZARN replaces only a plain war3map.j file)");
    }
    EXPECT_EQ(Entries(map_), map_before);
    EXPECT_EQ(Entries(dir_.path()), outside_before);
  };
  // A link to a file outside, or inside the folder: nothing changes anywhere.
  fs::remove(NativePath(script));
  if (MadeLink(notes, script)) {
    refused("is a link");
    fs::remove(NativePath(script));
    ASSERT_TRUE(MadeLink("Scripts/war3map.j", script));
    refused("is a link");
    fs::remove(NativePath(script));
  } else {
    std::cerr << "links cannot be made here: a linked war3map.j not tried\n";
  }
  // A FIFO or a folder is refused at once, without waiting.
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(script.c_str(), 0600), 0);
  refused("is not a regular file");
  fs::remove(NativePath(script));
#endif
  fs::create_directories(NativePath(script));
  refused("is not a regular file");
  fs::remove(NativePath(script));

  // A hard link: the run replaces the folder's name only; the outside name
  // keeps the old bytes.
  WriteFileBytes(script, "old\r\n");
  fs::create_hard_link(NativePath(script), NativePath(dir_ / "twin.j"));
  MapFolder folder(map_);
  folder.ExtractScript(extracted_, progress_);
  folder.InsertScript(parsed_);
  EXPECT_EQ(ReadFileBytes(script), "new\r\n");
  EXPECT_EQ(ReadFileBytes(dir_ / "twin.j"), "old\r\n");
}

#ifndef _WIN32
class SwapAfterJudging : public OpenedFileHook {
 public:
  explicit SwapAfterJudging(std::string outside) : outside_(std::move(outside)) {}
  void Judged(const std::string& path) override {
    fs::remove(NativePath(path));
    if (outside_.empty())
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else
      fs::create_symlink(NativePath(outside_), NativePath(path));
  }

 private:
  std::string outside_;
};

TEST_F(MapFolderTest, AScriptSwappedAfterJudgingIsNeitherReadNorWrittenThrough) {
  const std::string notes = dir_ / "notes.txt";
  WriteFileBytes(notes, "notes\n");
  for (const std::string& outside : {notes, std::string()}) {  // a link, then a FIFO
    WriteFileBytes(map_ + "/war3map.j.new", "old\r\n");
    fs::remove(NativePath(map_ + "/war3map.j"));
    fs::rename(NativePath(map_ + "/war3map.j.new"), NativePath(map_ + "/war3map.j"));
    SwapAfterJudging swap(outside);
    OpenedFileHookRegistration registered(swap);
    MapFolder folder(map_);
    folder.ExtractScript(extracted_, progress_);
    EXPECT_EQ(ReadFileBytes(extracted_), "old\r\n");
    try {
      folder.InsertScript(parsed_);
      ADD_FAILURE() << "no error";
    } catch (const EArchiveUpdate& e) {
      EXPECT_NE(std::string(e.what()).find("was changed by another program during the run"), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(notes), "notes\n");
    EXPECT_EQ(Entries(map_).size(), 3u);  // nothing left beside war3map.j
  }
}
#endif

}  // namespace
}  // namespace zarn
