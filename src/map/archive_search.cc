#include "map/archive_search.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/files.h"

namespace zarn {

namespace {

constexpr std::uint64_t kStep = 512;
constexpr std::uint32_t kMinHeaderSize = 32;

std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// The map header as the library knows it: "HM3W" and a 32-bit zero.
bool StartsWithMapHeader(std::ifstream& in, std::uint64_t file_size) {
  unsigned char start[8] = {};
  if (file_size <= 16 || !in.read(reinterpret_cast<char*>(start), sizeof start)) return false;
  return std::memcmp(start, "HM3W", 4) == 0 && Le32(start + 4) == 0;
}

// What the library makes of the 16 bytes at one step; bytes past the end of
// the file count as zeros.
enum class Stop { kNone, kArchive, kUserData, kMpk };

Stop Classify(const unsigned char* at, bool map_header) {
  if (std::memcmp(at, "MPQ\x1A", 4) == 0) return Le32(at + 4) >= kMinHeaderSize ? Stop::kArchive : Stop::kNone;
  if (std::memcmp(at, "MPK\x1A", 4) == 0) return Stop::kMpk;
  if (std::memcmp(at, "MPQ\x1B", 4) == 0 && !map_header) return Stop::kUserData;
  return Stop::kNone;
}

}  // namespace

ArchiveSearch SearchArchiveHeader(const std::string& path) {
  ArchiveSearch result;
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return result;
  in.seekg(0, std::ios::end);
  const std::uint64_t file_size = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0);
  const bool map_header = StartsWithMapHeader(in, file_size);
  const std::uint64_t end = std::min(file_size, kArchiveSearchLimit);
  // Read in large pieces: a step costs a comparison, not a seek.
  std::vector<unsigned char> piece(64 * kStep + 16);
  for (std::uint64_t base = 0; base < end; base += 64 * kStep) {
    const std::uint64_t wanted = std::min<std::uint64_t>(piece.size(), file_size - base);
    std::fill(piece.begin(), piece.end(), 0);
    in.clear();
    in.seekg(static_cast<std::streamoff>(base));
    in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(wanted));
    if (static_cast<std::uint64_t>(in.gcount()) != wanted) return result;
    for (std::uint64_t at = 0; at < 64 * kStep && base + at + 4 <= end; at += kStep) {
      switch (Classify(&piece[at], map_header)) {
        case Stop::kNone: continue;
        case Stop::kArchive:
          result.header_offset = base + at;
          result.format_version = static_cast<std::uint16_t>(piece[at + 12] | piece[at + 13] << 8);
          return result;
        case Stop::kMpk:
          result.refusal = "an MPK archive header at byte " + std::to_string(base + at) + ", which maps never hold";
          return result;
        case Stop::kUserData:
          result.refusal =
              "an MPQ user-data header at byte " + std::to_string(base + at) + " and no map header HM3W in front of it";
          return result;
      }
    }
  }
  return result;
}

}  // namespace zarn
