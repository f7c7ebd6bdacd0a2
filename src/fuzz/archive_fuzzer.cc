// Opening arbitrary bytes as a map archive and extracting its script.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "map/archive.h"
#include "text/script.h"

namespace {
std::string ScratchDir() {
  static std::string dir = [] {
    char pattern[] = "/tmp/zarn-archive-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = ScratchDir();
  const std::string map = dir + "/fuzz.w3x";
  const std::string script = dir + "/war3map.j";
  zarn::WriteFileBytes(map, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    zarn::NullProgress progress;
    zarn::MapArchive archive(map);
    archive.ExtractScript(script, progress);
  } catch (const zarn::Error&) {
  }
  std::remove(map.c_str());
  std::remove(script.c_str());
  return 0;
}
