// zarn: the desktop program. One run per process, chosen from the command line.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/stop_request.h"
#include "qt/entry.h"
#include "qt/program_picture.h"

int main(int argc, char** argv) {
  // The command line belongs to the program: Qt sees only the program name,
  // so none of its own switches can take an argument's place.
  std::vector<std::string> args(argv + 1, argv + argc);
  zarn::TuneMemoryAllocator();
  // Stopped (SIGTERM, SIGHUP, ...), a run leaves no temporary copy behind.
  zarn::HandleStopRequests();
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  QApplication::setApplicationName("ZARN");
  QApplication::setApplicationDisplayName("ZARN");
  QApplication::setWindowIcon(QPixmap::fromImage(zarn::qt::ProgramPicture()));
  // Windows come and go within one run; hiding or closing one ends nothing.
  QApplication::setQuitOnLastWindowClosed(false);
  return zarn::qt::PerformRun(zarn::qt::ChooseRun(args));
}
