#include "gui/entry.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

#include "desktop/dropped_maps.h"
#include "gui/about_window.h"
#include "platform/errors.h"
#include "gui/errors_window.h"
#include "pipeline.h"
#include "platform/platform.h"
#include "gui/progress_window.h"
#include "update/update.h"

namespace zarn::gui {

namespace {

void ShowMessage(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, "ZARN", QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok);
  // Messages carry paths and script names: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

int ProcessMap(const RunChoice& choice) {
  TParsing progress;
  progress.show();
  QCoreApplication::processEvents();
  TErrorsWindow errors(&progress);
  MapRunOptions options;
  options.map_path = choice.map_path;
  options.tool_dir = WorkingDir();
  options.delete_working_files = choice.delete_working_files;
  return RunPipeline(options, progress, errors);
}

// Each dropped map gets a progress window of its own and, where needed, its
// errors window; the closing message is a plain message box.
class DroppedMapWidgets : public DroppedMapWindows {
 public:
  int WithRunWindows(const MapRun& run) override {
    TParsing progress;
    progress.show();
    QCoreApplication::processEvents();
    TErrorsWindow errors(&progress);
    return run(progress, errors);
  }
  void ShowMessage(const std::string& text, bool error) override {
    gui::ShowMessage(error ? QMessageBox::Critical : QMessageBox::NoIcon, text);
  }
};

int DropMaps(const RunChoice& choice) {
  DroppedMapWidgets windows;
  return RunDroppedMaps(choice.map_paths, windows);
}

int Update() {
  // The new program is fetched beside the old one, so the swap is a rename.
  UpdateOutcome outcome =
      RunUpdate(ZARN_UPDATE_URL, ExecutableDir(), ExecutablePath(), ZARN_UPDATE_PUBLIC_KEY);
  ShowMessage(QMessageBox::NoIcon, UpdateMessage(outcome));
  return 0;
}

int About() {
  TAboutWindow about;
  about.exec();
  return 0;
}

}  // namespace

void ShowRunError(const std::string& message) { ShowMessage(QMessageBox::Critical, message); }

int PerformRun(const RunChoice& choice) {
  try {
    switch (choice.kind) {
      case RunKind::kProcessMap: return ProcessMap(choice);
      case RunKind::kUpdate: return Update();
      case RunKind::kAbout: return About();
      case RunKind::kDroppedMaps: return DropMaps(choice);
    }
  } catch (const Error& e) {
    ShowRunError(e.what());
  } catch (const std::exception& e) {
    // Anything else (memory, a library failure) ends the run the same way
    // rather than aborting without a word.
    ShowRunError(e.what());
  }
  return 1;
}

}  // namespace zarn::gui
