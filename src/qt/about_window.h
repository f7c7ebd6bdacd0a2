// What the program shows when it is started without a run it recognises: a
// short description, a picture, the project's link and an Exit button.
#pragma once

#include <QDialog>
#include <string>

#include "desktop/window_actions.h"

class QLabel;
class QPushButton;

namespace zarn::qt {

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  void SetUrlOpener(UrlOpener opener) { open_url_ = std::move(opener); }

  // Exit is the only way out: the title bar has no close box, and Escape or
  // a close request from the window manager are refused.
  void reject() override {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The label shows the project's address; a click opens the community site.
  void Label3Click();
  void ExitClick();

  UrlOpener open_url_;
  QLabel* link_;
};

}  // namespace zarn::qt
