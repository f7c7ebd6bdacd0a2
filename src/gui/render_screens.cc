// zarn-screens DIR: renders each window to a PNG file in DIR, filled as in a
// real run, so the layout can be looked at without a display.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <cstdio>
#include <string>

#include "desktop/dropped_maps.h"
#include "gui/about_window.h"
#include "gui/errors_window.h"
#include "pipeline.h"
#include "gui/program_picture.h"
#include "gui/progress_window.h"
#include "result_check.h"

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

zarn::ErrorReport SampleReport() {
  zarn::Lines lines = {
      "globals",
      "integer count = 0",
      "endglobals",
      "function Spawn takes nothing returns nothing",
      "//!ZARN Error:var v = GetSomething()",
      "local unit u = CreateUnit(Player(0), 'hfoo', 0, 0, 0)",
      "//!ZARN Error:free t",
      "set count = count + 1",
      "endfunction",
      "function main takes nothing returns nothing",
      "//!ZARN Error:var w",
      "call Spawn()",
      "endfunction",
  };
  return zarn::ScanForMarkers(lines);
}

// A result that the passes broke: a cut global and a function header with a
// tail, as the JASS 2 check reports them.
zarn::ErrorReport SampleCheckReport() {
  zarn::NullProgress progress;
  return zarn::CheckResultScript(
      "globals\r\n"
      "integer count = 0\r\n"
      "real xprate_\r\n"
      "= 1\r\n"
      "endglobals\r\n"
      "function s__StringTable_set takes nothing returns nothing = null\r\n"
      "endfunction\r\n"
      "function Spawn takes nothing returns nothing\r\n"
      "local unit u = CreateUnit(Player(0), 'hfoo', 0, 0, 0)\r\n"
      "loop\r\n"
      "exitwhen count > 10\r\n"
      "set count = count + 1\r\n"
      "endfunction\r\n",
      progress);
}

// The closing message of a drop with one map of each kind.
std::string SampleDropMessage() {
  using zarn::DroppedMapResult;
  const std::string work = "/home/user/.local/state/zarn";
  return zarn::DroppedMapsMessage({
      {"/maps/Castle Siege.w3x", DroppedMapResult::kFullyChecked, "", work, {}},
      {"/maps/Tower Wars.w3x", DroppedMapResult::kGrammarOnly, "", work, {}},
      {"/maps/Hero Arena.w3x", DroppedMapResult::kVjass, "", work, {}},
      {"/maps/Island Defense.w3x", DroppedMapResult::kUnchanged, "", work, {}},
      {"/maps/notes.w3x", DroppedMapResult::kRefused, "Error opening file: war3map.j", work, {}},
  });
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
  QApplication::setWindowIcon(QPixmap::fromImage(zarn::gui::ProgramPicture()));
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "Cannot create %s\n", argv[1]);
    return 1;
  }

  bool ok = true;
  zarn::gui::TParsing progress;
  progress.SetProgress("Parsing function:", 50);
  progress.SetFunctionName("InitTrig_Spawn_Waves", false);
  ok &= Save(progress, dir, "progress.png");

  zarn::gui::TErrorsWindow errors;
  errors.Prepare(SampleReport());
  ok &= Save(errors, dir, "errors.png");

  zarn::gui::TErrorsWindow check_errors;
  check_errors.Prepare(SampleCheckReport());
  ok &= Save(check_errors, dir, "errors-check.png");

  zarn::gui::TAboutWindow about;
  ok &= Save(about, dir, "about.png");

  QMessageBox drop_box(QMessageBox::Critical, "ZARN", QString::fromStdString(SampleDropMessage()), QMessageBox::Ok);
  drop_box.setTextFormat(Qt::PlainText);
  ok &= Save(drop_box, dir, "drop-box.png");

  ok &= zarn::gui::ProgramPicture().scaled(192, 192).save(dir.filePath("picture.png"), "PNG");
  return ok ? 0 : 1;
}
