#include "guard/win32_notice.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "common/names.h"
#include "common/win32_object_window.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"
#include "guard/notice.h"
#include "messages/messages.h"
#include "resource.h"

namespace hollin::guard {
namespace {

class NoticeWindow {
 public:
  NoticeWindow(HINSTANCE instance, HWND guard, DWORD guardPid)
      : instance_(instance), guard_(guard), guardPid_(guardPid) {}

  ~NoticeWindow() {
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
  }

  int Run(HANDLE guardProcess) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ObjectWindowProc<NoticeWindow, &NoticeWindow::Handle>;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_HOLLIN));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = kNoticeClass;
    RegisterClassExW(&wc);
    // Made hidden, with its controls; shown with the first view.
    window_ = CreateWindowExW(kExStyle, kNoticeClass, Wide(kAppTitle).c_str(), kStyle, 0, 0, 0, 0, nullptr, nullptr,
                              instance_, this);
    if (!window_) return 5;
    auto child = [&](const wchar_t* cls, const wchar_t* caption, UINT id, DWORD more) {
      CreateWindowExW(0, cls, caption, WS_CHILD | WS_VISIBLE | more, 0, 0, 0, 0, window_,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    };
    child(L"STATIC", L"", kNoticeText, SS_LEFT | SS_NOPREFIX);
    child(L"BUTTON", Wide(msg::kNoticeReview).c_str(), kReview, BS_DEFPUSHBUTTON | WS_TABSTOP);
    child(L"BUTTON", Wide(msg::kNoticeKeep).c_str(), kKeep, BS_PUSHBUTTON | WS_TABSTOP);
    child(L"BUTTON", Wide(msg::kNoticeSettings).c_str(), kSettings, BS_PUSHBUTTON | WS_TABSTOP);
    child(L"BUTTON", Wide(msg::kNoticeClose).c_str(), kClose, BS_PUSHBUTTON | WS_TABSTOP);
    // The guard may send a view from now on.
    ChangeWindowMessageFilterEx(window_, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window_, kNoticeGo, MSGFLT_ALLOW, nullptr);
    // The guard hands the view over as soon as it hears of the window, with
    // a send that gives up at once on a thread the system takes as hung:
    // one that has not looked at its messages for five seconds, which Wine
    // counts from when the thread's queue was made. A start on a busy
    // machine may take that long, so the queue is looked at before the
    // guard is told.
    MSG peeked;
    PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE);
    if (!PostMessageW(guard_, kNoticeHere, 0, reinterpret_cast<LPARAM>(window_))) return 0;
    for (;;) {
      const DWORD r = MsgWaitForMultipleObjectsEx(1, &guardProcess, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      // The guard ended (or could not be waited for): its notice goes with it.
      if (r != WAIT_OBJECT_0 + 1) return 0;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return 0;
        if (window_ && IsDialogMessageW(window_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }

 private:
  static constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  static constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_COPYDATA: {
        // Only the guard's views are shown.
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (reinterpret_cast<HWND>(wp) != guard_ || !data || data->dwData != kNoticeViewData ||
            (data->cbData && !data->lpData))
          return FALSE;
        const auto view =
            UnpackNoticeView(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
        if (!view) return FALSE;
        Show(*view);
        return TRUE;
      }
      case kNoticeGo:
        DestroyWindow(hwnd);
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
      case WM_COMMAND: {
        const UINT id = LOWORD(wp) == IDCANCEL ? static_cast<UINT>(kClose) : LOWORD(wp);
        if (id == kReview || id == kKeep || id == kSettings || id == kClose) Answer(id);
        return 0;
      }
      case WM_CLOSE: Answer(kClose); return 0;
      case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  // The guard answers: the window stays until it says the notice is done.
  // What it starts for the answer (the program's window, Settings) may come
  // to the front, as it would from the window clicked.
  void Answer(UINT id) {
    AllowSetForegroundWindow(guardPid_);
    PostMessageW(guard_, kNoticeAnswer, id, 0);
  }

  // The notice: a small window at the corner of the work area (where the
  // notification area is), in front of others but taking no focus, its text
  // readable from any process (WM_GETTEXT of its static control).
  // It is sized for the monitor it shows on (the taskbar's), in that
  // monitor's DPI.
  void Show(const NoticeView& view) {
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    const HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpi = MonitorDpi(monitor, systemDpi);
    if (font_ && fontDpi_ != dpi) {
      DeleteObject(font_);
      font_ = nullptr;
    }
    if (!font_) {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
      // The system's font is told at the system's DPI.
      metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
      font_ = CreateFontIndirectW(&metrics.lfMessageFont);
      fontDpi_ = dpi;
      for (HWND c = GetWindow(window_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
    const std::wstring wide = Wide(view.text);
    const int margin = px(12), width = px(380), textWidth = width - 2 * margin;
    RECT measure{0, 0, textWidth, 0};
    const HGDIOBJ old = SelectObject(screen, font_);
    DrawTextW(screen, wide.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    const int textHeight = std::min<int>(measure.bottom, px(300));
    const int buttonW = px(84), buttonH = px(26);
    const int clientH = margin + textHeight + margin + buttonH + margin;
    RECT outer{0, 0, width, clientH};
    AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work;
    if (GetMonitorInfoW(monitor, &info)) work = info.rcWork;
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    const int x = work.right - w - margin, y = work.bottom - h - margin;
    SetWindowPos(window_, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
    SetDlgItemTextW(window_, kNoticeText, wide.c_str());
    MoveWindow(GetDlgItem(window_, kNoticeText), margin, margin, textWidth, textHeight, TRUE);
    // Right to left: Close, then Keep and Review where there is something to
    // answer, Settings where only Settings can set it back.
    int right = width - margin;
    auto place = [&](UINT id, bool shown) {
      const HWND b = GetDlgItem(window_, id);
      ShowWindow(b, shown ? SW_SHOWNA : SW_HIDE);
      if (!shown) return;
      right -= buttonW;
      MoveWindow(b, right, clientH - margin - buttonH, buttonW, buttonH, TRUE);
      right -= px(6);
    };
    place(kClose, true);
    place(kKeep, view.answers);
    place(kReview, view.answers);
    place(kSettings, view.settings);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    if (view.forward) SetForegroundWindow(window_);
  }

  // A monitor's DPI (GetDpiForMonitor, Windows 8.1 and later, looked up),
  // else the system's.
  static int MonitorDpi(HMONITOR monitor, int systemDpi) {
    typedef HRESULT(WINAPI DpiForMonitor)(HMONITOR, int, UINT*, UINT*);
    static const auto get = SystemFunction<DpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (get && monitor && SUCCEEDED(get(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0)
      return static_cast<int>(x);
    return systemDpi;
  }

  HINSTANCE instance_;
  HWND guard_;
  DWORD guardPid_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int fontDpi_ = 0;
};

}  // namespace

int RunNoticeProcess(HINSTANCE instance, HWND guard) {
  // Only a guard's window is answered: the notice's process passes on what
  // the user clicks to it and to nothing else.
  wchar_t cls[64] = L"";
  DWORD pid = 0;
  if (!IsWindow(guard) || !GetClassNameW(guard, cls, static_cast<int>(std::size(cls))) ||
      std::wstring_view(cls) != kGuardClass || !GetWindowThreadProcessId(guard, &pid))
    return 64;
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return 0;
  int code = 0;
  {
    NoticeWindow notice(instance, guard, pid);
    code = notice.Run(process);
  }
  CloseHandle(process);
  return code;
}

}  // namespace hollin::guard
