#include "map/archive_search.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

// A header signature followed by the 32-bit size field the search reads.
std::string Header(const char* signature, std::uint32_t size) {
  std::string h(signature, 4);
  for (int i = 0; i < 4; ++i) h += static_cast<char>(size >> (8 * i));
  return h + std::string(24, '\x01');
}

// `parts` placed at the given offsets of a file of `size` zero bytes.
std::string FileOf(std::size_t size, const std::vector<std::pair<std::size_t, std::string>>& parts) {
  std::string bytes(size, '\0');
  for (const auto& [at, part] : parts) bytes.replace(at, part.size(), part);
  return bytes.substr(0, size);
}

const std::string kMapHeader = std::string("HM3W", 4) + std::string(4, '\0');

TEST(ArchiveSearchTest, FindsTheArchiveTheGameReadsAndRefusesWhatItNeverReads) {
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<std::uint64_t> offset;
    const char* refusal;  // part of the refusal, "" for none
  };
  const Case cases[] = {
      {"archive at 0", FileOf(2048, {{0, Header("MPQ\x1A", 32)}}), 0, ""},
      {"map header, archive at 512", FileOf(2048, {{0, kMapHeader}, {512, Header("MPQ\x1A", 44)}}), 512, ""},
      {"short fake header skipped", FileOf(2048, {{0, Header("MPQ\x1A", 31)}, {1024, Header("MPQ\x1A", 32)}}), 1024,
       ""},
      {"header off the 512-byte steps", FileOf(2048, {{100, Header("MPQ\x1A", 32)}}), std::nullopt, ""},
      {"no archive", FileOf(2048, {}), std::nullopt, ""},
      {"MPK at 0", FileOf(41, {{0, Header("MPK\x1A", 0xDEB04D4D)}}), std::nullopt, "MPK archive header at byte 0"},
      {"MPK at 512", FileOf(1024, {{512, Header("MPK\x1A", 44)}}), std::nullopt, "MPK archive header at byte 512"},
      {"MPK behind the archive", FileOf(2048, {{0, Header("MPQ\x1A", 32)}, {512, Header("MPK\x1A", 44)}}), 0, ""},
      {"MPK behind a map header", FileOf(2048, {{0, kMapHeader}, {512, Header("MPK\x1A", 44)}}), std::nullopt,
       "MPK archive header at byte 512"},
      {"user data without a map header", FileOf(2048, {{0, Header("MPQ\x1B", 16)}, {1024, Header("MPQ\x1A", 32)}}),
       std::nullopt, "user-data header at byte 0"},
      {"user data behind a map header is skipped",
       FileOf(2048, {{0, kMapHeader}, {512, Header("MPQ\x1B", 16)}, {1024, Header("MPQ\x1A", 32)}}), 1024, ""},
      // The library knows the map header only with a zero after "HM3W".
      {"user data behind a damaged map header",
       FileOf(2048, {{0, "HM3W\x01"}, {512, Header("MPQ\x1B", 16)}, {1024, Header("MPQ\x1A", 32)}}), std::nullopt,
       "user-data header at byte 512"},
      {"signature cut by the end", FileOf(515, {{0, kMapHeader}, {512, "MPK"}}), std::nullopt, ""},
  };
  testing_util::TempDir dir;
  const std::string path = dir / "map.w3x";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(path, c.bytes);
    const ArchiveSearch found = SearchArchiveHeader(path);
    EXPECT_EQ(found.header_offset, c.offset);
    if (*c.refusal) {
      EXPECT_NE(found.refusal.find(c.refusal), std::string::npos) << found.refusal;
    } else {
      EXPECT_EQ(found.refusal, "");
    }
  }
}

TEST(ArchiveSearchTest, LooksPastTheFirstPieceItReads) {
  testing_util::TempDir dir;
  const std::string path = dir / "map.w3x";
  // Far past the first 32 KiB read, and at the very end of the file.
  WriteFileBytes(path, FileOf(300 * 512 + 32, {{0, kMapHeader}, {300 * 512, Header("MPQ\x1A", 32)}}));
  EXPECT_EQ(SearchArchiveHeader(path).header_offset, 300u * 512);
  EXPECT_FALSE(SearchArchiveHeader(dir / "missing.w3x").header_offset);
}

}  // namespace
}  // namespace zarn
