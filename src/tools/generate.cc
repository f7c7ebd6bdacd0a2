// zarn-generate: writes a generated script of the benchmark's shape, so that
// two builds of ZARN can be compared on the same input.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/script_generator.h"
#include "platform/errors.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zarn-generate KILOBYTES SEED OUT\n");
    return 2;
  }
  zarn::ScriptShape shape;
  shape.target_bytes = std::strtoull(argv[1], nullptr, 10) * 1024;
  shape.seed = std::strtoull(argv[2], nullptr, 10);
  try {
    zarn::WriteFileBytes(argv[3], zarn::GenerateScript(shape));
  } catch (const zarn::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
