// The window a processing run ends with when its script holds error markers:
// the entries above the whole processed script, with a jump from an entry to
// its line. The Win32 twin of the Qt program's TErrorsWindow.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "report.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

// Starts a program without waiting for it; the result is not looked at.
using ProcessStarter =
    std::function<bool(const std::string& program, const std::vector<std::string>& args)>;

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

  enum ControlId { kList = 201, kOk = IDOK, kLine = 203, kAbout = 204, kScriptFile = 205, kLabel3 = 206 };

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  // Runs only when the user changes the selected entry.
  void LISTClick();
  void ABOUTClick();
  void OKClick();

  HWND progress_window_;
  ProcessStarter start_process_;
  HFONT font_;
  HFONT script_font_;
  // Where each line of the script view starts, in characters, and its length
  // without the line break.
  std::vector<std::size_t> line_starts_;
  std::vector<std::size_t> line_lengths_;
  int selected_entry_ = -1;
  int hint_entry_ = -1;  // the entry of the report's hint, which names no line
  bool closed_ = false;
};

// The line number of an entry "Line N: message": the digits between the fifth
// character and the first colon, leading blanks skipped. -1 when the entry has
// no such number.
long long EntryLineNumber(const std::string& entry);

}  // namespace zarn::win32
