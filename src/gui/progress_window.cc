#include "gui/progress_window.h"

#include <cstdio>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "gui/window_style.h"

namespace zarn::gui {

TParsing::TParsing(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle("ZARN - Parsing");
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

void TParsing::SetProgress(std::string_view text, int value) {
  // The bar ignores values outside its range; the run's closing reports
  // (110, 120) must still show it full.
  progress_->setValue(std::clamp(value, 0, 100));
  status_->setText(BytesToDisplay(text));
  status_->adjustSize();
  QCoreApplication::processEvents();
}

void TParsing::SetFunctionName(std::string_view name, bool pump) {
  func_->setText(BytesToDisplay(name));
  func_->adjustSize();
  if (pump) QCoreApplication::processEvents();
}

void TParsing::closeEvent(QCloseEvent* event) { event->ignore(); }

void TParsing::Note(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace zarn::gui
