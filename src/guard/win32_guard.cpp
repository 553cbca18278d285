#include "guard/win32_guard.h"

#include <malloc.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "base/base_location.h"
#include "common/names.h"
#include "common/text.h"
#include "common/win32_platform.h"
#include "common/win32_session_mutex.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"
#include "compare/default_apps.h"
#include "messages/messages.h"
#include "guard/loop.h"
#include "guard/win32_check_heap.h"
#include "registry/win32_registry.h"
#include "resource.h"

namespace hollin::guard {
namespace {

// Found by a second start and by "--guard --stop"; the class tells it, the
// title is for people and tests.
constexpr wchar_t kGuardClass[] = L"HollinGuard";
constexpr wchar_t kNoticeClass[] = L"HollinGuardNotice";
constexpr wchar_t kGuardMutex[] = L"Local\\Hollin.Guard";

constexpr UINT kIconMessage = WM_APP + 1;  // the notification icon's mouse
constexpr UINT kComeForward = WM_APP + 2;  // a second start asks for the window
// Answers how many checks the guard ran (wParam 0), how many wake-ups from
// the user classes found nothing to check (1), how many events of changes
// (1001) it wrote (2), and how many heaps of past checks are still held by
// a block made on them (3): for scripts that watch it, and its benchmark.
constexpr UINT kCounts = WM_APP + 3;
constexpr UINT_PTR kIconTimer = 1;         // the icon added again until the taskbar takes it
constexpr UINT kIconRetryMs = 5000;

// The icon menu's commands (WM_COMMAND), which a script may send too.
enum : UINT { kOpen = 40101, kCheckNow = 40102, kPause = 40103, kExit = 40104 };
// The notice window's controls.
enum : UINT { kNoticeText = 100, kReview = 101, kKeep = 102, kSettings = 103, kClose = 104 };

constexpr Millis kHour = 3600 * 1000;

// A registry key watched with its subtree; a key that is not there yet is
// watched through the nearest key above it that is, for its names only,
// until it appears.
struct Watch {
  HKEY root;
  std::wstring path;
  HKEY key = nullptr;
  bool whole = false;  // the key itself, with its subtree
  HANDLE event = nullptr;
  bool userClasses = false;  // the user's class hive, where Explorer writes too
};

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

class Win32Guard : public IGuardHost, public ISignals {
 public:
  Win32Guard(HINSTANCE instance, std::function<void(const CheckRecord&)> record)
      : instance_(instance), record_(std::move(record)) {
    start_ = GetTickCount64();
    const std::string folder = platform_.ProgramFolder();
    platform_.ChangeCurrentFolder(folder);
    const BaseLocation base = LocateBase(platform_, folder);
    g_.BaseFile = base.file;
    g_.FormerBaseFile = base.readFirst;
    guard_ = std::make_unique<Guard>(reg_, platform_, g_, *this);
  }

  ~Win32Guard() override {
    RemoveIcon();
    for (Watch& w : watches_) {
      if (w.key) RegCloseKey(w.key);
      if (w.event) CloseHandle(w.event);
    }
    for (HANDLE h : folders_) FindCloseChangeNotification(h);
    if (notice_) DestroyWindow(notice_);
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
  }

  int Run() {
    if (!MakeWindows()) return 5;
    AddIcon();
    // Armed before the first check, so that no change slips in between.
    for (const auto& [root, path] : {std::pair{HKEY_LOCAL_MACHINE, L"Software\\Classes"},
                                     std::pair{HKEY_CURRENT_USER, L"Software\\Classes"},
                                     std::pair{HKEY_CURRENT_USER,
                                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts"},
                                     std::pair{HKEY_CURRENT_USER,
                                               L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations"}}) {
      watches_.push_back({root, path});
      watches_.back().userClasses = root == HKEY_CURRENT_USER && std::wstring_view(path) == L"Software\\Classes";
      watches_.back().event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      Arm(watches_.back());
    }
    for (const std::string& folder : guard_->BaseFolders()) {
      const HANDLE h = FindFirstChangeNotificationW(
          Wide(folder).c_str(), FALSE,
          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
      if (h != INVALID_HANDLE_VALUE) folders_.push_back(h);
    }
    heap_.emplace();  // the first check's
    RunGuard(*guard_, *this);
    KeepApart();
    return 0;
  }

  // ISignals.
  Millis Now() override { return static_cast<Millis>(GetTickCount64() - start_); }

  // Whatever the guard does between two waits (a check, an answer, a
  // command) makes its blocks on a heap of its own, which goes when the
  // wait begins.
  Wakeup Wait(Millis wakeAt) override {
    KeepApart();
    const Wakeup w = WaitFor(wakeAt);
    if (w != Wakeup::Stop && !heap_) heap_.emplace();
    return w;
  }

  Wakeup WaitFor(Millis wakeAt) {
    if (guard_->Checks() != trimmedAfter_) {
      trimmedAfter_ = guard_->Checks();
      Trim();
    }
    std::vector<HANDLE> handles;
    for (const Watch& w : watches_) handles.push_back(w.event);
    handles.insert(handles.end(), folders_.begin(), folders_.end());
    const DWORD n = static_cast<DWORD>(handles.size());
    for (;;) {
      if (stop_) return Wakeup::Stop;
      DWORD timeout = INFINITE;
      if (wakeAt != kNever) timeout = static_cast<DWORD>(std::clamp<Millis>(wakeAt - Now(), 0, 0x7FFFFFFF));
      const DWORD r = MsgWaitForMultipleObjectsEx(n, handles.data(), timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (r == WAIT_TIMEOUT) return Wakeup::Time;
      if (r < WAIT_OBJECT_0 + watches_.size()) {
        Watch& w = watches_[r - WAIT_OBJECT_0];
        Arm(w);
        return w.userClasses ? Wakeup::UserClasses : Wakeup::Registry;
      }
      if (r < WAIT_OBJECT_0 + n) {
        FindNextChangeNotification(handles[r - WAIT_OBJECT_0]);
        return Wakeup::BaseFolder;
      }
      if (r == WAIT_OBJECT_0 + n) {
        heap_.emplace();  // a command may check or answer
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (msg.message == WM_QUIT) return Wakeup::Stop;
          if (notice_ && IsDialogMessageW(notice_, &msg)) continue;
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
        return Wakeup::Time;  // a command may have changed when to wake
      }
      return Wakeup::Stop;  // the wait itself failed: nothing is watched any more
    }
  }

  // IGuardHost.
  void Show(const Notice& notice) override {
    if (notice.empty()) {
      // The notice's window lives only while it is shown.
      if (notice_) DestroyWindow(notice_);
      notice_ = nullptr;
      return;
    }
    ShowNotice(NoticeText(notice), !notice.types.empty(), !notice.choices.empty());
  }

  void Tip(const std::string& text) override {
    tip_ = text;
    if (!iconShown_) return;
    NOTIFYICONDATAW nid = IconData();
    nid.uFlags = NIF_TIP;
    Shell_NotifyIconW(NIM_MODIFY, &nid);
  }

  void Record(const CheckRecord& record) override {
    if (record.kind == CheckRecord::Kind::ChangesFound) ++changesRecorded_;
    if (record_) record_(record);
  }

 private:
  // Ends the heap of what ran since the wait: what the guard keeps is
  // copied onto the heap that lasts and the originals are freed, so that
  // the heap's regions go back to the system. What a shown notice names
  // stays shared with that heap until the notice is answered.
  void KeepApart() {
    if (!heap_) return;
    heap_.reset();
    Guard kept(*guard_);
    Associations g = g_;
    g.CurrentEntries = Copied(*g_.CurrentEntries);
    g.BaseEntries = Copied(*g_.BaseEntries);
    std::string tip = tip_;
    // The loop holds the guard by reference: the copy takes the original's
    // place (between two of the loop's calls, none of the guard's running).
    std::destroy_at(guard_.get());
    std::construct_at(guard_.get(), std::move(kept));
    g_ = std::move(g);
    tip_ = std::move(tip);
  }

  static std::shared_ptr<AssocEntries> Copied(const AssocEntries& from) {
    auto to = std::make_shared<AssocEntries>();
    for (const auto& e : from) {
      auto copy = std::make_shared<AssocEntry>(*e);
      copy->Collection(nullptr);
      to->Add(std::move(copy), e->Ext());
    }
    return to;
  }

  // After a check, what it read is free again: the heaps give back what
  // they can, and the working set is emptied (Windows brings pages back as
  // they are touched, at the next check). Wine keeps both calls as stubs.
  static void Trim() {
    HeapCompact(GetProcessHeap(), 0);
    _heapmin();
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  }

  void Arm(Watch& w) {
    if (w.key && !w.whole) {
      // The key above reported a new name: perhaps the one waited for.
      RegCloseKey(w.key);
      w.key = nullptr;
    }
    if (!w.key) {
      w.whole = RegOpenKeyExW(w.root, w.path.c_str(), 0, KEY_NOTIFY, &w.key) == ERROR_SUCCESS;
      for (std::wstring above = w.path; !w.whole && !w.key;) {
        const size_t slash = above.rfind(L'\\');
        above = slash == std::wstring::npos ? std::wstring() : above.substr(0, slash);
        if (RegOpenKeyExW(w.root, above.empty() ? nullptr : above.c_str(), 0, KEY_NOTIFY, &w.key) != ERROR_SUCCESS)
          w.key = nullptr;
        if (above.empty()) break;
      }
      if (!w.key) return;
    }
    // A key whose access list changed may no longer be read: that is a
    // change to check too.
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    if (RegNotifyChangeKeyValue(w.key, w.whole, w.whole ? filter : REG_NOTIFY_CHANGE_NAME, w.event, TRUE) !=
        ERROR_SUCCESS) {
      // The key went away under the watch: it is looked for again at once.
      RegCloseKey(w.key);
      w.key = nullptr;
      SetEvent(w.event);
    }
  }

  bool MakeWindows() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_HOLLIN));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))  /* IDC_ARROW */;
    wc.lpszClassName = kGuardClass;
    RegisterClassExW(&wc);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = kNoticeClass;
    RegisterClassExW(&wc);
    icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_HOLLIN), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    // A top-level window, never shown: a message-only window would not hear
    // the shell's TaskbarCreated or the session's end.
    window_ = CreateWindowExW(0, kGuardClass, Wide(std::string(kAppTitle) + " guard").c_str(), WS_OVERLAPPED, 0, 0,
                              0, 0, nullptr, nullptr, instance_, this);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    if (!window_) return false;
    // An elevated guard hears Explorer's TaskbarCreated and a second start's
    // request too: the messages a lower integrity level sends are let
    // through (user interface privilege isolation drops them otherwise).
    for (const UINT m : {taskbarCreated_, kComeForward})
      if (m) ChangeWindowMessageFilterEx(window_, m, MSGFLT_ALLOW, nullptr);
    return true;
  }

  NOTIFYICONDATAW IconData() const {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = window_;
    nid.uID = 1;
    nid.uCallbackMessage = kIconMessage;
    nid.hIcon = icon_;
    const std::wstring tip = Wide(tip_).substr(0, std::size(nid.szTip) - 1);
    std::copy(tip.begin(), tip.end(), nid.szTip);
    return nid;
  }

  // Adds the icon; where the taskbar is not there yet (at logon the guard
  // may start before it), again every few seconds until it takes it. After
  // Explorer restarted (again), an icon it still knows is modified instead.
  void AddIcon(bool again = false) {
    NOTIFYICONDATAW nid = IconData();
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    iconShown_ = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE || (again && Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE);
    if (iconShown_) KillTimer(window_, kIconTimer);
    else SetTimer(window_, kIconTimer, kIconRetryMs, nullptr);
  }

  void RemoveIcon() {
    if (window_) KillTimer(window_, kIconTimer);
    if (!iconShown_) return;
    NOTIFYICONDATAW nid = IconData();
    Shell_NotifyIconW(NIM_DELETE, &nid);
    iconShown_ = false;
  }

  void Menu() {
    const HMENU menu = CreatePopupMenu();
    auto item = [&](UINT id, const std::string& text) { AppendMenuW(menu, MF_STRING, id, Wide(text).c_str()); };
    item(kOpen, msg::GuardMenuOpen());
    item(kCheckNow, msg::kGuardMenuCheckNow);
    item(kPause, guard_->Paused() ? msg::kGuardMenuResume : msg::kGuardMenuPause);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kExit, msg::kGuardMenuExit);
    SetMenuDefaultItem(menu, kOpen, FALSE);
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only while its owner is
    // in front.
    SetForegroundWindow(window_);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);
  }

  void Command(UINT id) {
    switch (id) {
      case kOpen: Start(L""); break;
      case kCheckNow: guard_->CheckNow(Now()); break;
      case kPause:
        if (guard_->Paused()) guard_->Resume(Now());
        else guard_->Pause(Now(), kHour);
        break;
      case kExit: End(); break;
      case kReview: {
        std::wstring args = L"--review";
        for (const auto& t : guard_->Review()) args += L" " + Wide(QuotedArgument(t));
        // A list longer than a command line may be opens the whole changes view.
        Start(args.size() < 30000 ? args : L"");
        break;
      }
      case kKeep: guard_->Keep(); break;
      case kSettings: {
        const Notice& shown = guard_->Shown();
        platform_.OpenSettingsPage(
            DefaultAppsUri(DefaultAppsPageFor(reg_, *guard_->Recorded(shown.choices), shown.choices)));
        break;
      }
      case kClose: guard_->Dismiss(); break;
      default: break;
    }
  }

  // Starts the program's window with the arguments.
  void Start(const std::wstring& args) {
    const std::wstring line = L"\"" + ProgramPath() + L"\"" + (args.empty() ? L"" : L" " + args);
    platform_.StartProcess(Utf8(line), WindowStyle::Normal);
  }

  void End() {
    RemoveIcon();
    stop_ = true;
    if (notice_) DestroyWindow(notice_);
    notice_ = nullptr;
    PostQuitMessage(0);
  }

  // The notice: a small window at the corner of the work area (where the
  // notification area is), in front of others but taking no focus, its text
  // readable from any process (WM_GETTEXT of its static control).
  // It is sized for the monitor it shows on (the taskbar's), in that
  // monitor's DPI.
  void ShowNotice(const std::string& text, bool answers, bool settings) {
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
      if (notice_)
        for (HWND c = GetWindow(notice_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
          SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
    const std::wstring wide = Wide(text);
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
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work;
    if (GetMonitorInfoW(monitor, &info)) work = info.rcWork;
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    const int x = work.right - w - margin, y = work.bottom - h - margin;
    if (!notice_) {
      notice_ = CreateWindowExW(exStyle, kNoticeClass, Wide(kAppTitle).c_str(), style, x, y, w, h, nullptr, nullptr,
                                instance_, this);
      auto child = [&](const wchar_t* cls, const wchar_t* caption, UINT id, DWORD more) {
        const HWND c = CreateWindowExW(0, cls, caption, WS_CHILD | WS_VISIBLE | more, 0, 0, 0, 0, notice_,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      };
      child(L"STATIC", L"", kNoticeText, SS_LEFT | SS_NOPREFIX);
      child(L"BUTTON", Wide(msg::kNoticeReview).c_str(), kReview, BS_DEFPUSHBUTTON | WS_TABSTOP);
      child(L"BUTTON", Wide(msg::kNoticeKeep).c_str(), kKeep, BS_PUSHBUTTON | WS_TABSTOP);
      child(L"BUTTON", Wide(msg::kNoticeSettings).c_str(), kSettings, BS_PUSHBUTTON | WS_TABSTOP);
      child(L"BUTTON", Wide(msg::kNoticeClose).c_str(), kClose, BS_PUSHBUTTON | WS_TABSTOP);
    }
    SetWindowPos(notice_, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
    SetDlgItemTextW(notice_, kNoticeText, wide.c_str());
    MoveWindow(GetDlgItem(notice_, kNoticeText), margin, margin, textWidth, textHeight, TRUE);
    // Right to left: Close, then Keep and Review where there is something to
    // answer, Settings where only Settings can set it back.
    int right = width - margin;
    auto place = [&](UINT id, bool shown) {
      const HWND b = GetDlgItem(notice_, id);
      ShowWindow(b, shown ? SW_SHOWNA : SW_HIDE);
      if (!shown) return;
      right -= buttonW;
      MoveWindow(b, right, clientH - margin - buttonH, buttonW, buttonH, TRUE);
      right -= px(6);
    };
    place(kClose, true);
    place(kKeep, answers);
    place(kReview, answers);
    place(kSettings, settings);
    ShowWindow(notice_, SW_SHOWNOACTIVATE);
  }

  // A monitor's DPI (GetDpiForMonitor, Windows 8.1 and later, looked up),
  // else the system's.
  static int MonitorDpi(HMONITOR monitor, int systemDpi) {
    typedef HRESULT(WINAPI DpiForMonitor)(HMONITOR, int, UINT*, UINT*);
    static const auto get = SystemFunction<DpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (get && monitor && SUCCEEDED(get(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0) return static_cast<int>(x);
    return systemDpi;
  }

  // A second start asks for the guard's window: the notice not yet
  // answered, else what the guard is doing.
  void ComeForward() {
    const Notice& shown = guard_->Shown();
    if (shown.empty()) ShowNotice(guard_->TipText(), false, false);
    else Show(shown);
    SetForegroundWindow(notice_);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<Win32Guard*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(hwnd, msg, wp, lp);
  }

  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
      // Explorer started again: its new notification area has no icons.
      iconShown_ = false;
      AddIcon(true);
      return 0;
    }
    switch (msg) {
      case kIconMessage:
        if (lp == WM_RBUTTONUP || lp == WM_CONTEXTMENU) Menu();
        else if (lp == WM_LBUTTONDBLCLK) Command(kOpen);
        else if (lp == WM_LBUTTONUP) ComeForward();
        return 0;
      case kComeForward: ComeForward(); return 0;
      case kCounts:
        return wp == 3   ? CheckHeapsHeld()
               : wp == 2 ? changesRecorded_
               : wp == 1 ? guard_->QuietWakes()
                         : guard_->Checks();
      case WM_TIMER:
        if (wp == kIconTimer && hwnd == window_ && !stop_) AddIcon(true);
        return 0;
      case WM_COMMAND:
        if (hwnd == notice_ && LOWORD(wp) == IDCANCEL) Command(kClose);
        else Command(LOWORD(wp));
        return 0;
      case WM_CLOSE:
        if (hwnd == notice_) Command(kClose);
        else End();
        return 0;
      case WM_QUERYENDSESSION: return TRUE;
      case WM_ENDSESSION:
        if (wp) End();
        return 0;
      case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  HINSTANCE instance_;
  std::function<void(const CheckRecord&)> record_;
  ULONGLONG start_ = 0;
  Win32Platform platform_;
  Win32Registry reg_;
  Associations g_;
  std::unique_ptr<Guard> guard_;
  std::vector<Watch> watches_;
  std::vector<HANDLE> folders_;
  HWND window_ = nullptr, notice_ = nullptr;
  HICON icon_ = nullptr;
  HFONT font_ = nullptr;
  int fontDpi_ = 0;
  UINT taskbarCreated_ = 0;
  bool iconShown_ = false, stop_ = false;
  int changesRecorded_ = 0;
  int trimmedAfter_ = 0;  // the checks run when the working set was last trimmed
  std::string tip_ = kAppTitle;
  std::optional<CheckHeap> heap_;  // from the end of a wait to the next
};

bool Is(const std::string& arg, const char* name) {
  const std::string folded = FoldCase(arg);
  return folded == std::string("--") + name || folded == std::string("/") + name;
}

// The running guard's window, waited for a moment where a guard is starting.
HWND RunningGuard(DWORD waitMs) {
  for (DWORD waited = 0;; waited += 100) {
    if (const HWND hwnd = FindWindowW(kGuardClass, nullptr)) return hwnd;
    if (waited >= waitMs) return nullptr;
    Sleep(100);
  }
}

int Stop() {
  const HWND hwnd = RunningGuard(0);
  if (!hwnd) return 0;  // none runs: nothing to end
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  if (!process) return 0;
  const DWORD r = WaitForSingleObject(process, 10000);
  CloseHandle(process);
  return r == WAIT_OBJECT_0 ? 0 : 5;
}

}  // namespace

bool IsGuardRun(const std::vector<std::string>& args) { return !args.empty() && Is(args[0], "guard"); }

std::string QuotedArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

int RunWindowsGuard(HINSTANCE instance, const std::vector<std::string>& args,
                    std::function<void(const CheckRecord&)> record) {
  bool stop = false, logon = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (Is(args[i], "stop")) stop = true;
    else if (Is(args[i], "logon")) logon = true;
    else return 64;
  }
  if (stop) return Stop();
  // One guard per session (the mutex is the session's own, in Local),
  // whatever the rights of the one running: an elevated guard's is found too.
  HANDLE mutex = nullptr;
  if (ClaimSessionMutex(kGuardMutex, mutex) == SessionMutexState::AnotherRuns) {
    if (mutex) CloseHandle(mutex);
    if (logon) return 0;
    if (const HWND hwnd = RunningGuard(3000)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      AllowSetForegroundWindow(pid);
      PostMessageW(hwnd, kComeForward, 0, 0);
    }
    return 0;
  }
  int code = 0;
  {
    // The shell's calls (Settings through ShellExecuteEx, the association
    // lookup) want a single-threaded apartment on this thread, the guard's.
    ComApartment apartment;
    Win32Guard guard(instance, std::move(record));
    code = guard.Run();
  }
  if (mutex) CloseHandle(mutex);
  return code;
}

}  // namespace hollin::guard
