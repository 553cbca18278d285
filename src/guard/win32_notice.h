// The guard's notice, shown by a process of its own ("hollin.exe --guard
// --notice GUARD-WINDOW", started by the guard): its window's controls, its
// fonts and its drawing leave with that process when the notice is answered
// or closed, and the resident guard keeps none of them.
//
// The guard hands the notice's process what to show (WM_COPYDATA, a packed
// NoticeView) and tells it to go (kNoticeGo); the notice's process says its
// window is there (kNoticeHere, lParam the window) and passes each answer on
// (kNoticeAnswer, wParam the button's identifier; Close for the window's
// close box and Esc). Only posted messages and WM_COPYDATA cross: both work
// between processes, under Wine too.
#pragma once

#include "common/windows_api.h"

namespace hollin::guard {

inline constexpr wchar_t kNoticeClass[] = L"HollinGuardNotice";
inline constexpr wchar_t kGuardClass[] = L"HollinGuard";

inline constexpr UINT kNoticeHere = WM_APP + 4;    // notice -> guard, lParam: the notice's window
inline constexpr UINT kNoticeAnswer = WM_APP + 5;  // notice -> guard, wParam: the button
inline constexpr UINT kNoticeGo = WM_APP + 6;      // guard -> notice
inline constexpr ULONG_PTR kNoticeViewData = 0x48474e31;  // WM_COPYDATA's dwData for a view

// The notice window's controls.
enum : UINT { kNoticeText = 100, kReview = 101, kKeep = 102, kSettings = 103, kClose = 104 };

// Runs the notice's process for the guard whose window is guard; returns
// its exit code (0; 64 where guard is not a guard's window).
int RunNoticeProcess(HINSTANCE instance, HWND guard);

}  // namespace hollin::guard
