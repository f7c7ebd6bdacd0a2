// Where a map file's archive begins, found the way the game finds it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

// How far into a file the archive library looks for the archive header.
constexpr std::uint64_t kArchiveSearchLimit = std::uint64_t{128} << 20;

struct ArchiveSearch {
  // Position of the archive header; none when the file holds no archive.
  std::optional<std::uint64_t> header_offset;
  // The header's format field: 0 for the first format, which maps use.
  std::uint16_t format_version = 0;
  // Not empty when the archive library would stop at a header of a kind the
  // game never reads before it reaches the archive; says which and where.
  std::string refusal;
};

// Warcraft III reads a map as an archive of the first format: at each
// 512-byte step, the first "MPQ\x1A" header that gives its own size as at
// least 32 bytes (protected maps put shorter fake ones in front). It never
// reads user-data headers ("MPQ\x1B") or MPK archives ("MPK\x1A"); the
// archive library does, and some of those stop it for good. So a file is
// refused when, before the archive header, there is an MPK header, or a
// user-data header in a file that does not start with the map header (the
// library skips user data only behind one).
ArchiveSearch SearchArchiveHeader(const std::string& path);

}  // namespace zarn
