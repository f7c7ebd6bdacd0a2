#include "map/archive.h"

#include <StormLib.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "map/archive_search.h"
#include "map/map_builder.h"
#include "map/mpq_tables.h"
#include "map/storm_path.h"
#include "platform/paths.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  std::string operator/(const std::string& name) const { return (fs::path(dir_.path()) / name).string(); }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) names.insert(entry.path().filename().string());
    return names;
  }

 private:
  testing_util::TempDir dir_;
};

struct OpenMap {
  explicit OpenMap(const std::string& path) {
    if (!SFileOpenArchive(StormPath(path).c_str(), 0, MPQ_OPEN_READ_ONLY, &handle)) handle = nullptr;
  }
  ~OpenMap() {
    if (handle) SFileCloseArchive(handle);
  }
  HANDLE handle = nullptr;
};

struct RecordingProgress : ProgressReporter {
  void SetProgress(std::string_view text, int value) override {
    reports.push_back(std::string(text) + "@" + std::to_string(value));
  }
  void SetFunctionName(std::string_view, bool) override {}
  std::vector<std::string> reports;
};

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>("function x\r\n"[i % 12] + (i / 997) % 3);
  return s;
}

const std::vector<MapFile> kMapFiles = {
    {"war3map.j", "function main takes nothing returns nothing\r\nendfunction\r\n"},
    {"war3map.w3e", std::string("W3E!\0\x01\x02\xff", 8) + Pattern(9000)},
    {"war3map.w3i", std::string(300, '\x7f')},
    {"Units\\war3mapUnits.doo", Pattern(20)},
};

// Rewrites the block table entry of `name` through the independent reader.
void PatchBlock(const std::string& path, const std::string& name, void (*edit)(MpqBlockEntry&)) {
  auto tables = ReadMpqTables(path);
  ASSERT_TRUE(tables);
  auto index = tables->FindIndex(name);
  ASSERT_TRUE(index);
  edit(tables->blocks[*index]);
  std::vector<std::uint32_t> words;
  for (const MpqBlockEntry& b : tables->blocks)
    words.insert(words.end(), {b.offset, b.compressed_size, b.file_size, b.flags});
  MpqEncrypt(words, MpqHashString("(block table)", MpqHashType::kFileKey));
  std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(static_cast<std::streamoff>(tables->block_table_offset));
  for (std::uint32_t w : words) {
    char le[4] = {char(w), char(w >> 8), char(w >> 16), char(w >> 24)};
    out.write(le, 4);
  }
}

TEST(ArchiveTest, ReadBufferSizeFollowsTheSectorExponent) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {{0, 512},          {1, 1024},  {3, 4096},  {5, 16384},
                                                           {22, 0x80000000u}, {23, 4096}, {24, 4096}, {65535, 4096}};
  for (auto [exponent, size] : cases) EXPECT_EQ(ReadBufferSize(exponent), size) << "exponent " << exponent;
}

TEST(ArchiveTest, ReadsInSectorSizedPieces) {
  struct Case {
    std::uint16_t shift;
    std::size_t size;
    std::vector<std::uint32_t> pieces;
  };
  const Case cases[] = {
      {3, 10000, {4096, 4096, 1808}},  // the usual 4096-byte sectors
      {3, 8192, {4096, 4096}},         // exact multiple: last piece is whole
      {1, 3000, {1024, 1024, 952}},   {5, 10000, {10000}}, {3, 0, {}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string script = Pattern(c.size);
    BuildMapArchive(dir / "map.w3x", {{"war3map.j", script}}, {c.shift, true});
    OpenMap map(dir / "map.w3x");
    std::vector<std::uint32_t> pieces;
    EXPECT_EQ(ReadArchiveFile(map.handle, "war3map.j", 0, &pieces), script) << "shift " << c.shift;
    EXPECT_EQ(pieces, c.pieces) << "shift " << c.shift << ", size " << c.size;
  }
}

TEST(ArchiveTest, ExtractWritesTheScriptAndReportsBothStages) {
  TempDir dir;
  for (std::size_t size : {std::size_t{10000}, std::size_t{0}}) {
    const std::string script = Pattern(size);
    BuildMapArchive(dir / "map.w3x", {{"war3map.j", script}, kMapFiles[1]});
    RecordingProgress progress;
    MapArchive(dir / "map.w3x").ExtractScript(dir / "war3map.j", progress);
    EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), script);
    EXPECT_EQ(progress.reports,
              (std::vector<std::string>{"Opening archive: WORKING...@10", "Extracting script: WORKING...@20"}));
  }
}

TEST(ArchiveTest, ExtractFailuresLeaveAnEmptyScriptAndTheMapUnchanged) {
  TempDir dir;
  BuildMapArchive(dir / "noscript.w3x", {kMapFiles[1]});
  WriteFileBytes(dir / "text.w3x", "not an archive at all");
  // Each gives the reason after "Error opening file: war3map.j".
  const std::map<std::string, std::string> reasons = {{"missing.w3x", "missing.w3x does not exist"},
                                                      {"text.w3x", "text.w3x is not a map archive"},
                                                      {"noscript.w3x", "noscript.w3x holds no war3map.j"}};
  for (const char* name : {"missing.w3x", "text.w3x", "noscript.w3x"}) {
    const std::string map = dir / name;
    const bool exists = fs::exists(map);
    const std::string before = exists ? ReadFileBytes(map) : "";
    NullProgress progress;
    try {
      MapArchive(map).ExtractScript(dir / "war3map.j", progress);
      ADD_FAILURE() << name << ": no error";
    } catch (const ESFileOpenFileEx& e) {
      EXPECT_EQ(std::string(e.what()), "Error opening file: war3map.j (" + reasons.at(name) + ")");
    }
    EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), "") << name;
    EXPECT_EQ(fs::exists(map), exists);
    if (exists) { EXPECT_TRUE(ReadFileBytes(map) == before) << name << ": map changed"; }
  }
}

#ifndef _WIN32
// Reading a FIFO or a device could wait for ever while the run holds the
// working folder's lock: they are refused before anything reads them.
TEST(ArchiveTest, AMapThatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir / "fifo.w3x";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& map : {fifo, std::string("/dev/zero")}) {
    NullProgress progress;
    try {
      MapArchive(map).ExtractScript(dir / "war3map.j", progress);
      ADD_FAILURE() << map << ": no error";
    } catch (const ESFileOpenFileEx& e) {
      EXPECT_EQ(std::string(e.what()), "Error opening file: war3map.j (" + FileName(map) + " is not a regular file)");
    }
    EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), "") << map;
  }
}
#endif

TEST(ArchiveTest, ExtractNamesADiskPathThatCannotBeCreated) {
  TempDir dir;
  BuildMapArchive(dir / "map.w3x", kMapFiles);
  NullProgress progress;
  const std::string target = dir / "no-such-folder/war3map.j";
  try {
    MapArchive(dir / "map.w3x").ExtractScript(target, progress);
    FAIL() << "no error";
  } catch (const FileError& e) { EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what(); }
}

TEST(ArchiveTest, RefusesSizesBeforeAllocating) {
  TempDir dir;
  const std::string map = dir / "map.w3x";
  struct Case {
    const char* expected;
    void (*edit)(MpqBlockEntry&);
  };
  const Case cases[] = {
      {"too large", [](MpqBlockEntry& b) { b.file_size = kMaxArchiveFileSize + 1; }},
      // Far more sectors than the stored data has room to describe.
      {"cannot hold", [](MpqBlockEntry& b) { b.file_size = 200u << 20; }},
  };
  for (const Case& c : cases) {
    BuildMapArchive(map, kMapFiles);
    PatchBlock(map, "war3map.j", c.edit);
    OpenMap open(map);
    ASSERT_TRUE(open.handle);
    try {
      ReadArchiveFile(open.handle, "war3map.j", 0);
      ADD_FAILURE() << c.expected << ": no error";
    } catch (const Error& e) { EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what(); }
  }
}

// Headers that would make the archive library allocate gigabytes or overrun
// its buffers are refused before it sees them, like any non-archive.
TEST(ArchiveTest, ImplausibleHeadersAreRefusedBeforeTheLibrarySeesThem) {
  struct Case {
    const char* name;
    std::size_t offset;  // of a little-endian field in the MPQ header
    std::uint32_t value;
    int width;
  };
  const Case cases[] = {
      {"hash table of 2^32 entries", 24, 0xFFFFFFFFu, 4},
      {"block table of 2^28 entries", 28, 0x10000000u, 4},
      {"sector size exponent 32771", 14, 32771, 2},
  };
  TempDir dir;
  const std::string map = dir / "map.w3x";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildMapArchive(map, kMapFiles);
    const auto header = ReadMpqTables(map)->header_offset;
    {
      std::fstream out(map, std::ios::in | std::ios::out | std::ios::binary);
      out.seekp(static_cast<std::streamoff>(header + c.offset));
      char le[4] = {char(c.value), char(c.value >> 8), char(c.value >> 16), char(c.value >> 24)};
      out.write(le, c.width);
    }
    EXPECT_TRUE(ImplausibleMpqTables(map));
    const std::string before = ReadFileBytes(map);
    NullProgress progress;
    EXPECT_THROW(MapArchive(map).ExtractScript(dir / "war3map.j", progress), ESFileOpenFileEx);
    EXPECT_TRUE(ReadFileBytes(map) == before);
  }
  for (auto edit :
       {+[](MpqBlockEntry& b) { b.compressed_size = 1u << 30; }, +[](MpqBlockEntry& b) { b.flags |= kMpqFilePatch; }}) {
    BuildMapArchive(map, kMapFiles);
    PatchBlock(map, "war3map.j", edit);
    EXPECT_TRUE(ImplausibleMpqTables(map));
  }
  BuildMapArchive(map, kMapFiles);
  EXPECT_FALSE(ImplausibleMpqTables(map)) << "a sound map passes";
}

// Rewrites the first entry of the sector offset table of `name` (a
// compressed multi-sector file). The table is read as stored (encrypted when
// `was_encrypted`) and written encrypted when the block's flags now say so.
void SetFirstSectorOffset(const std::string& path, const std::string& name, std::uint32_t first, bool was_encrypted) {
  auto tables = ReadMpqTables(path);
  ASSERT_TRUE(tables);
  auto block = tables->Find(name);
  ASSERT_TRUE(block);
  std::uint32_t key = MpqHashString(name, MpqHashType::kFileKey);
  if (block->flags & 0x00020000) key = (key + block->offset) ^ block->file_size;  // the key fixed to the block
  const std::uint32_t sector_size = 512u << tables->sector_size_shift;
  std::vector<std::uint32_t> words((block->file_size - 1) / sector_size + 2);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  const auto at = static_cast<std::streamoff>(tables->header_offset + block->offset);
  file.seekg(at);
  for (std::uint32_t& w : words) {
    unsigned char le[4];
    file.read(reinterpret_cast<char*>(le), 4);
    w = std::uint32_t(le[0]) | std::uint32_t(le[1]) << 8 | std::uint32_t(le[2]) << 16 | std::uint32_t(le[3]) << 24;
  }
  if (was_encrypted) MpqDecrypt(words, key - 1);
  words[0] = first;
  if (block->flags & kMpqFileEncrypted) MpqEncrypt(words, key - 1);
  file.seekp(at);
  for (std::uint32_t w : words) {
    char le[4] = {char(w), char(w >> 8), char(w >> 16), char(w >> 24)};
    file.write(le, 4);
  }
}

// Damaged archives (shapes the fuzzer found) that made the archive library
// read or write past its buffers are refused like any non-archive, and the
// nearby sound shapes still extract.
TEST(ArchiveTest, FuzzFindingsAreRefusedCleanly) {
  TempDir dir;
  const std::string map = dir / "map.w3x";
  const std::string script = Pattern(10000);  // three sectors of 4096 bytes
  const std::uint32_t table = 4 * 4;          // their offsets and the end
  struct Case {
    const char* name;
    std::function<void()> damage;
    bool refused;       // before the library sees the map
    const char* error;  // what extraction reports, "" for none
  };
  const char* kRefusal = "Error opening file: war3map.j (map.w3x is a damaged map archive)";
  const Case cases[] = {
      {"sector size exponent 17",
       [&] {
         std::fstream out(map, std::ios::in | std::ios::out | std::ios::binary);
         out.seekp(static_cast<std::streamoff>(ReadMpqTables(map)->header_offset + 14));
         out.write("\x11\x00", 2);
       },
       true, kRefusal},
      {"script data past the end",
       [&] { PatchBlock(map, "war3map.j", [](MpqBlockEntry& b) { b.compressed_size = 1u << 30; }); }, true, kRefusal},
      {"patch file", [&] { PatchBlock(map, "war3map.j", [](MpqBlockEntry& b) { b.flags |= kMpqFilePatch; }); }, true,
       kRefusal},
      // The library takes hash tables of any size; so must the checks.
      {"patch file beside a hash table of 33 entries",
       [&] {
         PatchBlock(map, "war3map.j", [](MpqBlockEntry& b) { b.flags |= kMpqFilePatch; });
         std::fstream out(map, std::ios::in | std::ios::out | std::ios::binary);
         out.seekp(static_cast<std::streamoff>(ReadMpqTables(map)->header_offset + 24));
         out.write("\x21\x00\x00\x00", 4);
       },
       true, kRefusal},
      // The library rereads the table at the length its first entry gives,
      // into a buffer of whole entries.
      {"script's table length not whole entries", [&] { SetFirstSectorOffset(map, "war3map.j", table + 3, false); },
       true, kRefusal},
      {"encrypted script's table length not whole entries",
       [&] {
         PatchBlock(map, "war3map.j", [](MpqBlockEntry& b) { b.flags |= kMpqFileEncrypted; });
         SetFirstSectorOffset(map, "war3map.j", table + 1, false);
       },
       true, kRefusal},
      // Read on opening the map, encrypted with a key fixed to its block.
      {"list file's table length not whole entries", [&] { SetFirstSectorOffset(map, "(listfile)", 2 * 4 + 2, true); },
       true, kRefusal},
      {"list file's table rewritten soundly", [&] { SetFirstSectorOffset(map, "(listfile)", 2 * 4, true); }, false, ""},
      // A longer table of whole entries is read safely; the library then
      // finds the first sector misplaced and says so itself.
      {"longer table of whole entries", [&] { SetFirstSectorOffset(map, "war3map.j", table + 4, false); }, false,
       "Error reading file"},
      // The library asserts on a sector packed "with LZMA alone" in a map's
      // archive format.
      {"script sector marked as packed with LZMA alone",
       [&] {
         const MpqTables tables = *ReadMpqTables(map);
         const MpqBlockEntry block = *tables.Find("war3map.j");
         std::fstream io(map, std::ios::in | std::ios::out | std::ios::binary);
         unsigned char second[4];
         io.seekg(static_cast<std::streamoff>(tables.header_offset + block.offset + 4));
         io.read(reinterpret_cast<char*>(second), 4);
         io.seekp(static_cast<std::streamoff>(tables.header_offset + block.offset + second[0] + (second[1] << 8)));
         io.write("\x12", 1);
       },
       true, kRefusal},
      {"undamaged", [] {}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildMapArchive(map, {{"war3map.j", script}, kMapFiles[1]});
    c.damage();
    EXPECT_EQ(ImplausibleMpqTables(map).has_value(), c.refused);
    const std::string before = ReadFileBytes(map);
    NullProgress progress;
    try {
      MapArchive(map).ExtractScript(dir / "war3map.j", progress);
      EXPECT_STREQ(c.error, "") << "no error";
      EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), script);
    } catch (const Error& e) { EXPECT_STREQ(e.what(), c.error); }
    EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
  }
}

// The checks above must never refuse a real map.
TEST(ArchiveTest, CorpusMapsAreNotImplausible) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "maps";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no map corpus at " << corpus;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".w3x" && ext != ".w3m") continue;
    auto reason = ImplausibleMpqTables(entry.path().string());
    EXPECT_FALSE(reason) << entry.path() << ": " << *reason;
  }
}

// Read as format 1 with the game's header search, every real map, protected
// ones too, gives the script the library gave when left to its own rules.
TEST(ArchiveTest, CorpusMapsGiveTheSameScriptAsBefore) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "maps";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no map corpus at " << corpus;
  TempDir dir;
  int maps = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".w3x" && ext != ".w3m") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++maps;
    const std::string map = entry.path().string();
    const ArchiveSearch search = SearchArchiveHeader(map);
    EXPECT_EQ(search.refusal, "");
    ASSERT_TRUE(search.header_offset);
    EXPECT_EQ(*search.header_offset, ReadMpqTables(map)->header_offset);
    OpenMap library_rules(map);
    ASSERT_TRUE(library_rules.handle);
    NullProgress progress;
    MapArchive(map).ExtractScript(dir / "war3map.j", progress);
    EXPECT_TRUE(ReadFileBytes(dir / "war3map.j") == ReadArchiveFile(library_rules.handle, "war3map.j", 0));
  }
  EXPECT_GT(maps, 0);
}

TEST(ArchiveTest, AMapChangedDuringTheRunIsNotOverwritten) {
  TempDir dir;
  const std::string map = dir / "map.w3x";
  BuildMapArchive(map, kMapFiles);
  WriteFileBytes(dir / "war3map_parsed.j", "function main takes nothing returns nothing\r\nendfunction\r\n");
  MapArchive archive(map);
  NullProgress progress;
  archive.ExtractScript(dir / "war3map.j", progress);
  // Another program saves the map meanwhile.
  BuildMapArchive(dir / "saved.w3x", {{"war3map.j", "// saved by the editor\r\n"}, kMapFiles[1]});
#ifdef _WIN32
  // There the run's hold on the map keeps it from being replaced at all.
  std::error_code refused;
  fs::rename(dir / "saved.w3x", map, refused);
  EXPECT_TRUE(refused) << "another program replaced a map held by the run";
  if (refused) return;
#endif
  fs::rename(dir / "saved.w3x", map);
  const std::string saved = ReadFileBytes(map);
  try {
    archive.InsertScript(dir / "war3map_parsed.j");
    ADD_FAILURE() << "no error";
  } catch (const EArchiveUpdate& e) {
    EXPECT_NE(std::string(e.what()).find("was changed by another program"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(ReadFileBytes(map) == saved);
}

// What a clean insertion must leave: the new script stored deflate-compressed,
// no "(attributes)" in the tables, other files as they were, a complete list
// file and no dead space.
void ExpectInserted(const std::string& map, const std::string& script, const std::vector<MapFile>& others) {
  auto tables = ReadMpqTables(map);
  ASSERT_TRUE(tables);
  EXPECT_FALSE(tables->Find("(attributes)"));
  auto block = tables->Find("war3map.j");
  ASSERT_TRUE(block);
  EXPECT_TRUE(block->flags & kMpqFileCompress);
  EXPECT_EQ(block->file_size, script.size());
  EXPECT_EQ(FirstSectorCompression(map, *tables, *block), std::optional<std::uint8_t>(0x02));

  OpenMap open(map);
  ASSERT_TRUE(open.handle);
  EXPECT_EQ(ReadArchiveFile(open.handle, "war3map.j", 0), script);
  std::set<std::string> expected_names{"war3map.j"};
  for (const MapFile& f : others) {
    if (f.name == "war3map.j") continue;
    EXPECT_EQ(ReadArchiveFile(open.handle, f.name, 0), f.bytes) << f.name;
    expected_names.insert(f.name);
  }
  std::set<std::string> listed;
  for (const std::string& line : SplitText(ReadArchiveFile(open.handle, "(listfile)", 0))) {
    if (!line.empty()) listed.insert(line);
  }
  EXPECT_EQ(listed, expected_names);

  std::uint64_t used = 32 + 16 * (tables->hashes.size() + tables->blocks.size());
  std::size_t existing = 0;
  for (const MpqBlockEntry& b : tables->blocks) {
    if (b.flags & kMpqFileExists) {
      used += b.compressed_size;
      ++existing;
    }
  }
  EXPECT_EQ(existing, expected_names.size() + 1);  // the list file itself
  EXPECT_EQ(fs::file_size(map), tables->header_offset + used) << "compacted without gaps";
}

TEST(ArchiveTest, InsertReplacesTheScriptAndDropsAttributes) {
  const std::string parsed_script = Pattern(12345);
  for (bool attributes : {true, false}) {
    for (std::uint16_t shift : {std::uint16_t{1}, std::uint16_t{3}, std::uint16_t{5}}) {
      SCOPED_TRACE("attributes " + std::to_string(attributes) + ", shift " + std::to_string(shift));
      TempDir dir;
      const std::string map = dir / "map.w3x";
      BuildMapArchive(map, kMapFiles, {shift, attributes});
      ASSERT_EQ(ReadMpqTables(map)->Find("(attributes)").has_value(), attributes);
#ifndef _WIN32
      ::chmod(map.c_str(), 0640);
#endif
      WriteFileBytes(dir / "war3map_parsed.j", parsed_script);

      MapArchive archive(map);
      NullProgress progress;
      archive.ExtractScript(dir / "war3map.j", progress);
      archive.InsertScript(dir / "war3map_parsed.j");

      ExpectInserted(map, parsed_script, kMapFiles);
#ifndef _WIN32
      struct stat st {};
      ASSERT_EQ(::stat(map.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
      EXPECT_EQ(dir.Names(), (std::set<std::string>{"map.w3x", "war3map.j", "war3map_parsed.j"}));
    }
  }
}

// Expects InsertScript to fail with EArchiveUpdate, leaving `map` (and the
// folder) as it was.
void ExpectRefused(MapArchive& archive, const TempDir& dir, const std::string& parsed, const std::string& what) {
  const std::string map = archive.path();
  const bool exists = fs::exists(map);
  const std::string before = exists ? ReadFileBytes(map) : "";
  const std::set<std::string> names = dir.Names();
  try {
    archive.InsertScript(parsed);
    ADD_FAILURE() << what << ": no error";
  } catch (const EArchiveUpdate& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error updating archive: ", 0), 0u) << e.what();
  }
  if (exists) { EXPECT_TRUE(ReadFileBytes(map) == before) << what << ": map changed"; }
  EXPECT_EQ(dir.Names(), names) << what << ": no file left behind";
}

TEST(ArchiveTest, InsertRefusalsLeaveTheMapUnchanged) {
  TempDir dir;
  WriteFileBytes(dir / "war3map_parsed.j", "function main takes nothing returns nothing\r\nendfunction\r\n");
  BuildMapArchive(dir / "noscript.w3x", {kMapFiles[1]});
  WriteFileBytes(dir / "text.w3x", "not an archive at all");
  BuildMapArchive(dir / "readonly.w3x", kMapFiles);
  // Tests run as root, where write permission is not enforced; the map's
  // missing write bits still count as read-only.
  fs::permissions(dir / "readonly.w3x", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  BuildMapArchive(dir / "map.w3x", kMapFiles);
  const std::pair<const char*, const char*> cases[] = {
      {"missing.w3x", "war3map_parsed.j"},  {"text.w3x", "war3map_parsed.j"}, {"noscript.w3x", "war3map_parsed.j"},
      {"readonly.w3x", "war3map_parsed.j"}, {"map.w3x", "no-such-parsed.j"},
  };
  for (auto [map, parsed] : cases) {
    MapArchive archive(dir / map);
    ExpectRefused(archive, dir, dir / parsed, map);
  }
}

TEST(ArchiveTest, AFailureInAnyInsertionStepLeavesTheMapUnchanged) {
  TempDir dir;
  WriteFileBytes(dir / "war3map_parsed.j", Pattern(5000));
  BuildMapArchive(dir / "map.w3x", kMapFiles);
  for (InsertStep step : {InsertStep::kCopy, InsertStep::kOpen, InsertStep::kDeleteAttributes, InsertStep::kAddScript,
                          InsertStep::kCompact, InsertStep::kClose, InsertStep::kVerify, InsertStep::kReplace}) {
    MapArchive archive(dir / "map.w3x");
    archive.FailAt(step);
    ExpectRefused(archive, dir, dir / "war3map_parsed.j", "step " + std::to_string(int(step)));
  }
}

using testing_util::BuiltProgram;
using testing_util::Quote;

int RunCommand(const std::string& command, const std::string& dir) {
  return testing_util::RunCommand(command, dir).exit_code;
}

TEST(ArchiveTest, MkmapAndCliRoundTrip) {
  if (!fs::exists(BuiltProgram("zarn-mkmap"))) GTEST_SKIP() << "zarn-mkmap not built";
  TempDir dir;
  const std::string script = "function main takes nothing returns nothing\r\nendfunction\r\n";
  WriteFileBytes(dir / "in.j", script);
  WriteFileBytes(dir / "terrain.bin", kMapFiles[1].bytes);
  const std::string map = dir / "map.w3x";
  ASSERT_EQ(RunCommand(Quote(BuiltProgram("zarn-mkmap")) + " --sector-shift 5 " + Quote(map) + " " +
                           Quote(dir / "in.j") + " " + Quote(dir / "terrain.bin") + "=war3map.w3e",
                       dir / ""),
            0);
  auto tables = ReadMpqTables(map);
  ASSERT_TRUE(tables);
  EXPECT_EQ(tables->sector_size_shift, 5);
  EXPECT_TRUE(tables->Find("(attributes)"));
  EXPECT_TRUE(tables->Find("war3map.w3e"));

  const std::string cli = testing_util::CopyProgram("zarn-cli", dir / "");
  for (bool remove : {false, true}) {
    SCOPED_TRACE(remove ? "--delete" : "keep working files");
    const std::string before = ReadFileBytes(map);
    int code = RunCommand(Quote(cli) + " --map " + Quote(map) + (remove ? " --delete" : ""), dir / "");
    ASSERT_TRUE(code == 0 || code == 1) << ReadFileBytes(dir / "stderr.txt");
    if (code == 1) {
      EXPECT_TRUE(ReadFileBytes(map) == before) << "a run with markers leaves the map alone";
      continue;
    }
    EXPECT_FALSE(ReadMpqTables(map)->Find("(attributes)"));
    EXPECT_EQ(fs::exists(dir / "war3map.j"), !remove);
    EXPECT_EQ(fs::exists(dir / "war3map_parsed.j"), !remove);
    if (!remove) {
      EXPECT_EQ(ReadFileBytes(dir / "war3map.j"), script);
      OpenMap open(map);
      EXPECT_EQ(ReadArchiveFile(open.handle, "war3map.j", 0), ReadFileBytes(dir / "war3map_parsed.j"));
      EXPECT_EQ(ReadArchiveFile(open.handle, "war3map.w3e", 0), kMapFiles[1].bytes);
    }
  }
}

// Real maps: extract, then insert a slightly changed script into a copy.
// Refusals are reported, not failed, but must leave the copy unchanged.
TEST(ArchiveTest, CorpusMapsRoundTrip) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "maps";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no map corpus at " << corpus;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".w3x" && ext != ".w3m") continue;
    SCOPED_TRACE(entry.path().filename().string());
    TempDir dir;
    const std::string map = dir / ("map" + ext);
    fs::copy_file(entry.path(), map);
    fs::permissions(map, fs::perms::owner_write, fs::perm_options::add);
    MapArchive archive(map);
    NullProgress progress;
    std::string outcome = "ok";
    try {
      archive.ExtractScript(dir / "war3map.j", progress);
      const std::string script = ReadFileBytes(dir / "war3map.j") + "// zarn\r\n";
      WriteFileBytes(dir / "war3map_parsed.j", script);
      const std::string before = ReadFileBytes(map);
      try {
        archive.InsertScript(dir / "war3map_parsed.j");
        OpenMap open(map);
        EXPECT_EQ(ReadArchiveFile(open.handle, "war3map.j", 0), script);
        auto tables = ReadMpqTables(map);
        if (tables) { EXPECT_FALSE(tables->Find("(attributes)")); }
      } catch (const EArchiveUpdate& e) {
        outcome = e.what();
        EXPECT_TRUE(ReadFileBytes(map) == before) << "map changed";
      }
    } catch (const Error& e) {
      outcome = std::string("extraction: ") + e.what();
      EXPECT_TRUE(ReadFileBytes(map) == ReadFileBytes(entry.path().string())) << "map changed";
    }
    std::cout << "[ corpus ] " << entry.path().filename().string() << ": " << outcome << "\n";
  }
}

TEST(MpqTablesTest, HashesMatchTheFormatsKnownKeys) {
  EXPECT_EQ(MpqHashString("(hash table)", MpqHashType::kFileKey), 0xC3AF3770u);
  EXPECT_EQ(MpqHashString("(block table)", MpqHashType::kFileKey), 0xEC83B3A3u);
  EXPECT_EQ(MpqHashString("units/a.doo", MpqHashType::kNameA), MpqHashString("UNITS\\A.DOO", MpqHashType::kNameA));
  std::vector<std::uint32_t> words{1, 2, 0xFFFFFFFF, 0};
  MpqEncrypt(words, 0x12345678);
  EXPECT_NE(words, (std::vector<std::uint32_t>{1, 2, 0xFFFFFFFF, 0}));
  MpqDecrypt(words, 0x12345678);
  EXPECT_EQ(words, (std::vector<std::uint32_t>{1, 2, 0xFFFFFFFF, 0}));
}

}  // namespace
}  // namespace zarn
