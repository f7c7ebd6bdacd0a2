// What a map records of the game version it was saved with: the short header
// of its war3map.w3i. Formats 18 and 25 hold the editor's version only,
// formats 28 and later the game's version after it:
//   int32 format, int32 saves, int32 editor version,
//   [format >= 28] int32 major, minor, patch, build
// (little endian). Anything else, or too few bytes, is unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

inline constexpr const char* kMapInfoName = "war3map.w3i";
// The most of war3map.w3i that is ever read.
inline constexpr std::size_t kMapInfoHeaderSize = 28;

struct MapVersion {
  enum class Kind : std::uint8_t { kUnknown, kEditor, kGame };
  Kind kind = Kind::kUnknown;
  std::uint32_t format = 0;
  std::uint32_t editor = 0;
  std::uint32_t game[4] = {};  // major, minor, patch, build

  // "1.32.8" for a game version; empty otherwise.
  std::string GameVersion() const;
};

// Reads the header from the first bytes of war3map.w3i; never more than
// kMapInfoHeaderSize of them.
MapVersion ReadMapVersion(std::string_view header);

// The first kMapInfoHeaderSize bytes (or fewer) of war3map.w3i in the map
// folder `folder`; empty when there is none, when it is a link or not a
// regular file, or when it cannot be read.
std::string ReadFolderMapInfoHeader(const std::string& folder);

}  // namespace zarn
