#include "qt/progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include "desktop/window_texts.h"
#include "qt/window_style.h"

namespace zarn::qt {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(window_texts::kProgressCaption);
  setFont(DialogFont(13));
  setFixedSize(396, 88);

  status_ = new QLabel(this);
  status_->setObjectName("status");
  QFont bold = font();
  bold.setBold(true);
  status_->setFont(bold);
  status_->move(12, 11);

  func_ = new QLabel(this);
  func_->setObjectName("func");
  func_->move(12, 31);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("progress");
  progress_->setGeometry(12, 50, 370, 30);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);

  CentreOnScreen(*this);
}

void ProgressWindow::ShowBar(int value) { progress_->setValue(value); }

void ProgressWindow::ShowStatus(std::string_view text) {
  status_->setText(BytesToDisplay(text));
  status_->adjustSize();
}

void ProgressWindow::ShowFunction(std::string_view name) {
  func_->setText(BytesToDisplay(name));
  func_->adjustSize();
}

void ProgressWindow::PumpMessages() { QCoreApplication::processEvents(); }

void ProgressWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace zarn::qt
