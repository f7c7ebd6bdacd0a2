// zarn-screens DIR: renders each window to a PNG file in DIR, filled as in a
// real run, so the layout can be looked at without a display.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <cstdio>
#include <string>

#include "desktop/sample_reports.h"
#include "qt/about_window.h"
#include "qt/errors_window.h"
#include "qt/program_picture.h"
#include "qt/progress_window.h"

namespace {

bool Save(QWidget& window, const QDir& dir, const char* name) {
  window.show();
  QApplication::processEvents();
  QString path = dir.filePath(name);
  bool saved = window.grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  window.hide();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: zarn-screens DIR\n");
    return 2;
  }
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  QApplication::setApplicationDisplayName("ZARN");
  QApplication::setWindowIcon(QPixmap::fromImage(zarn::qt::ProgramPicture()));
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "Cannot create %s\n", argv[1]);
    return 1;
  }

  bool ok = true;
  zarn::qt::ProgressWindow progress;
  progress.SetProgress("Parsing function:", 50);
  progress.SetFunctionName("InitTrig_Spawn_Waves", false);
  ok &= Save(progress, dir, "progress.png");

  zarn::qt::ErrorsWindow errors;
  errors.Prepare(zarn::SampleMarkerReport());
  ok &= Save(errors, dir, "errors.png");

  zarn::qt::ErrorsWindow check_errors;
  check_errors.Prepare(zarn::SampleCheckReport());
  ok &= Save(check_errors, dir, "errors-check.png");

  zarn::qt::AboutWindow about;
  ok &= Save(about, dir, "about.png");

  QMessageBox drop_box(QMessageBox::Critical, "ZARN",
                       QString::fromStdString(zarn::SampleDropMessage("/home/user/.local/state/zarn")),
                       QMessageBox::Ok);
  drop_box.setTextFormat(Qt::PlainText);
  ok &= Save(drop_box, dir, "drop-box.png");

  ok &= zarn::qt::ProgramPicture().scaled(192, 192).save(dir.filePath("picture.png"), "PNG");
  return ok ? 0 : 1;
}
