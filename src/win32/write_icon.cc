// zarn-win-icon OUT.ico: writes the program picture as the icon file that the
// resources of ZARN.exe take; run by the build (under Wine when cross built).
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "win32/program_picture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarn-win-icon OUT.ico\n");
    return 2;
  }
  const std::vector<unsigned char> bytes = zarn::win32::ProgramPictureIcoFile();
  zarn::WriteFileBytes(argv[1], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return 0;
}
