#include "win32/progress_window.h"

#include <commctrl.h>

#include <utility>

#include "desktop/window_texts.h"
#include "platform/stop_request.h"

namespace zarn::win32 {

ProgressWindow::ProgressWindow(std::function<void()> stop)
    : stop_(std::move(stop)), font_(MakeFont(L"Tahoma", 13)), bold_font_(MakeFont(L"Tahoma", 13, true)) {
  // A fixed dialog frame without system menu: the user does not close it.
  Create(L"ZarnParsing", DisplayText(window_texts::kProgressCaption).c_str(), WS_POPUP | WS_CAPTION | WS_DLGFRAME,
         WS_EX_DLGMODALFRAME, nullptr);
  status_ = AddControl(handle(), L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kStatus, {12, 11, 0, 0}, bold_font_);
  func_ = AddControl(handle(), L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kFunc, {12, 31, 0, 0}, font_);
  progress_ = AddControl(handle(), PROGRESS_CLASSW, L"", PBS_SMOOTH, kProgress, {12, 50, 370, 30}, font_);
  SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  PlaceCentred(handle(), 396, 88);
}

ProgressWindow::~ProgressWindow() {
  Destroy();
  DeleteObject(font_);
  DeleteObject(bold_font_);
}

void ProgressWindow::Show() {
  ShowWindow(handle(), SW_SHOWNORMAL);
  UpdateWindow(handle());
  PumpMessages();
}

void ProgressWindow::ShowBar(int value) { SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(value), 0); }

void ProgressWindow::ShowStatus(std::string_view text) {
  SetWindowTextW(status_, DisplayText(text).c_str());
  FitToText(status_);
}

void ProgressWindow::ShowFunction(std::string_view name) {
  SetWindowTextW(func_, DisplayText(name).c_str());
  FitToText(func_);
}

void ProgressWindow::PumpMessages() { win32::PumpMessages(); }

void ProgressWindow::StopRun() { StopNow(1); }

LRESULT ProgressWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) return 0;  // Alt+F4: the user cannot close it while the run works
      break;
    case WM_CLOSE:  // "End task"
      stop_();
      return 0;
    case WM_QUERYENDSESSION: return TRUE;  // the run need not hold up the end of the session
    case WM_ENDSESSION:
      if (wparam) stop_();
      return 0;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace zarn::win32
