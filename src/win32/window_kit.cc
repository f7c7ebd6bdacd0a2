#include "win32/window_kit.h"

#include <commctrl.h>

#include <algorithm>

namespace zarn::win32 {

std::wstring DisplayText(std::string_view bytes) {
  std::wstring text(bytes.size(), L'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
  return text;
}

int Scaled(int pixels) {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
  }();
  return MulDiv(pixels, dpi, 96);
}

namespace {

// Without the face, the font mapper falls back to a font of the same pitch:
// the script stays in columns wherever Courier New is missing (as in Wine).
DWORD FontPitch(const wchar_t* face) {
  return std::wstring_view(face).starts_with(L"Courier") ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_SWISS;
}

}  // namespace

HFONT MakeFont(const wchar_t* face, int pixel_height, bool bold, bool underline) {
  // A negative height is the character height without the internal leading.
  return CreateFontW(-Scaled(pixel_height), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FontPitch(face),
                     face);
}

void PlaceCentred(HWND window, int client_width, int client_height) {
  RECT frame{0, 0, Scaled(client_width), Scaled(client_height)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND AddControl(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style, int id, Box layout,
                HFONT font, DWORD ex_style) {
  HWND control = CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, Scaled(layout.left),
                                 Scaled(layout.top), Scaled(layout.width), Scaled(layout.height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void WidenToText(HWND label) {
  RECT planned;
  GetClientRect(label, &planned);
  FitToText(label);
  RECT fitted;
  GetClientRect(label, &fitted);
  SetWindowPos(label, nullptr, 0, 0, std::max(planned.right, fitted.right), std::max(planned.bottom, fitted.bottom),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitToText(HWND label) {
  const std::wstring text = WindowText(label);
  HDC context = GetDC(label);
  HGDIOBJ previous = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SIZE size{0, 0};
  GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(context, previous);
  ReleaseDC(label, context);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns it
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

Window::~Window() { Destroy(); }

void Window::Destroy() {
  if (!handle_) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
  handle_ = nullptr;
}

void Window::Create(const wchar_t* class_name, const wchar_t* caption, DWORD style, DWORD ex_style, HWND owner) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), class_name, &window_class)) {
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The icon resource of ZARN.exe; other programs (the tests) have none.
    window_class.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    window_class.lpszClassName = class_name;
    RegisterClassExW(&window_class);
  }
  CreateWindowExW(ex_style, class_name, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner, nullptr,
                  GetModuleHandleW(nullptr), this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(handle_, message, wparam, lparam);
}

void Window::RunModal(const bool* done) {
  HWND owner = GetWindow(handle_, GW_OWNER);
  if (owner) EnableWindow(owner, FALSE);
  MSG message;
  while (!*done && IsWindow(handle_)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (IsDialogMessageW(handle_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (owner) EnableWindow(owner, TRUE);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

}  // namespace zarn::win32
