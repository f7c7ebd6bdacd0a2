// The small set of Win32 helpers the three windows share: a window object
// behind each HWND, fonts, placement, controls, the message pump and the
// modal loop.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zarn::win32 {

// Script bytes as the Qt program shows them: each byte one Latin-1 character,
// so no byte sequence is lost or merged.
std::wstring DisplayText(std::string_view bytes);
// Pixels of the layout at 96 dots per inch, scaled to the system's setting.
int Scaled(int pixels);
// A font by face and character height in pixels (scaled).
HFONT MakeFont(const wchar_t* face, int pixel_height, bool bold = false, bool underline = false);
// Gives `window` a client area of the given layout size, centred on the work
// area of the primary screen.
void PlaceCentred(HWND window, int client_width, int client_height);
// A place in the layout, in pixels at 96 dots per inch.
struct Box {
  int left, top, width, height;
};

// A child control at a layout position, with its font.
HWND AddControl(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style, int id, Box layout,
                HFONT font, DWORD ex_style = 0);
// Makes a label as large as its text.
void FitToText(HWND label);
// Widens a label to its text, never narrower than planned, so that a wider
// fallback font does not cut the text off.
void WidenToText(HWND label);
std::wstring WindowText(HWND window);
// Handles every window message that is waiting, then returns.
void PumpMessages();

// A top-level window owned by a C++ object: Create registers the class once
// and routes the window's messages to HandleMessage.
class Window {
 public:
  virtual ~Window();
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_; }

 protected:
  void Create(const wchar_t* class_name, const wchar_t* caption, DWORD style, DWORD ex_style, HWND owner);
  // Destroys the window; derived windows call it before freeing what their
  // controls use (fonts, pictures).
  void Destroy();
  // Messages not handled here go to DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Runs the window's message loop, with dialog keys (Tab, Enter), until
  // `*done` is set or the window is gone. The owner is disabled meanwhile.
  void RunModal(const bool* done);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND handle_ = nullptr;
};

}  // namespace zarn::win32
