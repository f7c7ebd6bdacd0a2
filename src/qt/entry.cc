#include "qt/entry.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "desktop/desktop_run.h"
#include "qt/about_window.h"
#include "qt/errors_window.h"
#include "qt/progress_window.h"

namespace zarn::qt {

namespace {

class QtWindows : public DesktopWindows {
 public:
  int WithRunWindows(const MapRun& run) override {
    ProgressWindow progress;
    progress.show();
    QCoreApplication::processEvents();
    ErrorsWindow errors(&progress);
    return run(progress, errors);
  }

  void ShowAbout() override {
    AboutWindow about;
    about.exec();
  }

  void ShowMessage(const std::string& text, bool error) override { qt::ShowMessage(text, error); }
};

}  // namespace

void ShowMessage(const std::string& text, bool error) {
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, "ZARN",
                  QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok);
  // Messages carry paths and script names: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

int PerformRun(const RunChoice& choice) {
  QtWindows windows;
  return zarn::PerformRun(choice, windows);
}

}  // namespace zarn::qt
