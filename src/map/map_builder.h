// Builds small map archives: for examples, tests and the zarn-mkmap tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

struct MapFile {
  std::string name;   // name inside the archive, e.g. "war3map.j"
  std::string bytes;  // contents
};

struct MapBuildOptions {
  std::uint16_t sector_size_shift = 3;  // sectors of 512 << shift bytes
  bool attributes = true;               // write "(attributes)" as the editor does
};

// Creates (or replaces) an MPQ archive holding `files`, deflate-compressed,
// with a complete "(listfile)". Throws Error naming what failed.
void BuildMapArchive(const std::string& path, const std::vector<MapFile>& files, const MapBuildOptions& options = {});

}  // namespace zarn
