// The window a processing run shows while the passes work: the stage, the
// function or method being worked on, and a bar.
#pragma once

#include <QWidget>
#include <string_view>

#include "report.h"

class QLabel;
class QProgressBar;

namespace zarn::gui {

class TParsing : public QWidget, public ProgressReporter {
  Q_OBJECT

 public:
  explicit TParsing(QWidget* parent = nullptr);

  // Sets the bar, then the stage text, then lets pending events (paints,
  // moves) through, since the run gives the event loop no other chance.
  void SetProgress(std::string_view text, int value) override;
  void SetFunctionName(std::string_view name, bool pump) override;
  // Notes go to standard error, for whoever started the program from a shell.
  void Note(std::string_view text) override;

 protected:
  // The user cannot close the window while the run works.
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* status_;
  QLabel* func_;
  QProgressBar* progress_;
};

}  // namespace zarn::gui
