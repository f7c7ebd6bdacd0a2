// zarn-icon: writes the program picture as a PNG file, for installing as the
// desktop icon. Usage: zarn-icon FILE
#include <QGuiApplication>
#include <cstdio>

#include "qt/program_picture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: zarn-icon FILE\n", stderr);
    return 2;
  }
  int qt_argc = 1;
  QGuiApplication app(qt_argc, argv);
  if (!zarn::qt::ProgramPicture().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "Cannot write file %s\n", argv[1]);
    return 1;
  }
  return 0;
}
