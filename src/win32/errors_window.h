// The window a processing run ends with when its script holds error markers:
// the entries above the whole processed script, with a jump from an entry to
// its line. The model is desktop/errors_view.h; this is its Win32 face.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/report.h"
#include "desktop/errors_view.h"
#include "desktop/window_actions.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class ErrorsWindow : public Window, public ErrorPresenter {
 public:
  // `progress_window`, when given, is hidden before the errors come up and
  // owns this window.
  explicit ErrorsWindow(HWND progress_window = nullptr);
  ~ErrorsWindow() override;

  // Hides the progress window, prepares the window and shows it modally.
  void PresentErrors(const ErrorReport& report) override;
  // Fills the list and the script view from `report` and selects the first
  // marker line; the window is not shown.
  void Prepare(const ErrorReport& report);
  // Shows the window and waits until Ok or the close box ends it.
  void ShowModal();
  // Selects line `line` (zero-based, without its line break) in the script
  // view, scrolls it into sight and gives the view the focus. A line past the
  // end of the script changes nothing.
  void SelLine(std::size_t line);

  void SetProcessStarter(ProcessStarter starter) { start_process_ = std::move(starter); }
  // Shows the message of an About window that could not be started.
  void SetMessageShower(MessageShower shower) { show_message_ = std::move(shower); }
  const ErrorsView& view() const { return view_; }

  enum ControlId { kList = 201, kOk = IDOK, kLine = 203, kAbout = 204, kScriptFile = 205, kLabel3 = 206 };

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  // Runs only when the user changes the selected entry.
  void LISTClick();
  void ABOUTClick();
  void OKClick();
  // Shows the view's selected line in the script view and the line field.
  void ShowSelectedLine();

  ErrorsView view_;
  HWND progress_window_;
  ProcessStarter start_process_;
  MessageShower show_message_;
  HFONT font_;
  HFONT script_font_;
  bool closed_ = false;
};

}  // namespace zarn::win32
