#include "qt/about_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "desktop/window_texts.h"
#include "platform/processes.h"
#include "qt/program_picture.h"
#include "qt/window_style.h"

namespace zarn::qt {

namespace {

// Places a label at its spot, at least as wide as planned and never narrower
// than its text, so a wider fallback font does not cut the text off.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QFont& font, const QRect& planned) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(font);
  QSize hint = label->sizeHint();
  label->setGeometry(planned.x(), planned.y(), std::max(planned.width(), hint.width()),
                     std::max(planned.height(), hint.height()));
  return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), open_url_(OpenUrl) {
  setWindowTitle(window_texts::kAboutCaption);
  setFont(DialogFont(11));
  resize(266, 145);

  QPixmap picture = QPixmap::fromImage(ProgramPicture());
  setWindowIcon(picture);

  // Created first so that it comes first in the tab order.
  auto* exit = new QPushButton(window_texts::kAboutExit, this);
  exit->setObjectName("Exit");
  exit->setGeometry(178, 112, 80, 25);
  exit->setDefault(true);
  connect(exit, &QPushButton::clicked, this, [this] { ExitClick(); });

  auto* image = new QLabel(this);
  image->setObjectName("Image1");
  image->setPixmap(picture);
  image->setGeometry(8, 24, 48, 48);

  AddLabel(this, "about_lbl01", window_texts::kAboutLine1, DialogFont(13), QRect(62, 30, 185, 16));
  AddLabel(this, "about_lbl02", window_texts::kAboutLine2, DialogFont(13), QRect(71, 52, 158, 16));

  QFont link_font = DialogFont(11);
  link_font.setFamilies(QStringList{"MS Sans Serif"} + link_font.families());
  link_font.setUnderline(true);
  link_ = AddLabel(this, "Label3", window_texts::kAboutLinkText, link_font, QRect(16, 117, 92, 13));
  link_->setTextFormat(Qt::PlainText);
  link_->setForegroundRole(QPalette::Link);
  link_->setCursor(Qt::PointingHandCursor);
  link_->installEventFilter(this);

  CentreOnScreen(*this);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == link_ && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && link_->rect().contains(mouse->position().toPoint())) {
      Label3Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void AboutWindow::Label3Click() { OpenLinkTarget(open_url_); }

void AboutWindow::ExitClick() { accept(); }

}  // namespace zarn::qt
