#include "win32/about_window.h"

#include "desktop/window_texts.h"
#include "platform/processes.h"
#include "platform/wide_text.h"
#include "win32/program_picture.h"

namespace zarn::win32 {

AboutWindow::AboutWindow()
    : open_url_(OpenUrl),
      font_(MakeFont(L"Tahoma", 11)),
      label_font_(MakeFont(L"Tahoma", 13)),
      link_font_(MakeFont(L"MS Sans Serif", 11, false, true)),
      picture_(ProgramPictureIcon()) {
  // A resizable frame but no system menu, so no buttons in the title bar.
  Create(L"ZarnAbout", DisplayText(window_texts::kAboutCaption).c_str(), WS_POPUP | WS_CAPTION | WS_THICKFRAME,
         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, nullptr);
  CreateControls();
  PlaceCentred(handle(), 266, 145);
}

AboutWindow::~AboutWindow() {
  Destroy();
  DeleteObject(font_);
  DeleteObject(label_font_);
  DeleteObject(link_font_);
  if (picture_) DestroyIcon(picture_);
}

// Exit first: it comes first in the tab order.
void AboutWindow::CreateControls() {
  AddControl(handle(), L"BUTTON", DisplayText(window_texts::kAboutExit).c_str(), WS_TABSTOP | BS_DEFPUSHBUTTON, kExit,
             {178, 112, 80, 25}, font_);
  AddControl(handle(), L"STATIC", L"", SS_OWNERDRAW, kImage1, {8, 24, 48, 48}, font_);
  WidenToText(AddControl(handle(), L"STATIC", DisplayText(window_texts::kAboutLine1).c_str(), SS_LEFT | SS_NOPREFIX,
                         kLabel1, {62, 30, 185, 16}, label_font_));
  WidenToText(AddControl(handle(), L"STATIC", DisplayText(window_texts::kAboutLine2).c_str(), SS_LEFT | SS_NOPREFIX,
                         kLabel2, {71, 52, 158, 16}, label_font_));
  // SS_NOTIFY: the label tells of clicks.
  const HWND link = AddControl(handle(), L"STATIC", WideFromUtf8(window_texts::kAboutLinkText).c_str(),
                               SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kLabel3, {16, 117, 92, 13}, link_font_);
  WidenToText(link);
}

void AboutWindow::ShowModal() {
  closed_ = false;
  ShowWindow(handle(), SW_SHOWNORMAL);
  SetFocus(GetDlgItem(handle(), kExit));
  RunModal(&closed_);
  ShowWindow(handle(), SW_HIDE);
}

void AboutWindow::Label3Click() {
  OpenLinkTarget(open_url_);  // the window stays open
}

LRESULT AboutWindow::ColourLabel(HDC context, HWND label) {
  SetBkMode(context, TRANSPARENT);
  if (GetDlgCtrlID(label) == kLabel3) SetTextColor(context, GetSysColor(COLOR_HOTLIGHT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kExit && HIWORD(wparam) == BN_CLICKED) ExitClick();
      if (LOWORD(wparam) == kLabel3 && HIWORD(wparam) == STN_CLICKED) Label3Click();
      return 0;               // IDCANCEL (Escape) closes nothing: Exit is the only way
    case WM_CLOSE: return 0;  // nor Alt+F4
    case WM_CTLCOLORSTATIC: return ColourLabel(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == GetDlgItem(handle(), kLabel3)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->CtlID != kImage1) break;
      DrawIconEx(item->hDC, 0, 0, picture_, Scaled(kPictureSize), Scaled(kPictureSize), 0, nullptr, DI_NORMAL);
      return TRUE;
    }
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace zarn::win32
