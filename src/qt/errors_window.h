// The window a processing run ends with when its script holds error markers:
// the entries beside the whole processed script, with a jump from an entry to
// its line.
#pragma once

#include <QDialog>
#include <cstddef>
#include <string>
#include <vector>

#include "core/report.h"
#include "desktop/errors_view.h"
#include "desktop/window_actions.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zarn::qt {

class ErrorsWindow : public QDialog, public ErrorPresenter {
  Q_OBJECT

 public:
  // `progress_window`, when given, is hidden before the errors come up.
  explicit ErrorsWindow(QWidget* progress_window = nullptr, QWidget* parent = nullptr);

  // Hides the progress window, prepares the window and shows it modally.
  void PresentErrors(const ErrorReport& report) override;

  // Fills the list and the script view from `report` and selects the first
  // marker line; the window is not shown.
  void Prepare(const ErrorReport& report);
  const ErrorsView& view() const { return view_; }

  // Selects line `line` (zero-based, without its line break) in the script
  // view, scrolls it into sight and gives the view the focus. A line past the
  // end of the script changes nothing.
  void SelLine(std::size_t line);

  void SetProcessStarter(ProcessStarter starter) { start_process_ = std::move(starter); }
  // Shows the message of an About window that could not be started.
  void SetMessageShower(MessageShower shower) { show_message_ = std::move(shower); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Runs only when the user changes the selected entry.
  void LISTClick();
  void OKClick();
  void ABOUTClick();

  // Shows the view's selected line in the script view and the line field.
  void ShowSelectedLine();

  ErrorsView view_;
  QWidget* progress_window_;
  ProcessStarter start_process_;
  MessageShower show_message_;
  QListWidget* list_;
  int hint_row_ = -1;  // the row of the report's hint, which names no line
  QPushButton* ok_;
  QLineEdit* line_;
  QPushButton* about_;
  QPlainTextEdit* script_file_;
};

}  // namespace zarn::qt
