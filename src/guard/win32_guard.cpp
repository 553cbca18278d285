#include "guard/win32_guard.h"

#include <malloc.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "base/base_location.h"
#include "common/names.h"
#include "common/text.h"
#include "common/win32_platform.h"
#include "common/win32_session_mutex.h"
#include "common/win32_object_window.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"
#include "compare/check.h"
#include "compare/default_apps.h"
#include "messages/messages.h"
#include "guard/loop.h"
#include "guard/notice_hand_over.h"
#include "guard/win32_check_heap.h"
#include "guard/win32_notice.h"
#include "guard/win32_start_rights.h"
#include "registry/scan_pack.h"
#include "registry/win32_registry.h"
#include "resource.h"

namespace hollin::guard {
namespace {

// The guard's window (kGuardClass) is found by a second start and by
// "--guard --stop"; the class tells it, the title is for people and tests.
constexpr wchar_t kGuardMutex[] = L"Local\\Hollin.Guard";

constexpr UINT kIconMessage = WM_APP + 1;  // the notification icon's mouse
constexpr UINT kComeForward = WM_APP + 2;  // a second start asks for the window
// Answers how many checks the guard ran (wParam 0), how many wake-ups from
// the user classes found nothing to check (1), how many events of changes
// (1001) it wrote (2), how many heaps of past checks are still held by a
// block made on them (3), and how many milliseconds its last check took,
// from the wake-up to the wait after it (4), and how many checks took the
// scan of its scan's process (5): for scripts that watch it, and its
// benchmark.
constexpr UINT kCounts = WM_APP + 3;
constexpr UINT_PTR kIconTimer = 1;         // the icon added again until the taskbar takes it
constexpr UINT kIconRetryMs = 5000;
constexpr UINT_PTR kNoticeTimer = 2;       // while the notice's process starts
constexpr UINT kNoticeTickMs = 1000;

// The icon menu's commands (WM_COMMAND), which a script may send too.
enum : UINT { kOpen = 40101, kCheckNow = 40102, kPause = 40103, kExit = 40104 };

constexpr Millis kHour = 3600 * 1000;

// How long a check waits for its scan's process before it ends it and reads
// the registry itself: to say it started (kScanStarted, the first byte it
// writes; a program that is not the guard's, or one stuck at its start,
// never does), and to be done, far beyond a scan's seconds on a crowded
// machine.
constexpr ULONGLONG kScanStartMs = 15 * 1000;
constexpr ULONGLONG kScanWaitMs = 120 * 1000;
constexpr char kScanStarted = 'S';
// The most a scan's answer may hold (about 200 bytes a type).
constexpr LONGLONG kLargestScan = 256LL * 1024 * 1024;

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

class Win32Guard : public IGuardHost, public ISignals, INoticeProcesses {
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
    guard_->ScanElsewhere = [this] { return ScanInProcess(); };
  }

  ~Win32Guard() override {
    RemoveIcon();
    for (Watch& w : watches_) {
      if (w.key) RegCloseKey(w.key);
      if (w.event) CloseHandle(w.event);
    }
    for (HANDLE h : folders_) FindCloseChangeNotification(h);
    HideNotice();
    if (window_) DestroyWindow(window_);
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
    if (guard_->Checks() != checksAtWake_) lastCheckMs_ = static_cast<LRESULT>(Now() - wokeAt_);
    const Wakeup w = WaitFor(wakeAt);
    wokeAt_ = Now();
    checksAtWake_ = guard_->Checks();
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
    if (notice.empty()) return HideNotice();
    ShowNotice({NoticeText(notice), !notice.types.empty(), !notice.choices.empty(), false});
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

  // A check's scan, made by a process of the guard's own
  // ("hollin.exe --guard --scan FILE"), which reads on several threads and
  // writes the scan, packed, into a temporary file the guard made and
  // handed it; the threads' memory goes with that process (under Wine each
  // thread holds about 1 MB while it lives, and the last one ended as much
  // until another ends). Nothing where the process does not start, fails,
  // does not say in time that it started, or takes too long (it is ended):
  // the guard then reads on its own thread.
  std::optional<std::string> ScanInProcess() {
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || !GetTempFileNameW(folder, L"hgs", 0, name)) return std::nullopt;
    // Shared with no one, and gone when the guard closes it: the process
    // writes through the handle it inherits.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, &inherited, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DeleteFileW(name);
      return std::nullopt;
    }
    std::optional<std::string> answer;
    if (RunScanProcess(file)) answer = ReadAnswer(file);
    CloseHandle(file);
    return answer;
  }

  // Runs the scan's process, handing it file alone; whether it ended with 0
  // in time.
  bool RunScanProcess(HANDLE file) {
    std::wstring line = L"\"" + ProgramPath() + L"\" --guard --scan " +
                        std::to_wstring(reinterpret_cast<UINT_PTR>(file));
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> list(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    HANDLE inherit[] = {file};
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.lpAttributeList = attributes;
    PROCESS_INFORMATION pi{};
    const bool started =
        UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit, sizeof inherit, nullptr,
                                  nullptr) &&
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                       &si.StartupInfo, &pi);
    DeleteProcThreadAttributeList(attributes);
    if (!started) return false;
    CloseHandle(pi.hThread);
    // Looked at every 50 ms until it says it started, then waited for.
    const ULONGLONG begun = GetTickCount64();
    bool saidStarted = false, ended = false;
    for (;;) {
      const ULONGLONG waited = GetTickCount64() - begun;
      if (waited >= (saidStarted ? kScanWaitMs : kScanStartMs)) break;
      const DWORD r = WaitForSingleObject(pi.hProcess, saidStarted ? static_cast<DWORD>(kScanWaitMs - waited) : 50);
      if (r == WAIT_OBJECT_0) {
        ended = true;
        break;
      }
      if (r != WAIT_TIMEOUT) break;
      LARGE_INTEGER written{};
      saidStarted = saidStarted || (GetFileSizeEx(file, &written) && written.QuadPart > 0);
    }
    DWORD code = 1;
    if (!ended) {
      TerminateProcess(pi.hProcess, 1);
      WaitForSingleObject(pi.hProcess, 5000);
    } else if (!GetExitCodeProcess(pi.hProcess, &code)) {
      code = 1;
    }
    CloseHandle(pi.hProcess);
    return code == 0;
  }

  // What the scan's process wrote into file, from its start.
  static std::optional<std::string> ReadAnswer(HANDLE file) {
    LARGE_INTEGER size{}, start{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > kLargestScan ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
      return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    for (size_t at = 0; at < bytes.size();) {
      DWORD read = 0;
      if (!ReadFile(file, bytes.data() + at, static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 20)), &read,
                    nullptr) ||
          read == 0)
        return std::nullopt;
      at += read;
    }
    if (bytes[0] != kScanStarted) return std::nullopt;
    return bytes.substr(1);
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
    wc.lpfnWndProc = ObjectWindowProc<Win32Guard, &Win32Guard::Handle>;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_HOLLIN));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))  /* IDC_ARROW */;
    wc.lpszClassName = kGuardClass;
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
    HideNotice();
    PostQuitMessage(0);
  }

  // The notice is shown by a process of its own (guard/win32_notice.h),
  // started for it and ended when it is answered or closed, so that its
  // window's controls, fonts and drawing never stay with the guard. A view
  // asked for while the process starts is handed over when its window is
  // there (kNoticeHere); a later one replaces it in the window shown
  // (guard/notice_hand_over.h).
  void ShowNotice(NoticeView view) { handOver_.Show(std::move(view), Now()); }
  void HideNotice() { handOver_.Hide(); }

  // INoticeProcesses.
  bool Start() override {
    std::wstring line = L"\"" + ProgramPath() + L"\" --guard --notice " +
                        std::to_wstring(reinterpret_cast<UINT_PTR>(window_));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    noticeProcess_ = pi.hProcess;
    noticePid_ = pi.dwProcessId;
    // Until its window says it is there: whether it ended or got stuck.
    SetTimer(window_, kNoticeTimer, kNoticeTickMs, nullptr);
    return true;
  }

  // Hands the view to the notice's window; whether it took it. A window
  // that does not answer within the time is taken as hung, and so is one
  // the system finds not looking at its messages (at once).
  bool Hand(const NoticeView& view) override {
    if (!notice_) return false;
    const std::string bytes = PackNoticeView(view);
    if (view.forward) AllowSetForegroundWindow(noticePid_);
    COPYDATASTRUCT data{kNoticeViewData, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
    DWORD_PTR took = FALSE;
    return SendMessageTimeoutW(notice_, WM_COPYDATA, reinterpret_cast<WPARAM>(window_), reinterpret_cast<LPARAM>(&data),
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, 10000, &took) &&
           took;
  }

  // A process whose window is there is told to go (and, with wait,
  // waited for a moment, so that the window is gone when the guard goes
  // on, as when the guard's own thread destroyed it); one whose window
  // never came is ended.
  void Go(bool wait) override {
    if (notice_) {
      PostMessageW(notice_, kNoticeGo, 0, 0);
      if (wait) WaitForSingleObject(noticeProcess_, 5000);
    } else if (noticeProcess_) {
      TerminateProcess(noticeProcess_, 1);
    }
    Forget();
  }

  bool Ended() override { return !noticeProcess_ || WaitForSingleObject(noticeProcess_, 0) != WAIT_TIMEOUT; }

  // The view's text in the icon's balloon, cut to what the balloon holds
  // (never inside a character) and marked where it was cut: no notice goes
  // unsaid, and a click on the balloon or the icon tries the notice's
  // window again.
  void Balloon(const NoticeView& view) override {
    if (!iconShown_) return;
    NOTIFYICONDATAW nid = IconData();
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_INFO;
    std::wstring text = Wide(view.text);
    if (text.size() >= std::size(nid.szInfo)) {
      text.resize(std::size(nid.szInfo) - 2);
      if (IS_HIGH_SURROGATE(text.back())) text.pop_back();
      text += L'\u2026';
    }
    std::copy(text.begin(), text.end(), nid.szInfo);
    const std::wstring title = Wide(kAppTitle).substr(0, std::size(nid.szInfoTitle) - 1);
    std::copy(title.begin(), title.end(), nid.szInfoTitle);
    Shell_NotifyIconW(NIM_MODIFY, &nid);
  }

  // The notice's process says its window is there.
  void NoticeHere(HWND hwnd) {
    DWORD pid = 0;
    if (!handOver_.Starting() || !GetWindowThreadProcessId(hwnd, &pid) || pid != noticePid_) return;
    KillTimer(window_, kNoticeTimer);
    notice_ = hwnd;
    handOver_.Here(Now());
  }

  void Forget() {
    if (window_) KillTimer(window_, kNoticeTimer);
    if (noticeProcess_) CloseHandle(noticeProcess_);
    noticeProcess_ = nullptr;
    notice_ = nullptr;
    noticePid_ = 0;
  }

  // A second start asks for the guard's window: the notice not yet
  // answered, else what the guard is doing.
  void ComeForward() {
    const Notice& shown = guard_->Shown();
    if (shown.empty()) ShowNotice({guard_->TipText(), false, false, true});
    else ShowNotice({NoticeText(shown), !shown.types.empty(), !shown.choices.empty(), true});
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
        else if (lp == WM_LBUTTONUP || lp == NIN_BALLOONUSERCLICK) ComeForward();
        return 0;
      case kComeForward: ComeForward(); return 0;
      case kNoticeHere: NoticeHere(reinterpret_cast<HWND>(lp)); return 0;
      case kNoticeAnswer:
        // From the notice's process, while a notice is up: what its window's
        // buttons and close box said.
        if (noticeProcess_ && (wp == kReview || wp == kKeep || wp == kSettings || wp == kClose))
          Command(static_cast<UINT>(wp));
        return 0;
      case kCounts:
        return wp == 5   ? guard_->ScansFromElsewhere()
               : wp == 4 ? lastCheckMs_
               : wp == 3 ? CheckHeapsHeld()
               : wp == 2 ? changesRecorded_
               : wp == 1 ? guard_->QuietWakes()
                         : guard_->Checks();
      case WM_TIMER:
        if (wp == kIconTimer && hwnd == window_ && !stop_) AddIcon(true);
        if (wp == kNoticeTimer && hwnd == window_) {
          handOver_.Tick(Now());
          if (!handOver_.Starting()) KillTimer(window_, kNoticeTimer);
        }
        return 0;
      case WM_COMMAND: Command(LOWORD(wp)); return 0;
      case WM_CLOSE: End(); return 0;
      case WM_QUERYENDSESSION: return TRUE;
      case WM_ENDSESSION:
        if (wp) End();
        return 0;
      default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  HINSTANCE instance_;
  std::function<void(const CheckRecord&)> record_;
  ULONGLONG start_ = 0;
  Win32Platform platform_;
  // The guard reads on its own thread alone, so that a check starts and ends
  // no thread: under Wine every thread holds about 1 MB resident while it
  // lives, and the last one ended holds as much until another ends, which
  // in a guard that starts no other thread is never (docs/design/size.md).
  Win32Registry reg_{false};
  Associations g_;
  std::unique_ptr<Guard> guard_;
  std::vector<Watch> watches_;
  std::vector<HANDLE> folders_;
  HWND window_ = nullptr;
  HWND notice_ = nullptr;           // the notice's window, in its process
  HANDLE noticeProcess_ = nullptr;  // from its start to its end
  DWORD noticePid_ = 0;
  NoticeHandOver handOver_{*this};
  HICON icon_ = nullptr;
  UINT taskbarCreated_ = 0;
  bool iconShown_ = false, stop_ = false;
  int changesRecorded_ = 0;
  int trimmedAfter_ = 0;  // the checks run when the working set was last trimmed
  Millis wokeAt_ = 0;     // the last wake-up, with the checks run by then
  int checksAtWake_ = 0;
  LRESULT lastCheckMs_ = 0;
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

// Writes bytes whole into file; whether it did.
bool WriteAll(HANDLE file, std::string_view bytes) {
  for (size_t at = 0; at < bytes.size();) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + at, static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 20)), &written,
                   nullptr) ||
        written == 0)
      return false;
    at += written;
  }
  return true;
}

// The scan's process: says it started, scans on several threads and writes
// the scan, packed, into the file the guard handed it (ScanInProcess); 0
// when all of it was written.
int ScanForGuard(const std::string& handle) {
  const HANDLE file = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoull(handle.c_str(), nullptr, 10)));
  if (!file || GetFileType(file) != FILE_TYPE_DISK || !WriteAll(file, std::string_view(&kScanStarted, 1))) return 2;
  try {
    // The shell's association lookup wants an apartment on this thread.
    ComApartment apartment;
    Win32Registry reg;
    Win32Platform platform;
    if (!WriteAll(file, PackScan(ScanCurrent(reg, platform)))) return 3;
  } catch (const std::exception&) {
    return 4;
  }
  return 0;
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

bool GuardArgumentsKnown(const std::vector<std::string>& args) {
  if (args.size() == 3 && (Is(args[1], "notice") || Is(args[1], "scan"))) return true;
  for (size_t i = 1; i < args.size(); ++i)
    if (!Is(args[i], "stop") && !Is(args[i], "logon")) return false;
  return true;
}

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
  // The notice's process, which the guard starts (guard/win32_notice.h).
  if (args.size() == 3 && Is(args[1], "notice")) {
    const unsigned long long window = std::strtoull(args[2].c_str(), nullptr, 10);
    return RunNoticeProcess(instance, reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)));
  }
  if (args.size() == 3 && Is(args[1], "scan")) return ScanForGuard(args[2]);
  bool stop = false, logon = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (Is(args[i], "stop")) stop = true;
    else if (Is(args[i], "logon")) logon = true;
    else return 64;
  }
  if (stop) return Stop();
  // Never with more rights than the desktop's shell gives the user's
  // programs (guard/start_rights.h): decided before the session is claimed,
  // so that the guard the shell starts finds it free.
  const GuardStart start = DecideGuardStart(ReadStartRights());
  if (start != GuardStart::Here) {
    HRESULT shellError = 0;
    if (start == GuardStart::ThroughShell) {
      const std::wstring program = ProgramPath();
      std::wstring arguments;
      for (const std::string& arg : args) arguments += (arguments.empty() ? L"" : L" ") + Wide(QuotedArgument(arg));
      ComApartment apartment;
      shellError = StartThroughShell(program, arguments, program.substr(0, program.find_last_of(L'\\') + 1));
      if (SUCCEEDED(shellError)) return 0;
    }
    if (record) record({CheckRecord::Kind::Failure, {}, nullptr, nullptr, {msg::GuardNotStarted(shellError)}});
    return 5;
  }
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
