// "ZARN - Parsing": the one window of a processing run while the passes work.
#pragma once

#include <functional>
#include <string_view>

#include "platform/progress.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class ProgressWindow : public Window, public ProgressReporter {
 public:
  // `stop` ends the run when Windows asks the window to close ("End task")
  // or the session ends: by default it removes what the run has made beside
  // the map and ends the process.
  explicit ProgressWindow(std::function<void()> stop = StopRun);
  ~ProgressWindow() override;

  void Show();
  void SetProgress(std::string_view text, int value) override;
  void SetFunctionName(std::string_view name, bool pump) override;
  // A GUI program has no console; the note goes to standard error, which a
  // caller may have redirected.
  void Note(std::string_view text) override;

  static void StopRun();

  enum ControlId { kStatus = 101, kFunc, kProgress };

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  std::function<void()> stop_;
  HFONT font_;
  HFONT bold_font_;
  HWND status_;
  HWND func_;
  HWND progress_;
};

}  // namespace zarn::win32
