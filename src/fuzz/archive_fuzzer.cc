// Opening arbitrary bytes as a map archive and extracting its script: it ends
// with the script or an error, never with a crash of this process, and the
// file is left as it was. The archive library itself runs in a worker
// process, where an abort of it is a refusal like any other.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "map/archive.h"
#include "map/archive_search.h"
#include "map/mpq_tables.h"
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
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zarn::WriteFileBytes(map, bytes);
  // The checks made before the library sees a file run in this process.
  zarn::SearchArchiveHeader(map);
  zarn::ImplausibleMpqTables(map);
  try {
    zarn::NullProgress progress;
    zarn::MapArchive archive(map);
    archive.ExtractScript(script, progress);
  } catch (const zarn::Error&) {}
  if (zarn::ReadFileBytes(map) != bytes) __builtin_trap();
  std::remove(map.c_str());
  std::remove(script.c_str());
  return 0;
}
