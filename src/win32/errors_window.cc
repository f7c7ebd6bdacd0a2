#include "win32/errors_window.h"

#include "desktop/window_texts.h"
#include "platform/processes.h"
#include "win32/entry.h"

namespace zarn::win32 {

ErrorsWindow::ErrorsWindow(HWND progress_window)
    : progress_window_(progress_window),
      start_process_(StartProcess),
      show_message_(ShowMessage),
      font_(MakeFont(L"Tahoma", 11)),
      script_font_(MakeFont(L"Courier New", 13)) {
  // A tool-window frame: small caption, close box, not resizable.
  Create(L"ZarnErrors", DisplayText(view_.caption()).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, progress_window);
  CreateControls();
  PlaceCentred(handle(), 847, 652);
}

ErrorsWindow::~ErrorsWindow() {
  Destroy();
  DeleteObject(font_);
  DeleteObject(script_font_);
}

// Created in the tab order: LIST, OK, LINE, ABOUT, scriptFile.
void ErrorsWindow::CreateControls() {
  HWND list = AddControl(handle(), L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kList,
                         {8, 16, 828, 97}, font_, WS_EX_CLIENTEDGE);
  SendMessageW(list, LB_SETITEMHEIGHT, 0, Scaled(13));
  AddControl(handle(), L"BUTTON", DisplayText(window_texts::kErrorsOk).c_str(), WS_TABSTOP | BS_DEFPUSHBUTTON, kOk,
             {779, 619, 57, 25}, font_);
  // Read-only edits are drawn on the button face already.
  AddControl(handle(), L"EDIT", L"", WS_TABSTOP | ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL, kLine, {40, 622, 57, 21},
             font_, WS_EX_CLIENTEDGE | WS_EX_RTLREADING);
  AddControl(handle(), L"BUTTON", DisplayText(window_texts::kErrorsAbout).c_str(), WS_TABSTOP | BS_PUSHBUTTON, kAbout,
             {700, 619, 73, 25}, font_);
  // No word wrap: the horizontal scroll bar and ES_AUTOHSCROLL keep lines whole.
  HWND script = AddControl(handle(), L"EDIT", L"",
                           WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                               ES_AUTOVSCROLL | ES_NOHIDESEL,
                           kScriptFile, {8, 131, 829, 480}, script_font_, WS_EX_CLIENTEDGE);
  SendMessageW(script, EM_SETLIMITTEXT, 0, 0);  // no 32K limit on the script
  HWND label = AddControl(handle(), L"STATIC", DisplayText(window_texts::kErrorsLineLabel).c_str(), SS_LEFT, kLabel3,
                          {8, 625, 0, 0}, font_);
  FitToText(label);
}

void ErrorsWindow::PresentErrors(const ErrorReport& report) {
  if (progress_window_) ShowWindow(progress_window_, SW_HIDE);
  Prepare(report);
  ShowModal();
}

void ErrorsWindow::Prepare(const ErrorReport& report) {
  view_.Present(report);
  // The view's lines end with CR LF, the only break the edit control knows.
  SetDlgItemTextW(handle(), kScriptFile, DisplayText(view_.text()).c_str());
  HWND list = GetDlgItem(handle(), kList);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& entry : view_.entries())
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DisplayText(entry).c_str()));
  ShowSelectedLine();
  // Selecting by program sends no LBN_SELCHANGE: it does not count as a click.
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(view_.selected_entry()), 0);
  SetWindowTextW(handle(), DisplayText(view_.caption()).c_str());
}

void ErrorsWindow::ShowSelectedLine() {
  SelLine(view_.selected_line());
  SetDlgItemTextW(handle(), kLine, std::to_wstring(view_.selected_line()).c_str());
}

void ErrorsWindow::ShowModal() {
  closed_ = false;
  ShowWindow(handle(), SW_SHOWNORMAL);
  // The selection made before showing keeps the focus on the script view.
  SetFocus(GetDlgItem(handle(), kScriptFile));
  SendDlgItemMessageW(handle(), kScriptFile, EM_SCROLLCARET, 0, 0);
  RunModal(&closed_);
  ShowWindow(handle(), SW_HIDE);
}

void ErrorsWindow::SelLine(std::size_t line) {
  ErrorsView::LineSpan span;
  if (!view_.Line(line, span)) return;
  HWND script = GetDlgItem(handle(), kScriptFile);
  SendMessageW(script, EM_SETSEL, span.start, span.start + span.length);
  SendMessageW(script, EM_SCROLLCARET, 0, 0);
  SetFocus(script);
}

void ErrorsWindow::LISTClick() {
  const LRESULT index = SendDlgItemMessageW(handle(), kList, LB_GETCURSEL, 0, 0);
  if (index != LB_ERR && view_.ChooseEntry(static_cast<int>(index))) ShowSelectedLine();
}

void ErrorsWindow::ABOUTClick() { ShowAboutInNewProcess(start_process_, show_message_); }

void ErrorsWindow::OKClick() { closed_ = true; }

LRESULT ErrorsWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kList && HIWORD(wparam) == LBN_SELCHANGE) LISTClick();
      if (LOWORD(wparam) == kOk || LOWORD(wparam) == IDCANCEL) OKClick();  // IDCANCEL: Escape
      if (LOWORD(wparam) == kAbout && HIWORD(wparam) == BN_CLICKED) ABOUTClick();
      return 0;
    case WM_CLOSE: OKClick(); return 0;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace zarn::win32
