// "ZARN - Parsing": the one window of a processing run while the passes work.
#pragma once

#include <string_view>

#include "desktop/progress_steps.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class ProgressWindow : public Window, public ProgressSteps {
 public:
  ProgressWindow();
  ~ProgressWindow() override;

  void Show();

  enum ControlId { kStatus = 101, kFunc, kProgress };

 protected:
  void ShowBar(int value) override;
  void ShowStatus(std::string_view text) override;
  void ShowFunction(std::string_view name) override;
  void PumpMessages() override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HFONT font_;
  HFONT bold_font_;
  HWND status_;
  HWND func_;
  HWND progress_;
};

}  // namespace zarn::win32
