// "ZARN - About": the short description, the picture, the link and Exit.
#pragma once

#include <string>

#include "desktop/window_actions.h"
#include "win32/window_kit.h"

namespace zarn::win32 {

class AboutWindow : public Window {
 public:
  AboutWindow();
  ~AboutWindow() override;

  // Shows the window and waits until Exit closes it.
  void ShowModal();
  void SetUrlOpener(UrlOpener opener) { open_url_ = std::move(opener); }

  enum ControlId { kExit = 301, kImage1, kLabel1, kLabel2, kLabel3 };

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  void Label3Click();
  void ExitClick() { closed_ = true; }
  LRESULT ColourLabel(HDC context, HWND label);

  UrlOpener open_url_;
  HFONT font_;
  HFONT label_font_;
  HFONT link_font_;
  HICON picture_;
  bool closed_ = false;
};

}  // namespace zarn::win32
