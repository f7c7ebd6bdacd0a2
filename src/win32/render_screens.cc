// zarn-win-screens DIR: shows each window of ZARN.exe filled as in a real run
// and saves what the screen shows of it as a BMP file in DIR, so the Windows
// layout can be looked at beside the Qt one (scripts/render-screens.sh runs
// it under Wine on a virtual X display).
#include <windows.h>

#include <cstdio>
#include <string>

#include "desktop/sample_reports.h"
#include "platform/files.h"
#include "win32/about_window.h"
#include "win32/entry.h"
#include "win32/errors_window.h"
#include "win32/progress_window.h"

namespace {

using namespace zarn::win32;

// The window's frame as the screen shows it, as a 24-bit bottom-up BMP.
bool SaveScreenOf(HWND window, const std::string& path, bool show = true) {
  if (show) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
  }
  for (int i = 0; i < 20; ++i) {  // let the window manager map and paint it
    PumpMessages();
    Sleep(25);
  }
  // Only what lies on the screen can be read back; a window off it or one
  // without a size is reported rather than saved as garbage.
  RECT placed, frame;
  const RECT screen_rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!GetWindowRect(window, &placed) || !IntersectRect(&frame, &placed, &screen_rect)) {
    std::fprintf(stderr, "%s: the window is not on the screen\n", path.c_str());
    return false;
  }
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::fprintf(stderr, "%s: no memory for the picture\n", path.c_str());
    return false;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  GdiFlush();
  const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD image = row * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{0x4d42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + image), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), image);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (show) ShowWindow(window, SW_HIDE);
  zarn::WriteFileBytes(path, bytes);
  std::printf("wrote %s\n", path.c_str());
  return true;
}

// The message box waits in its own loop: a timer of this thread saves it from
// inside that loop, then presses OK.
std::string box_picture_path;
bool box_saved = false;

void CALLBACK SaveMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", L"ZARN");
  if (!box) return;  // not up yet
  KillTimer(nullptr, timer);
  box_saved = SaveScreenOf(box, box_picture_path, false);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: zarn-win-screens DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  CreateDirectoryA(dir.c_str(), nullptr);
  ProgressWindow progress;
  progress.SetProgress("Parsing function:", 50);
  progress.SetFunctionName("Spawn", false);
  bool saved = SaveScreenOf(progress.handle(), dir + "/win-progress.bmp");
  ErrorsWindow errors;
  errors.Prepare(zarn::SampleMarkerReport());
  saved = SaveScreenOf(errors.handle(), dir + "/win-errors.bmp") && saved;
  AboutWindow about;
  saved = SaveScreenOf(about.handle(), dir + "/win-about.bmp") && saved;
  box_picture_path = dir + "/win-drop-box.bmp";
  SetTimer(nullptr, 0, 100, SaveMessageBox);
  ShowMessage(zarn::SampleDropMessage("C:\\Users\\user\\AppData\\Local\\ZARN"), true);
  saved = box_saved && saved;
  return saved ? 0 : 1;
}
