// zarn-mkmap: builds a map archive from a script file and a few other files.
//
//   zarn-mkmap [--sector-shift N] [--no-attributes] OUTPUT SCRIPT [FILE[=NAME]]...
//
// SCRIPT is stored as war3map.j; every other FILE under NAME, or under its own
// file name when no NAME is given.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "map/map_builder.h"
#include "platform/errors.h"
#include "text/script.h"

namespace {

constexpr const char* kUsage =
    "Usage: zarn-mkmap [--sector-shift N] [--no-attributes] OUTPUT SCRIPT [FILE[=NAME]]...\n"
    "Builds an MPQ map archive with SCRIPT as war3map.j and each FILE under NAME\n"
    "(default: the file's own name). Sectors are 512 << N bytes (N from 0 to 22,\n"
    "default 3); --no-attributes leaves out the \"(attributes)\" file.\n";

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  zarn::MapBuildOptions options;
  std::size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    if (args[i] == "--no-attributes") {
      options.attributes = false;
    } else if (args[i] == "--sector-shift" && i + 1 < args.size()) {
      const std::string& value = args[++i];
      if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(value) > 22) {
        std::cerr << "zarn-mkmap: sector shift must be a number from 0 to 22: " << value << "\n";
        return 2;
      }
      options.sector_size_shift = static_cast<std::uint16_t>(std::stoi(value));
    } else {
      std::fputs(kUsage, args[i] == "--help" ? stdout : stderr);
      return args[i] == "--help" ? 0 : 2;
    }
  }
  if (args.size() - i < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string output = args[i++];
  try {
    std::vector<zarn::MapFile> files;
    files.push_back({"war3map.j", zarn::ReadFileBytes(args[i++])});
    for (; i < args.size(); ++i) {
      std::size_t eq = args[i].find('=');
      std::string disk = eq == std::string::npos ? args[i] : args[i].substr(0, eq);
      std::string name = eq == std::string::npos ? BaseName(disk) : args[i].substr(eq + 1);
      files.push_back({name, zarn::ReadFileBytes(disk)});
    }
    zarn::BuildMapArchive(output, files, options);
  } catch (const zarn::Error& e) {
    std::cerr << "zarn-mkmap: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
