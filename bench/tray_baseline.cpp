// What any resident program with a notification icon costs under Wine, for
// guard_bench to set the guard's working set beside: a hidden top-level
// window and a notification icon, then the message loop until WM_CLOSE.
// Nothing else: no registry, no files, no C++ library beyond what the
// runtime starts with. A program of the windows subsystem, as hollin.exe is.
//
//   tray_baseline
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t kClass[] = L"HollinTrayBaseline";

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 1;
  const HWND window = CreateWindowExW(0, kClass, L"tray baseline", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                      instance, nullptr);
  if (!window) return 1;
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = window;
  nid.uID = 1;
  nid.uFlags = NIF_ICON | NIF_TIP;
  nid.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512) /* IDI_APPLICATION */);
  lstrcpyW(nid.szTip, L"tray baseline");
  const bool icon = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (icon) Shell_NotifyIconW(NIM_DELETE, &nid);
  DestroyWindow(window);
  return icon ? 0 : 3;
}
