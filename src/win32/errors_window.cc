#include "win32/errors_window.h"

#include <charconv>

#include "platform/platform.h"
#include "text/text.h"

namespace zarn::win32 {

namespace {

constexpr const char* kMarker = "//!ZARN Error:";

// The script's lines, broken at CR LF, a lone CR and a lone LF as the scans
// break them, so line numbers stay those of the entries.
std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'\r' && c != L'\n') {
      lines.back() += c;
      continue;
    }
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    lines.emplace_back();
  }
  return lines;
}

}  // namespace

long long EntryLineNumber(const std::string& entry) {
  std::size_t colon = entry.find(':');
  if (colon == std::string::npos || colon < 4) return -1;
  std::string_view digits = std::string_view(entry).substr(4, colon - 4);
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  long long number = -1;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 0) return -1;
  return number;
}

ErrorsWindow::ErrorsWindow(HWND progress_window)
    : progress_window_(progress_window),
      start_process_(StartProcess),
      font_(MakeFont(L"Tahoma", 11)),
      script_font_(MakeFont(L"Courier New", 13)) {
  // A tool-window frame: small caption, close box, not resizable.
  Create(L"ZarnErrors", L"ZARN", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT,
         progress_window);
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
  HWND list = AddControl(handle(), L"LISTBOX", L"",
                         WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kList,
                         {8, 16, 828, 97}, font_, WS_EX_CLIENTEDGE);
  SendMessageW(list, LB_SETITEMHEIGHT, 0, Scaled(13));
  AddControl(handle(), L"BUTTON", L"Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, kOk, {779, 619, 57, 25}, font_);
  // Read-only edits are drawn on the button face already.
  AddControl(handle(), L"EDIT", L"", WS_TABSTOP | ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL, kLine,
             {40, 622, 57, 21}, font_, WS_EX_CLIENTEDGE | WS_EX_RTLREADING);
  AddControl(handle(), L"BUTTON", L"About ...", WS_TABSTOP | BS_PUSHBUTTON, kAbout, {700, 619, 73, 25},
             font_);
  // No word wrap: the horizontal scroll bar and ES_AUTOHSCROLL keep lines whole.
  HWND script = AddControl(handle(), L"EDIT", L"",
                           WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                               ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_NOHIDESEL,
                           kScriptFile, {8, 131, 829, 480}, script_font_, WS_EX_CLIENTEDGE);
  SendMessageW(script, EM_SETLIMITTEXT, 0, 0);  // no 32K limit on the script
  HWND label = AddControl(handle(), L"STATIC", L"Line: ", SS_LEFT, kLabel3, {8, 625, 0, 0}, font_);
  FitToText(label);
}

void ErrorsWindow::PresentErrors(const ErrorReport& report) {
  if (progress_window_) ShowWindow(progress_window_, SW_HIDE);
  Prepare(report);
  ShowModal();
}

void ErrorsWindow::Prepare(const ErrorReport& report) {
  // The edit control breaks lines at CR LF only: every break becomes one.
  const std::vector<std::wstring> lines = SplitLines(DisplayText(ReplaceAll(report.script, kMarker, "")));
  std::wstring text;
  line_starts_.clear();
  line_lengths_.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    line_starts_.push_back(text.size());
    line_lengths_.push_back(lines[i].size());
    text += lines[i];
  }
  SetDlgItemTextW(handle(), kScriptFile, text.c_str());
  HWND list = GetDlgItem(handle(), kList);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& entry : report.entries)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DisplayText(entry).c_str()));
  hint_entry_ = -1;
  if (!report.hint.empty()) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DisplayText(report.hint).c_str()));
    hint_entry_ = static_cast<int>(report.entries.size());
  }
  SelLine(report.first_marker_line);
  SetDlgItemTextW(handle(), kLine, std::to_wstring(report.first_marker_line).c_str());
  // Selecting by program sends no LBN_SELCHANGE: it does not count as a click.
  selected_entry_ = report.entries.empty() ? -1 : 0;
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected_entry_), 0);
  SetWindowTextW(handle(), DisplayText(ErrorCaption(report.marker_count)).c_str());
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
  if (line >= line_starts_.size()) return;
  HWND script = GetDlgItem(handle(), kScriptFile);
  const std::size_t start = line_starts_[line];
  SendMessageW(script, EM_SETSEL, start, start + line_lengths_[line]);
  SendMessageW(script, EM_SCROLLCARET, 0, 0);
  SetFocus(script);
}

void ErrorsWindow::LISTClick() {
  HWND list = GetDlgItem(handle(), kList);
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR || index == selected_entry_) return;  // a click on the selected entry
  selected_entry_ = static_cast<int>(index);
  if (selected_entry_ == hint_entry_) return;
  std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
  // Entries are Latin-1 bytes shown one to a character.
  std::string bytes(text.begin(), text.end());
  const long long line = EntryLineNumber(bytes);
  if (line < 0) return;
  SelLine(static_cast<std::size_t>(line));
  SetDlgItemTextW(handle(), kLine, std::to_wstring(line).c_str());
}

// Starts this very program again, without arguments, so it shows its About
// window; the running executable is found by its real path rather than
// relative to whatever the working folder happens to be.
void ErrorsWindow::ABOUTClick() {
  if (start_process_) start_process_(ExecutablePath(), {});
}

void ErrorsWindow::OKClick() { closed_ = true; }

LRESULT ErrorsWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kList && HIWORD(wparam) == LBN_SELCHANGE) LISTClick();
      if (LOWORD(wparam) == kOk || LOWORD(wparam) == IDCANCEL) OKClick();  // IDCANCEL: Escape
      if (LOWORD(wparam) == kAbout && HIWORD(wparam) == BN_CLICKED) ABOUTClick();
      return 0;
    case WM_CLOSE:
      OKClick();
      return 0;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace zarn::win32
