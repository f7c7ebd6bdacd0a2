// zarn-cat MAP: prints the war3map.j held in a map archive.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "map/archive.h"
#include "text/script.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: zarn-cat MAP\n";
    return 2;
  }
  std::string temp = (std::filesystem::temp_directory_path() / "zarn-cat-XXXXXX").string();
  int fd = mkstemp(temp.data());
  if (fd < 0) return 1;
  close(fd);
  int code = 0;
  try {
    zarn::NullProgress progress;
    zarn::MapArchive archive(argv[1]);
    archive.ExtractScript(temp, progress);
    std::string bytes = zarn::ReadFileBytes(temp);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    code = 1;
  }
  std::remove(temp.c_str());
  return code;
}
