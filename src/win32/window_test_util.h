// What the window tests look at: client sizes, control places, texts, and a
// user's click as the control itself would send it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/window_kit.h"

namespace zarn::win32::testing_util {

inline SIZE ClientSize(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return {client.right, client.bottom};
}

// A control's place in its parent's client area, in layout pixels.
inline Box PlaceOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

inline void ExpectPlace(HWND control, Box expected) {
  const Box place = PlaceOf(control);
  EXPECT_EQ(place.left, Scaled(expected.left));
  EXPECT_EQ(place.top, Scaled(expected.top));
  EXPECT_EQ(place.width, Scaled(expected.width));
  EXPECT_EQ(place.height, Scaled(expected.height));
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The controls that Tab visits, in order, starting from the first.
inline std::vector<int> TabOrder(HWND dialog) {
  std::vector<int> ids;
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  for (HWND at = first; at && (ids.empty() || at != first); at = GetNextDlgTabItem(dialog, at, FALSE))
    ids.push_back(GetDlgCtrlID(at));
  return ids;
}

// A button pressed by the user: the notification the button sends its parent.
inline void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Calls `modal`, a modal wait on `window` that the messages the test queued
// should end, for at most `limit_ms`: a wait still running then is ended by
// destroying the window, and the test fails, naming what it waited for.
template <typename Modal>
void ExpectModalWaitEnds(HWND window, const char* awaited, Modal&& modal, UINT limit_ms = 20000) {
  // Timer callbacks take no context: statics carry it.
  static HWND watched;
  static bool timed_out;
  watched = window;
  timed_out = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, limit_ms, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    timed_out = true;
    DestroyWindow(watched);
  });
  modal();
  KillTimer(nullptr, timer);
  EXPECT_FALSE(timed_out) << "the modal wait did not end within " << limit_ms / 1000 << " s: " << awaited;
}

}  // namespace zarn::win32::testing_util
