// A window procedure that hands each message to the object the window was
// made for (CreateWindowExW's last argument), which WM_NCCREATE keeps in the
// window's user data; before that message, the default procedure answers.
#pragma once

#include "common/windows_api.h"

namespace hollin {

template <class T, LRESULT (T::*Handle)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? (self->*Handle)(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace hollin
