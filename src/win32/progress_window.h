// "ZARN - Parsing": the one window of a processing run while the passes work.
#pragma once

#include <string_view>

#include "platform/progress.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class ProgressWindow : public Window, public ProgressReporter {
 public:
  ProgressWindow();
  ~ProgressWindow() override;

  void Show();
  void SetProgress(std::string_view text, int value) override;
  void SetFunctionName(std::string_view name, bool pump) override;
  // A GUI program has no console; the note goes to standard error, which a
  // caller may have redirected.
  void Note(std::string_view text) override;

  enum ControlId { kStatus = 101, kFunc, kProgress };

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HFONT font_;
  HFONT bold_font_;
  HWND status_;
  HWND func_;
  HWND progress_;
};

}  // namespace zarn::win32
