#include "win32/about_window.h"

#include "win32/window_test_util.h"

namespace zarn::win32 {
namespace {

using namespace testing_util;
using Id = AboutWindow::ControlId;

TEST(AboutWindowTest, CaptionFrameLabelsAndTabOrder) {
  AboutWindow window;
  HWND w = window.handle();
  EXPECT_EQ(WindowText(w), L"ZARN - About");
  EXPECT_EQ(ClientSize(w).cx, Scaled(266));
  EXPECT_EQ(ClientSize(w).cy, Scaled(145));
  const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);  // resizable
  EXPECT_FALSE(style & WS_SYSMENU);    // no buttons in the title bar
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kLabel1)), L"Small preprocessor that extends");
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kLabel2)), L" Jass 2 language of Blizzard");
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kLabel3)), L"" ZARN_PROJECT_URL);
  EXPECT_EQ(WindowText(GetDlgItem(w, Id::kExit)), L"Exit");
  ExpectPlace(GetDlgItem(w, Id::kExit), {178, 112, 80, 25});
  ExpectPlace(GetDlgItem(w, Id::kImage1), {8, 24, 48, 48});
  EXPECT_EQ(PlaceOf(GetDlgItem(w, Id::kLabel1)).left, Scaled(62));
  EXPECT_EQ(PlaceOf(GetDlgItem(w, Id::kLabel1)).top, Scaled(30));
  EXPECT_GE(PlaceOf(GetDlgItem(w, Id::kLabel1)).width, Scaled(185));  // wider for a wider font
  EXPECT_EQ(PlaceOf(GetDlgItem(w, Id::kLabel3)).left, Scaled(16));
  EXPECT_EQ(PlaceOf(GetDlgItem(w, Id::kLabel3)).top, Scaled(117));
  EXPECT_EQ(TabOrder(w).front(), Id::kExit);
  LOGFONTW link{};
  GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(w, Id::kLabel3, WM_GETFONT, 0, 0)), sizeof link, &link);
  EXPECT_TRUE(link.lfUnderline);
}

TEST(AboutWindowTest, TheLinkOpensTheCommunitySiteEachTimeAndTheWindowStays) {
  AboutWindow window;
  std::vector<std::string> opened;
  window.SetUrlOpener([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  for (int i = 0; i < 2; ++i)
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(Id::kLabel3, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window.handle(), Id::kLabel3)));
  EXPECT_EQ(opened, (std::vector<std::string>{ZARN_COMMUNITY_URL, ZARN_COMMUNITY_URL}));
  EXPECT_TRUE(IsWindow(window.handle()));
}

TEST(AboutWindowTest, OnlyExitClosesIt) {
  AboutWindow window;
  // Queued before the modal wait: the close requests are refused, Exit ends it.
  PostMessageW(window.handle(), WM_CLOSE, 0, 0);
  PostMessageW(window.handle(), WM_COMMAND, IDCANCEL, 0);
  // After the refused requests a timer looks whether the window is still up,
  // then presses Exit. Timer callbacks take no context: statics carry it.
  static HWND shown;
  static bool still_open;
  shown = window.handle();
  still_open = false;
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    still_open = IsWindowVisible(shown);
    Click(shown, AboutWindow::kExit);
  });
  ExpectModalWaitEnds(window.handle(), "Exit, pressed by a timer, ends it", [&] { window.ShowModal(); });
  EXPECT_TRUE(still_open);
  EXPECT_FALSE(IsWindowVisible(window.handle()));
}

}  // namespace
}  // namespace zarn::win32
