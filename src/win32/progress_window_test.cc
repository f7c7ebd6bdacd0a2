#include "win32/progress_window.h"

#include <commctrl.h>

#include "win32/window_test_util.h"

namespace zarn::win32 {
namespace {

using namespace testing_util;

int BarPosition(const ProgressWindow& window) {
  return static_cast<int>(SendDlgItemMessageW(window.handle(), ProgressWindow::kProgress, PBM_GETPOS, 0, 0));
}

TEST(ProgressWindowTest, CaptionSizeFrameAndControls) {
  ProgressWindow window;
  EXPECT_EQ(WindowText(window.handle()), L"ZARN - Parsing");
  const SIZE size = ClientSize(window.handle());
  EXPECT_EQ(size.cx, Scaled(396));
  EXPECT_EQ(size.cy, Scaled(88));
  const LONG_PTR style = GetWindowLongPtrW(window.handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_SYSMENU);  // no close, minimise or maximise box
  EXPECT_FALSE(style & WS_THICKFRAME);
  HWND bar = GetDlgItem(window.handle(), ProgressWindow::kProgress);
  EXPECT_EQ(ClassOf(bar), L"msctls_progress32");
  EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_STYLE) & PBS_SMOOTH);
  ExpectPlace(bar, {12, 50, 370, 30});
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(BarPosition(window), 0);
  EXPECT_EQ(WindowText(GetDlgItem(window.handle(), ProgressWindow::kStatus)), L"");
  EXPECT_EQ(PlaceOf(GetDlgItem(window.handle(), ProgressWindow::kFunc)).top, Scaled(31));
}

TEST(ProgressWindowTest, ReportsSetTheBarAndTheLines) {
  ProgressWindow window;
  window.Show();
  window.SetProgress("Parsing blocks", 80);
  EXPECT_EQ(BarPosition(window), 80);
  window.SetProgress("Parsing blocks", 50);  // the bar moves back
  EXPECT_EQ(BarPosition(window), 50);
  for (int closing : {110, 120}) {
    window.SetProgress("Done", closing);
    EXPECT_EQ(BarPosition(window), 100);
  }
  EXPECT_EQ(WindowText(GetDlgItem(window.handle(), ProgressWindow::kStatus)), L"Done");
  // Bytes above 127 show as their Latin-1 characters, as in the Qt program.
  window.SetFunctionName("f\xe9_name", false);
  HWND func = GetDlgItem(window.handle(), ProgressWindow::kFunc);
  EXPECT_EQ(WindowText(func), L"f\u00e9_name");
  EXPECT_GT(PlaceOf(func).width, 0);  // sized to its text
}

TEST(ProgressWindowTest, OnlyEndTaskOrTheSessionsEndStopsTheRun) {
  int stops = 0;
  ProgressWindow window([&] { ++stops; });
  window.Show();
  SendMessageW(window.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
  SendMessageW(window.handle(), WM_ENDSESSION, FALSE, 0);     // the end was called off
  PumpMessages();
  EXPECT_EQ(stops, 0);
  EXPECT_TRUE(IsWindow(window.handle()));
  EXPECT_TRUE(IsWindowVisible(window.handle()));
  EXPECT_EQ(SendMessageW(window.handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(stops, 0);
  SendMessageW(window.handle(), WM_CLOSE, 0, 0);  // "End task"
  EXPECT_EQ(stops, 1);
  SendMessageW(window.handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(stops, 2);
}

}  // namespace
}  // namespace zarn::win32
