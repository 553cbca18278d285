#include "common/win32_platform.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <iterator>
#include <string>

#include "common/file_system.h"
#include "common/text.h"
#include "common/win32_base_turn.h"
#include "common/win32_session_mutex.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"

namespace hollin {
namespace {

// One string the system's association lookup gives for a type or, with
// ASSOCF_IS_PROTOCOL, a link, and the default verb (a null verb: the one
// that runs on a double-click), "" where it has none.
std::string AssocString(ASSOCF flags, ASSOCSTR what, const std::wstring& name) {
  DWORD size = 0;
  flags |= ASSOCF_NOTRUNCATE;
  if (AssocQueryStringW(flags, what, name.c_str(), nullptr, nullptr, &size) != S_FALSE || size == 0)
    return std::string();
  std::wstring out(size, L'\0');
  if (FAILED(AssocQueryStringW(flags, what, name.c_str(), nullptr, out.data(), &size))) return std::string();
  return Utf8(out.c_str());
}

// The program's own path, "" where the system cannot tell it.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The known folder LocalAppData ({F1B32785-6FBA-4FCF-9D55-7B8E7F157091}).
// Defined here: MinGW's import library keeps every GUID of the system in one
// object, and naming one of them links all of them (40 KB).
constexpr GUID kLocalAppData = {0xf1b32785, 0x6fba, 0x4fcf, {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};

}  // namespace

ComApartment::ComApartment() {
  entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void ComApartment::Leave() {
  if (entered_) CoUninitialize();
  entered_ = false;
}

Win32Platform::~Win32Platform() {
  if (instanceMutex_) CloseHandle(instanceMutex_);
  // The HTML Help windows are the program's own: they close before it ends
  // (HH_CLOSE_ALL), and hhctrl.ocx stays loaded until then.
  using HtmlHelpFn = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
  if (const auto htmlHelp = htmlHelp_ ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(
                                            GetProcAddress(htmlHelp_, "HtmlHelpW")))
                                      : nullptr)
    htmlHelp(nullptr, nullptr, 0x0012, 0);  // HH_CLOSE_ALL
}

bool Win32Platform::AnotherInstanceRunning() {
  // The mutex lives as long as this process; a second copy finds it taken.
  // Local\ keeps the test to the user's own session.
  // A copy of either rights finds the other (common/win32_session_mutex.h).
  if (!instanceChecked_) {
    instanceChecked_ = true;
    instanceRuns_ = ClaimSessionMutex(L"Local\\Hollin.Brellmark.Instance", instanceMutex_) ==
                    SessionMutexState::AnotherRuns;
  }
  return instanceRuns_;
}

bool Win32Platform::TakeTurn(const std::string& name, unsigned waitMs) {
  HANDLE held = nullptr;
  if (TakeSessionTurn(name, waitMs, held) == TurnTaken::Busy) return false;
  turns_[name].push_back(held);
  return true;
}

void Win32Platform::GiveTurn(const std::string& name) {
  const auto it = turns_.find(name);
  if (it == turns_.end()) return;
  GiveSessionTurn(it->second.back());
  it->second.pop_back();
  if (it->second.empty()) turns_.erase(it);
}

std::string Win32Platform::ProgramFolder() {
  const std::string path = Utf8(ModulePath());
  if (path.empty()) return path;
  const auto slash = path.find_last_of('\\');
  if (slash == std::string::npos) return path;
  // A drive's root keeps its backslash ("C:\").
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

void Win32Platform::ChangeCurrentFolder(const std::string& folder) {
  // SetCurrentDirectory changes the drive along with the folder.
  SetCurrentDirectoryW(Wide(folder).c_str());
}

void Win32Platform::SetMousePointer(MousePointer pointer) {
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(pointer == MousePointer::Hourglass ? IDC_WAIT : IDC_ARROW)));
}

std::string Win32Platform::CommandLine() { return Utf8(GetCommandLineW()); }

void Win32Platform::Beep() { MessageBeep(MB_OK); }

std::string Win32Platform::LoadIndirectString(const std::string& source) {
  wchar_t out[512];
  if (FAILED(SHLoadIndirectString(Wide(source).c_str(), out, static_cast<UINT>(std::size(out)), nullptr)))
    return std::string();
  return Utf8(out);
}

bool Win32Platform::AskWhatOpens(const std::string& name, bool protocol, std::string& progId, std::string& command) {
  const std::wstring wide = Wide(name);
  // Without ASSOCF_IS_PROTOCOL a name without a dot is read as a program
  // identifier ("Assoc…" documentation, ASSOCF).
  const ASSOCF flags = protocol ? ASSOCF_IS_PROTOCOL : ASSOCF_NONE;
  progId = AssocString(flags, ASSOCSTR_PROGID, wide);
  command = AssocString(flags, ASSOCSTR_COMMAND, wide);
  return !progId.empty() || !command.empty();
}

std::string Win32Platform::AskProgIdInUse(const std::string& name, bool protocol) {
  return AssocString(protocol ? ASSOCF_IS_PROTOCOL : ASSOCF_NONE, ASSOCSTR_PROGID, Wide(name));
}

long Win32Platform::OpenSettingsPage(const std::string& uri) {
  const std::wstring address = Wide(uri);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The program says what went wrong, in its own box.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetActiveWindow();
  info.lpVerb = L"open";
  info.lpFile = address.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return 0;
  const DWORD error = GetLastError();
  return error ? static_cast<long>(error) : ERROR_NO_ASSOCIATION;
}

void Win32Platform::AssociationsChanged() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

std::string Win32Platform::ErrorText(long status) { return SystemErrorText(static_cast<DWORD>(status)); }

bool Win32Platform::StartProcess(const std::string& commandLine, WindowStyle style) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(style == WindowStyle::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  PROCESS_INFORMATION pi{};
  std::wstring line = Wide(commandLine);  // the call may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

bool Win32Platform::OpenDocument(const std::string& path) {
  const auto r = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Wide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return r > 32;
}

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32Platform::LocalAppDataFolder() {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(kLocalAppData, KF_FLAG_DEFAULT, nullptr, &path)))
    folder = Utf8(path);
  CoTaskMemFree(path);
  return folder;
}

bool Win32Platform::CanWriteFolder(const std::string& folder, bool make) {
  const std::wstring wide = Wide(folder);
  // SHCreateDirectoryExW makes the folders above too; it wants a full path.
  if (make && GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
    SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr);
  // A file that no one else can open and that goes when it is closed: the
  // only certain test, as the folder's rights, its attributes and the file
  // system's own refusal (a read-only medium) all count.
  const std::wstring probe = wide + L"\\~hollin-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool Win32Platform::CanWriteFile(const std::string& path) {
  // Windows refuses to open or replace a read-only file; Wine, run by root,
  // opens one all the same, so the attribute is asked first.
  if (IsWriteProtected(path)) return false;
  const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::int64_t Win32Platform::LastWriteTime(const std::string& path) {
  std::int64_t seconds = 0;
  return LastWriteSeconds(path, seconds) ? seconds : 0;
}

ProgramIdentity Win32Platform::Identity() {
  ProgramIdentity id;
  static const auto sizeOf = SystemFunction<decltype(GetFileVersionInfoSizeW)>(L"version.dll", "GetFileVersionInfoSizeW");
  static const auto infoOf = SystemFunction<decltype(GetFileVersionInfoW)>(L"version.dll", "GetFileVersionInfoW");
  static const auto query = SystemFunction<decltype(VerQueryValueW)>(L"version.dll", "VerQueryValueW");
  if (!sizeOf || !infoOf || !query) return id;
  const std::wstring path = ModulePath();
  DWORD ignored = 0;
  const DWORD size = sizeOf(path.c_str(), &ignored);
  if (size == 0) return id;
  std::string data(size, '\0');
  if (!infoOf(path.c_str(), 0, size, data.data())) return id;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (query(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    id.major = HIWORD(fixed->dwFileVersionMS);
    id.minor = LOWORD(fixed->dwFileVersionMS);
    id.revision = HIWORD(fixed->dwFileVersionLS);
  }
  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT n = 0;  // in characters, the NUL counted
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (query(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) && value && n)
      return Utf8(value);
    return std::string();
  };
  id.title = text(L"InternalName");
  id.product = text(L"ProductName");
  id.description = text(L"FileDescription");
  return id;
}

int Win32Platform::WindowsVersion() {
  // ntdll's RtlGetVersion tells the version as it is; GetVersionEx tells
  // what the program's manifest and any compatibility mode let it see.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!get || get(&info) != 0) return 0;
  return static_cast<int>(info.dwMajorVersion);
}

bool Win32Platform::OpenHtmlHelp(const std::string& path, int topic) {
  // The viewer's library from the system folder only, never from the
  // search path (which begins with the program's own folder).
  if (!htmlHelp_) {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    htmlHelp_ = LoadLibraryExW((std::wstring(system) + L"\\hhctrl.ocx").c_str(), nullptr,
                               LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!htmlHelp_) return false;
  }
  using HtmlHelpFn = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
  const auto htmlHelp =
      reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(htmlHelp_, "HtmlHelpW")));
  if (!htmlHelp) return false;
  constexpr UINT kDisplayTopic = 0x0000, kHelpContext = 0x000F;  // HH_DISPLAY_TOPIC, HH_HELP_CONTEXT
  const std::wstring file = Wide(path);
  const HWND viewer = topic > 0 ? htmlHelp(GetDesktopWindow(), file.c_str(), kHelpContext, static_cast<DWORD_PTR>(topic))
                                : htmlHelp(GetDesktopWindow(), file.c_str(), kDisplayTopic, 0);
  return viewer != nullptr;
}

void Win32Platform::EndProcess() {
  if (apartment) apartment->Leave();
  ExitProcess(0);
}

MbAnswer Win32MessageBox::Show(const MessageBoxRequest& request) {
  UINT flags = MB_TASKMODAL | MB_SETFOREGROUND;
  flags |= request.buttons == MbButtons::YesNo ? MB_YESNO : MB_OK;
  switch (request.icon) {
    case MbIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
    case MbIcon::Question: flags |= MB_ICONQUESTION; break;
    case MbIcon::Information: flags |= MB_ICONINFORMATION; break;
    case MbIcon::Critical: flags |= MB_ICONHAND; break;
    case MbIcon::None: break;
  }
  if (request.defaultButton == MbDefault::Second) flags |= MB_DEFBUTTON2;
  // The window that was active is active again when the box closes (an
  // ownerless box leaves that to the system, which may choose none), so
  // that its control gets the keys back.
  const HWND active = GetActiveWindow();
  const int r = MessageBoxW(nullptr, Wide(WithLineFeeds(request.text)).c_str(), Wide(request.title).c_str(), flags);
  if (active && IsWindow(active) && IsWindowVisible(active) && IsWindowEnabled(active)) SetActiveWindow(active);
  if (r == IDYES) return MbAnswer::Yes;
  if (r == IDNO) return MbAnswer::No;
  return MbAnswer::Ok;
}

}  // namespace hollin
