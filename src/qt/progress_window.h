// The window a processing run shows while the passes work: the stage, the
// function or method being worked on, and a bar.
#pragma once

#include <QWidget>
#include <string_view>

#include "desktop/progress_steps.h"

class QLabel;
class QProgressBar;

namespace zarn::qt {

class ProgressWindow : public QWidget, public ProgressSteps {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent = nullptr);

 protected:
  void ShowBar(int value) override;
  void ShowStatus(std::string_view text) override;
  void ShowFunction(std::string_view name) override;
  // Lets pending events (paints, moves) through.
  void PumpMessages() override;
  // The user cannot close the window while the run works.
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* status_;
  QLabel* func_;
  QProgressBar* progress_;
};

}  // namespace zarn::qt
