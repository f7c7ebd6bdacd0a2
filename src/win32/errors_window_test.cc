#include "win32/errors_window.h"

#include "platform/paths.h"
#include "testing/entry_texts.h"
#include "win32/window_test_util.h"

namespace zarn::win32 {
namespace {

using namespace testing_util;
using Id = ErrorsWindow::ControlId;

// The script view's selection as [start, end) in characters.
std::pair<DWORD, DWORD> Selection(const ErrorsWindow& window) {
  DWORD start = 0, end = 0;
  SendDlgItemMessageW(window.handle(), Id::kScriptFile, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

std::wstring SelectedText(const ErrorsWindow& window) {
  const std::wstring text = WindowText(GetDlgItem(window.handle(), Id::kScriptFile));
  const auto [start, end] = Selection(window);
  return text.substr(start, end - start);
}

std::wstring LineField(const ErrorsWindow& window) { return WindowText(GetDlgItem(window.handle(), Id::kLine)); }

// The user picks entry `index`: the list box selects it and tells its parent.
void PickEntry(const ErrorsWindow& window, int index) {
  HWND list = GetDlgItem(window.handle(), Id::kList);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(Id::kList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

ErrorReport ThreeMarkers() {
  ErrorReport report;
  report.script =
      "function f takes nothing returns nothing\r\n"
      "//!ZARN Error: Mount a\r\n"
      "endfunction\r\n"
      "//!ZARN Error: New b\r\n"
      "call X()\r\n"
      "//!ZARN Error: Global c\r\n";
  report.entries = {zarn::testing_util::ProcessedEntry(1, "mount error"),
                    zarn::testing_util::ProcessedEntry(3, "new error"),
                    zarn::testing_util::ProcessedEntry(5, "global error")};
  report.first_marker_line = 1;
  report.marker_count = 3;
  return report;
}

TEST(ErrorsWindowTest, FrameSizeControlsAndTabOrder) {
  ErrorsWindow window;
  HWND w = window.handle();
  EXPECT_EQ(WindowText(w), L"ZARN");  // until the result is presented
  EXPECT_EQ(ClientSize(w).cx, Scaled(847));
  EXPECT_EQ(ClientSize(w).cy, Scaled(652));
  EXPECT_TRUE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);  // the close box
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  ExpectPlace(GetDlgItem(w, Id::kList), {8, 16, 828, 97});
  ExpectPlace(GetDlgItem(w, Id::kOk), {779, 619, 57, 25});
  ExpectPlace(GetDlgItem(w, Id::kLine), {40, 622, 57, 21});
  ExpectPlace(GetDlgItem(w, Id::kAbout), {700, 619, 73, 25});
  ExpectPlace(GetDlgItem(w, Id::kScriptFile), {8, 131, 829, 480});
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kOk)), L"Ok");
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kAbout)), L"About ...");
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kLabel3)), L"Line: ");
  EXPECT_EQ(PlaceOf(GetDlgItem(w, Id::kLabel3)).top, Scaled(625));
  EXPECT_EQ(SendDlgItemMessageW(w, Id::kList, LB_GETITEMHEIGHT, 0, 0), Scaled(13));

  const LONG_PTR line = GetWindowLongPtrW(GetDlgItem(w, Id::kLine), GWL_STYLE);
  EXPECT_TRUE(line & ES_READONLY);
  EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(w, Id::kLine), GWL_EXSTYLE) & WS_EX_RTLREADING);
  const LONG_PTR script = GetWindowLongPtrW(GetDlgItem(w, Id::kScriptFile), GWL_STYLE);
  EXPECT_TRUE(script & ES_READONLY);
  EXPECT_TRUE(script & ES_MULTILINE);
  EXPECT_TRUE(script & WS_HSCROLL);  // no word wrap
  EXPECT_TRUE(script & WS_VSCROLL);
  EXPECT_EQ(TabOrder(w), (std::vector<int>{Id::kList, Id::kOk, Id::kLine, Id::kAbout, Id::kScriptFile}));
}

TEST(ErrorsWindowTest, PresentationSelectsTheFirstMarkerLineAndCountsInTheCaption) {
  ErrorsWindow window;
  window.Prepare(ThreeMarkers());
  EXPECT_EQ(WindowText(window.handle()), L"ZARN: 3 errors found!");
  EXPECT_EQ(SelectedText(window), L" Mount a");
  EXPECT_EQ(LineField(window), L"1");
  EXPECT_EQ(SendDlgItemMessageW(window.handle(), Id::kList, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendDlgItemMessageW(window.handle(), Id::kList, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(WindowText(GetDlgItem(window.handle(), Id::kScriptFile)).find(L"//!ZARN Error:"), std::wstring::npos);
}

TEST(ErrorsWindowTest, PickingAnEntryJumpsToItsLine) {
  ErrorsWindow window;
  window.Prepare(ThreeMarkers());
  PickEntry(window, 1);
  EXPECT_EQ(SelectedText(window), L" New b");
  EXPECT_EQ(LineField(window), L"3");
  EXPECT_EQ(GetFocus(), GetDlgItem(window.handle(), Id::kScriptFile));
  PickEntry(window, 2);
  EXPECT_EQ(SelectedText(window), L" Global c");
  EXPECT_EQ(LineField(window), L"5");
}

TEST(ErrorsWindowTest, TheHintIsTheLastEntryAndJumpsNowhere) {
  ErrorsWindow window;
  ErrorReport report = ThreeMarkers();
  report.hint = "Hint: names in this script hold keywords";
  window.Prepare(report);
  EXPECT_EQ(WindowText(window.handle()), L"ZARN: 3 errors found!");
  EXPECT_EQ(SendDlgItemMessageW(window.handle(), Id::kList, LB_GETCOUNT, 0, 0), 4);
  PickEntry(window, 1);
  PickEntry(window, 3);
  EXPECT_EQ(SelectedText(window), L" New b");
  EXPECT_EQ(LineField(window), L"3");
}

TEST(ErrorsWindowTest, OneMarkerOnLineZeroAndAListWithoutEntries) {
  ErrorsWindow window;
  ErrorReport report;
  report.script = "//!ZARN Error: Odd kind\r\nendfunction\r\n";
  report.first_marker_line = 0;
  report.marker_count = 1;  // counted, but no entry
  window.Prepare(report);
  EXPECT_EQ(WindowText(window.handle()), L"ZARN: 1 error found!");
  EXPECT_EQ(Selection(window).first, 0u);
  EXPECT_EQ(SelectedText(window), L" Odd kind");
  EXPECT_EQ(LineField(window), L"0");
  EXPECT_EQ(SendDlgItemMessageW(window.handle(), Id::kList, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST(ErrorsWindowTest, LoneLineBreaksCountAsLinesAndLongScriptsStayWhole) {
  ErrorsWindow window;
  ErrorReport report;
  // A lone LF and a lone CR each end a line for the scans.
  report.script = "a\nb\rc\r\n" + std::string(40000, 'x') + "\r\n//!ZARN Error: Mount end\r\n";
  report.entries = {zarn::testing_util::ProcessedEntry(4, "mount error")};
  report.first_marker_line = 4;
  report.marker_count = 1;
  window.Prepare(report);
  EXPECT_EQ(SelectedText(window), L" Mount end");
  window.SelLine(2);
  EXPECT_EQ(SelectedText(window), L"c");
  window.SelLine(99);  // past the end: unchanged
  EXPECT_EQ(SelectedText(window), L"c");
}

TEST(ErrorsWindowTest, AboutStartsTheProgramAgainWithoutArguments) {
  ErrorsWindow window;
  window.Prepare(ThreeMarkers());
  std::vector<std::pair<std::string, std::size_t>> started;
  window.SetProcessStarter([&](const std::string& program, const std::vector<std::string>& args) {
    started.emplace_back(program, args.size());
    return true;
  });
  std::vector<std::string> told;
  window.SetMessageShower([&](const std::string& text, bool error) {
    EXPECT_TRUE(error);
    told.push_back(text);
  });
  Click(window.handle(), Id::kAbout);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].first, ExecutablePath());
  EXPECT_EQ(started[0].second, 0u);
  EXPECT_TRUE(told.empty());
  EXPECT_EQ(WindowText(window.handle()), L"ZARN: 3 errors found!");  // stays open, unchanged

  // A start that fails is told, and the window stays as it was.
  window.SetProcessStarter([](const std::string&, const std::vector<std::string>&) { return false; });
  Click(window.handle(), Id::kAbout);
  EXPECT_EQ(told, std::vector<std::string>{AboutNotStartedMessage(ExecutablePath())});
  EXPECT_EQ(WindowText(window.handle()), L"ZARN: 3 errors found!");
}

TEST(ErrorsWindowTest, OkAndTheCloseBoxEndTheModalWait) {
  for (UINT how : {0u, 1u}) {
    ErrorsWindow window;
    window.Prepare(ThreeMarkers());
    if (how == 0)
      PostMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(Id::kOk, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window.handle(), Id::kOk)));
    else
      PostMessageW(window.handle(), WM_CLOSE, 0, 0);
    ExpectModalWaitEnds(window.handle(), how == 0 ? "Ok ends it" : "the close box ends it",
                        [&] { window.ShowModal(); });
    EXPECT_FALSE(IsWindowVisible(window.handle()));
  }
}

TEST(ErrorsWindowTest, PresentingHidesTheProgressWindow) {
  HWND progress = CreateWindowExW(0, L"STATIC", L"progress", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
  {
    ErrorsWindow window(progress);
    PostMessageW(window.handle(), WM_CLOSE, 0, 0);
    ExpectModalWaitEnds(window.handle(), "the close box ends the presented errors",
                        [&] { window.PresentErrors(ThreeMarkers()); });
    EXPECT_FALSE(IsWindowVisible(progress));
  }
  DestroyWindow(progress);
}

}  // namespace
}  // namespace zarn::win32
