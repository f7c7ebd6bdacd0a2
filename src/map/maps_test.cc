// Real maps from the shared corpus through zarn-cli --map: each one is either
// updated correctly or refused and left byte for byte as it was.
#include <StormLib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "map/archive.h"
#include "map/mpq_tables.h"
#include "map/storm_path.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

const fs::path kCorpusMaps = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "maps";

struct ArchiveContents {
  std::map<std::string, std::string> named;                         // files reachable by a real name
  std::multiset<std::tuple<uint32_t, uint32_t, uint32_t>> entries;  // name hashes and size
  std::set<std::string> listed;                                     // names in "(listfile)"
};

std::string ReadNamed(HANDLE mpq, const std::string& name) {
  HANDLE file = nullptr;
  if (!SFileOpenFileEx(mpq, name.c_str(), 0, &file)) return "<unreadable>";
  std::string bytes(SFileGetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  if (!bytes.empty()) SFileReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  SFileCloseFile(file);
  bytes.resize(got);
  return bytes;
}

std::optional<ArchiveContents> ReadContents(const std::string& path) {
  ArchiveContents contents;
  HANDLE mpq = nullptr;
  if (!SFileOpenArchive(StormPath(path).c_str(), 0, STREAM_FLAG_READ_ONLY, &mpq)) return std::nullopt;
  std::string listfile = ReadNamed(mpq, "(listfile)");
  for (const std::string& line : SplitText(listfile)) {
    if (line.empty()) continue;
    contents.listed.insert(line);
    std::string bytes = ReadNamed(mpq, line);
    if (bytes != "<unreadable>") contents.named[line] = bytes;
  }
  SFileCloseArchive(mpq);
  auto tables = ReadMpqTables(path);
  if (!tables) return std::nullopt;
  for (const MpqHashEntry& h : tables->hashes) {
    if (h.block_index >= tables->blocks.size()) continue;
    const MpqBlockEntry& b = tables->blocks[h.block_index];
    if (!(b.flags & kMpqFileExists)) continue;
    contents.entries.insert({h.name_a, h.name_b, b.file_size});
  }
  return contents;
}

std::tuple<uint32_t, uint32_t> NameHashes(const std::string& name) {
  return {MpqHashString(name, MpqHashType::kNameA), MpqHashString(name, MpqHashType::kNameB)};
}

// Runs zarn-cli --map on `copy` and checks the outcome; true when updated.
bool CheckMapRun(const std::string& cli, const TempDir& dir, const std::string& copy) {
  {
    std::string before_bytes = ReadFileBytes(copy);
    auto before = ReadContents(copy);
    EXPECT_TRUE(before.has_value());
    if (!before) return false;

    auto r = RunCommand(Quote(cli) + " --map " + Quote(copy), dir.path());
    if (r.exit_code != 0) {
      EXPECT_EQ(ReadFileBytes(copy), before_bytes) << "a refused map must stay unchanged";
      EXPECT_FALSE(r.err.empty()) << "a refusal must say why";
      std::cout << "  refused: " << r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
      return false;
    }
    auto after = ReadContents(copy);
    EXPECT_TRUE(after.has_value()) << "the updated map must open again";
    if (!after) return true;
    // The script is what the script mode gives for the original one.
    auto expected = RunCommand(Quote(cli) + " --script " + Quote(dir / "war3map.j"), dir.path());
    EXPECT_EQ(expected.exit_code, 0);
    EXPECT_EQ(after->named["war3map.j"], expected.out);
    // Every other file is unchanged; "(attributes)" is really gone.
    for (const auto& [file, bytes] : before->named) {
      if (file == "war3map.j" || file == "(attributes)" || file == "(listfile)") continue;
      EXPECT_EQ(after->named.count(file), 1u) << file;
      if (after->named.count(file)) { EXPECT_TRUE(after->named[file] == bytes) << file; }
    }
    const auto attributes = NameHashes("(attributes)");
    for (const auto& [a, b, size] : after->entries) EXPECT_FALSE(std::tuple(a, b) == attributes);
    // Files known only by their hashes (protected maps) are all still there.
    const auto script = NameHashes("war3map.j");
    const auto list = NameHashes("(listfile)");
    auto strip = [&](const std::multiset<std::tuple<uint32_t, uint32_t, uint32_t>>& all) {
      std::multiset<std::tuple<uint32_t, uint32_t, uint32_t>> kept;
      for (const auto& e : all) {
        const std::tuple<uint32_t, uint32_t> hashes(std::get<0>(e), std::get<1>(e));
        if (hashes == attributes || hashes == script || hashes == list) continue;
        kept.insert(e);
      }
      return kept;
    };
    EXPECT_EQ(strip(after->entries), strip(before->entries));
    // The list file still names every file it named, and the new script.
    for (const std::string& listed : before->listed) {
      if (listed != "(attributes)") { EXPECT_EQ(after->listed.count(listed), 1u) << listed; }
    }
    EXPECT_EQ(after->listed.count("war3map.j"), 1u);
  }
  return true;
}

TEST(RealMapsTest, EveryCorpusMapIsUpdatedCorrectlyOrLeftUnchanged) {
  if (!fs::is_directory(kCorpusMaps)) GTEST_SKIP() << "no map corpus at " << kCorpusMaps;
  TempDir dir;
  std::string cli = testing_util::CopyProgram("zarn-cli", dir.path());
  std::string example = ReadFileBytes(std::string(ZARN_SOURCE_DIR) + "/examples/example.j");
  int updated = 0, clean_updated = 0, maps = 0;
  for (const auto& entry : fs::directory_iterator(kCorpusMaps)) {
    std::string name = entry.path().filename().string();
    if (name.size() < 4 || (name.substr(name.size() - 4) != ".w3x" && name.substr(name.size() - 4) != ".w3m")) continue;
    SCOPED_TRACE(name);
    ++maps;
    std::cout << name << "\n";
    // The map as published: its script may well hold statements that get marked.
    std::string copy = dir / name;
    fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
    updated += CheckMapRun(cli, dir, copy);
    // The same archive carrying a script that translates cleanly must be updated.
    std::string variant = dir / ("clean-" + name);
    fs::copy_file(entry.path(), variant, fs::copy_options::overwrite_existing);
    fs::permissions(variant, fs::perms::owner_read | fs::perms::owner_write);
    std::string script = dir / "example-input.j";
    WriteFileBytes(script, example);
    try {
      NullProgress progress;
      MapArchive archive(variant);
      archive.ExtractScript(dir / "discard.j", progress);
      archive.InsertScript(script);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "cannot carry the example script: " << e.what();
      continue;
    }
    bool ok = CheckMapRun(cli, dir, variant);
    EXPECT_TRUE(ok) << "a clean script must be put back";
    clean_updated += ok;
  }
  std::cout << "corpus maps: " << maps << ", updated as published: " << updated
            << ", updated with a clean script: " << clean_updated << "\n";
}

}  // namespace
}  // namespace zarn
