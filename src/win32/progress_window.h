// "ZARN - Parsing": the one window of a processing run while the passes work.
#pragma once

#include <functional>
#include <string_view>

#include "desktop/progress_steps.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class ProgressWindow : public Window, public ProgressSteps {
 public:
  // `stop` ends the run when Windows asks the window to close ("End task")
  // or the session ends: by default it removes what the run has made beside
  // the map and ends the process.
  explicit ProgressWindow(std::function<void()> stop = StopRun);
  ~ProgressWindow() override;

  void Show();

  static void StopRun();

  enum ControlId { kStatus = 101, kFunc, kProgress };

 protected:
  void ShowBar(int value) override;
  void ShowStatus(std::string_view text) override;
  void ShowFunction(std::string_view name) override;
  void PumpMessages() override;
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
