// The version a map records in war3map.w3i: read through the archive worker
// for archives and from the folder for folder maps, a hostile header giving
// "unknown" and never a long read.
#include "map/map_info.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "map/map_access.h"
#include "map/map_builder.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::TempDir;

std::string Int32(std::uint32_t v) {
  return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff), static_cast<char>((v >> 16) & 0xff),
          static_cast<char>(v >> 24)};
}

std::string Header(std::uint32_t format, std::uint32_t editor, std::vector<std::uint32_t> game = {}) {
  std::string bytes = Int32(format) + Int32(7) + Int32(editor);
  for (std::uint32_t part : game) bytes += Int32(part);
  return bytes;
}

// The header a map run reads, the map opened as a run opens it.
std::string RecordOf(const std::string& map, const std::string& work) {
  NullProgress progress;
  const std::unique_ptr<MapAccess> access = OpenMap(map);
  access->ExtractScript((fs::path(work) / "war3map.j").string(), progress);
  return access->InfoHeader();
}

TEST(MapInfo, ReadsEachFormatsVersionAndCallsAnythingElseUnknown) {
  MapVersion v = ReadMapVersion(Header(28, 6114, {1, 32, 8, 16505}) + "rest of the file");
  EXPECT_EQ(v.kind, MapVersion::Kind::kGame);
  EXPECT_EQ(v.GameVersion(), "1.32.8");
  v = ReadMapVersion(Header(25, 6061));
  EXPECT_EQ(v.kind, MapVersion::Kind::kEditor);
  EXPECT_EQ(v.editor, 6061u);
  EXPECT_EQ(ReadMapVersion(Header(18, 6052)).kind, MapVersion::Kind::kEditor);
  for (const std::string& hostile :
       {std::string(), std::string(11, '\x19'), Header(28, 6114, {1, 32}), Header(26, 6061),
        Header(0xffffffff, 6061, {1, 32, 8, 0}), Header(31, 6114, {0, 0, 0, 0}),
        Header(31, 6114, {4000000000u, 1, 2, 3}), std::string(1 << 20, '\xff')})
    EXPECT_EQ(ReadMapVersion(hostile).kind, MapVersion::Kind::kUnknown) << hostile.size();
}

TEST(MapInfo, ArchivesAndFoldersGiveTheirHeaderAndNoMore) {
  TempDir dir;
  const std::string script = "function main takes nothing returns nothing\nendfunction\n";
  const std::string huge = Header(31, 6116, {1, 33, 0, 1}) + std::string(3 << 20, 'x');
  const std::string archive = dir.path() + "/a.w3x", bare = dir.path() + "/bare.w3x";
  BuildMapArchive(archive, {{"war3map.j", script}, {kMapInfoName, huge}});
  BuildMapArchive(bare, {{"war3map.j", script}});
  EXPECT_EQ(RecordOf(archive, dir.path()), huge.substr(0, kMapInfoHeaderSize));
  EXPECT_EQ(ReadFileBytes(dir.path() + "/war3map.j"), script);  // the script is not cut by the header
  EXPECT_EQ(RecordOf(bare, dir.path()), "");

  const fs::path folder = fs::path(dir.path()) / "f.w3x";
  fs::create_directory(folder);
  WriteFileBytes((folder / "war3map.j").string(), script);
  EXPECT_EQ(ReadFolderMapInfoHeader(folder.string()), "");
  WriteFileBytes((folder / kMapInfoName).string(), Header(25, 6059));
  EXPECT_EQ(RecordOf(folder.string(), dir.path()), Header(25, 6059));
  WriteFileBytes((folder / kMapInfoName).string(), huge);
  EXPECT_EQ(ReadFolderMapInfoHeader(folder.string()).size(), kMapInfoHeaderSize);
  // A link, even to a good file, and a folder of that name are not read.
  fs::remove(folder / kMapInfoName);
#ifndef _WIN32
  WriteFileBytes(dir.path() + "/elsewhere.w3i", Header(25, 6059));
  fs::create_symlink(dir.path() + "/elsewhere.w3i", folder / kMapInfoName);
  EXPECT_EQ(ReadFolderMapInfoHeader(folder.string()), "");
  fs::remove(folder / kMapInfoName);
#endif
  fs::create_directory(folder / kMapInfoName);
  EXPECT_EQ(ReadFolderMapInfoHeader(folder.string()), "");
}

TEST(MapInfo, TheCorpusMapsRecordTheirVersions) {
  const fs::path maps = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "maps";
  if (!fs::is_directory(maps)) GTEST_SKIP() << "no corpus maps at " << maps;
  const struct {
    const char* map;
    const char* recorded;  // "1.32.8", or the format and editor version
  } expected[] = {
      {"Jaccouille__Footmen-vs-Grunts-Reloaded__ExampleMap.w3x", "1.32.8"},
      {"Primaggio__Heloram-s-Kingdom__Village.w3x", "1.32.1"},
  };
  TempDir work;
  std::size_t old_formats = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(maps)) {
    if (entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const std::string name = entry.path().filename().string();
    MapVersion version;
    try {
      version = ReadMapVersion(RecordOf(entry.path().string(), work.path()));
    } catch (const Error&) {
      continue;  // a map the archive layer refuses has no record to read
    }
    const auto known =
        std::find_if(std::begin(expected), std::end(expected), [&](const auto& e) { return name == e.map; });
    if (known != std::end(expected)) {
      EXPECT_EQ(version.GameVersion(), known->recorded);
    } else {
      EXPECT_EQ(version.kind, MapVersion::Kind::kEditor);
      EXPECT_GE(version.editor, 6052u);
      EXPECT_LE(version.editor, 6061u);
      ++old_formats;
    }
  }
  EXPECT_GT(old_formats, 0u);
}

}  // namespace
}  // namespace zarn
