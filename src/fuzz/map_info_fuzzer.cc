// Arbitrary bytes as a map's war3map.w3i: the header reader gives a version
// or "unknown", reads no more than the short header, and the table chosen for
// it is one of the built-in ones or none.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "check/jass_builtin_api.h"
#include "core/api_choice.h"
#include "map/map_info.h"
#include "platform/files.h"

namespace {
std::string ScratchFolderMap() {
  static std::string dir = [] {
    char pattern[] = "/tmp/zarn-map-info-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string folder = ScratchFolderMap();
  const std::string file = folder + "/" + zarn::kMapInfoName;
  zarn::WriteFileBytes(file, bytes);
  const std::string header = zarn::ReadFolderMapInfoHeader(folder);
  if (header != bytes.substr(0, zarn::kMapInfoHeaderSize)) __builtin_trap();
  const zarn::MapVersion version = zarn::ReadMapVersion(bytes);
  const std::string patch = zarn::PatchOfMap(version);
  if (!patch.empty() && zarn::BuiltinTable(patch).empty()) __builtin_trap();
  if (version.kind == zarn::MapVersion::Kind::kGame && patch.empty()) __builtin_trap();
  std::remove(file.c_str());
  return 0;
}
