// hollin_probe: drives and reads another process's windows through the
// standard control messages, for the end-to-end tests. One command per run;
// output is one record a line on stdout, fields separated by tabs.
// Exit code 0 on success, 1 when the window or control is not there (or a
// wait timed out), 2 on a usage error. See usage() for the commands.
// Texts cross as UTF-16 (the wide messages) and are printed, and taken from
// the command line, as UTF-8, whatever the code page of either process.
#include <windows.h>
#include <commctrl.h>
#include <sddl.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <utility>

#include "common/base_turn.h"
#include "common/win32_base_turn.h"

namespace {

DWORD g_pid = 0;  // --pid N: only windows of that process
bool g_hidden = false;  // --hidden: hidden windows are found by their title too

int usage() {
  std::fputs(
      "usage: hollin_probe [--pid N] [--hidden] COMMAND ...\n"
      "  windows | park | wait TITLE [ms] | gone TITLE [ms] | controls TITLE | list TITLE | status TITLE\n"
      "  click TITLE TEXT | select TITLE ROW... | key TITLE [ctrl+|shift+|alt+]VK\n"
      "  type TITLE [ctrl+|shift+|alt+]VK... (real input, the window brought forward) | focus TITLE\n"
      "  char TITLE TEXT | menu TITLE | command TITLE ID | msgbox TITLE\n"
      "  answer TITLE BUTTONTEXT [ms] | close TITLE | send TITLE MESSAGE [WPARAM]\n"
      "  shortname PATH | link FOLDER LINK (a folder link: a junction, else a symbolic link)\n"
      "  keyacl KEY SDDL (HKCU\\... or HKLM\\...: the key's DACL set to the SDDL's)\n"
      "  hold BASEFILE FLAGFILE (the base's turn, held until FLAGFILE exists; FLAGFILE.held says when)\n",
      stderr);
  return 2;
}

// " (error N)": the last error, for a message that says why a call failed.
std::string Error() { return " (error " + std::to_string(GetLastError()) + ")"; }

int fail(const std::string& what) {
  std::fprintf(stderr, "hollin_probe: %s\n", what.c_str());
  return 1;
}

// Text on one line: CR, LF and tab shown escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::string Utf8(const wchar_t* text, int n = -1) {
  if (n == 0 || !text) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, n, out.data(), size, nullptr, nullptr);
  if (n < 0 && !out.empty()) out.pop_back();  // the NUL
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string WindowText(HWND hwnd) {
  // WM_GETTEXT is marshalled across processes by the system.
  LRESULT len = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  len = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return Utf8(text.data(), static_cast<int>(len));
}

std::string ClassOf(HWND hwnd) {
  wchar_t name[256] = L"";
  GetClassNameW(hwnd, name, 256);
  return Utf8(name);
}

struct Find {
  std::string title;
  const char* cls;
  HWND found;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Find*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if ((!g_hidden && !IsWindowVisible(hwnd)) || (g_pid && pid != g_pid)) return TRUE;
  if (f->cls && ClassOf(hwnd) != f->cls) return TRUE;
  if (f->title != WindowText(hwnd)) return TRUE;
  f->found = hwnd;
  return FALSE;
}

BOOL CALLBACK PrintTop(HWND hwnd, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (!IsWindowVisible(hwnd) || (g_pid && pid != g_pid)) return TRUE;
  std::printf("window\t%lu\t%s\t%s\n", pid, ClassOf(hwnd).c_str(), Escaped(WindowText(hwnd)).c_str());
  return TRUE;
}

// Every visible top-level window (of the --pid process only, where given):
// a window whose title nobody knows beforehand, such as a dialog the system
// opens, is found this way.
int CmdWindows() {
  EnumWindows(PrintTop, 0);
  return 0;
}

HWND FindWindowTitled(const std::string& title, const char* cls = nullptr) {
  Find f{title, cls, nullptr};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// Waits up to ms for the window to be there (present) or not.
HWND WaitFor(const std::string& title, const char* cls, DWORD ms, bool present) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND hwnd = FindWindowTitled(title, cls);
    if ((hwnd != nullptr) == present || GetTickCount() - start >= ms) return hwnd;
    Sleep(50);
  }
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

// Every descendant, in Z order depth first (EnumChildWindows recurses).
std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FirstChild(HWND parent, const char* cls) {
  for (HWND h : Children(parent))
    if (ClassOf(h) == cls) return h;
  return nullptr;
}

// A block of memory in the process that owns a window: list-view and
// status-bar messages carry pointers that the system does not marshal, so
// the structures they point to must live in the target's address space.
class Remote {
 public:
  Remote(HWND hwnd, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    proc_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                            PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION,
                        FALSE, pid);
    // Under Wine the allocation is made by the target itself and can fail
    // while it is busy starting up: a few more tries.
    for (int attempt = 0; proc_ && !base_ && attempt < 30; ++attempt) {
      if (attempt) Sleep(100);
      base_ = static_cast<char*>(
          VirtualAllocEx(proc_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
  }
  ~Remote() {
    if (base_ && !stuck_) VirtualFreeEx(proc_, base_, 0, MEM_RELEASE);
    if (proc_) CloseHandle(proc_);
  }
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;
  bool ok() const { return base_ != nullptr; }
  LPARAM at(size_t off) const { return reinterpret_cast<LPARAM>(base_ + off); }
  void Write(size_t off, const void* data, size_t n) {
    WriteProcessMemory(proc_, base_ + off, data, n, nullptr);
  }
  void Read(size_t off, void* data, size_t n) {
    ReadProcessMemory(proc_, base_ + off, data, n, nullptr);
  }
  // A NUL-terminated UTF-16 text of at most n units, as UTF-8.
  std::string ReadText(size_t off, size_t n) {
    std::wstring text(n + 1, L'\0');
    Read(off, text.data(), n * sizeof(wchar_t));
    return Utf8(text.c_str());
  }

  // Calls fn(a, b, c, d) on a new thread in the target process and stores
  // its result; false if the call could not be made or did not return within
  // 10 s (the memory then stays, as the call may still use it). Wine refuses
  // two things across processes that Windows allows: WM_NOTIFY (it will not
  // pack the message and drops it silently) and reading another process's
  // menus; called from inside the target both work. fn must be a function of
  // a system DLL, which sits at the same address in every process (checked
  // by comparing its first bytes).
  bool Call(FARPROC fn, ULONG_PTR a, ULONG_PTR b, ULONG_PTR c, ULONG_PTR d, ULONG_PTR* result) {
    static_assert(sizeof(void*) == 8, "the call stub is x64 code");
    static const unsigned char stub[] = {
        0x53,                    // push rbx
        0x48, 0x83, 0xEC, 0x20,  // sub rsp, 32 (shadow space; rsp stays 16-aligned)
        0x48, 0x89, 0xCB,        // mov rbx, rcx (the argument block)
        0x48, 0x8B, 0x4B, 0x08,  // mov rcx, [rbx+8]
        0x48, 0x8B, 0x53, 0x10,  // mov rdx, [rbx+16]
        0x4C, 0x8B, 0x43, 0x18,  // mov r8, [rbx+24]
        0x4C, 0x8B, 0x4B, 0x20,  // mov r9, [rbx+32]
        0xFF, 0x13,              // call [rbx]
        0x48, 0x89, 0x43, 0x28,  // mov [rbx+40], rax
        0x48, 0x83, 0xC4, 0x20,  // add rsp, 32
        0x5B, 0xC3};             // pop rbx; ret
    unsigned char here[16], there[16];
    std::memcpy(here, reinterpret_cast<const void*>(fn), sizeof here);
    if (!ReadProcessMemory(proc_, reinterpret_cast<const void*>(fn), there, sizeof there, nullptr) ||
        std::memcmp(here, there, sizeof here) != 0)
      return false;
    auto* code = static_cast<char*>(
        VirtualAllocEx(proc_, nullptr, 128, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    if (!code) return false;
    ULONG_PTR block[6] = {reinterpret_cast<ULONG_PTR>(fn), a, b, c, d, 0};
    WriteProcessMemory(proc_, code, stub, sizeof stub, nullptr);
    WriteProcessMemory(proc_, code + 64, block, sizeof block, nullptr);
    HANDLE thread = CreateRemoteThread(proc_, nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(code), code + 64, 0, nullptr);
    bool done = thread && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    if (thread) CloseHandle(thread);
    if (!done) {
      stuck_ = true;
      return false;
    }
    ReadProcessMemory(proc_, code + 64, block, sizeof block, nullptr);
    VirtualFreeEx(proc_, code, 0, MEM_RELEASE);
    *result = block[5];
    return true;
  }

 private:
  HANDLE proc_ = nullptr;
  char* base_ = nullptr;
  bool stuck_ = false;
};

constexpr size_t kText = 512, kTextMax = 4096;  // text buffer offset (bytes) and size (units)
constexpr size_t kTextBytes = kTextMax * sizeof(wchar_t);

std::string ItemText(HWND list, Remote& mem, int row, int sub) {
  LVITEMW item{};
  item.iSubItem = sub;
  item.pszText = reinterpret_cast<wchar_t*>(mem.at(kText));
  item.cchTextMax = kTextMax;
  mem.Write(0, &item, sizeof item);
  SendMessageW(list, LVM_GETITEMTEXTW, row, mem.at(0));
  return mem.ReadText(kText, kTextMax);
}

void SetItemState(HWND list, Remote& mem, int row, UINT state) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = state;
  mem.Write(0, &item, sizeof item);
  SendMessageW(list, LVM_SETITEMSTATE, row, mem.at(0));
}

int CmdControls(HWND top) {
  for (HWND h : Children(top)) {
    std::string cls = ClassOf(h);
    std::string check = "-";
    if (cls == "Button") check = std::to_string(SendMessageW(h, BM_GETCHECK, 0, 0));
    std::printf("%s\t%d\t%d\t%d\t%s\t%s\n", cls.c_str(), GetDlgCtrlID(h), IsWindowVisible(h) ? 1 : 0,
                IsWindowEnabled(h) ? 1 : 0, check.c_str(), Escaped(WindowText(h)).c_str());
  }
  return 0;
}

int CmdList(HWND top) {
  HWND list = FirstChild(top, WC_LISTVIEWA);
  if (!list) return fail("no list view");
  Remote mem(list, kText + kTextBytes);
  if (!mem.ok()) return fail("cannot reach the list view's process");
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = reinterpret_cast<wchar_t*>(mem.at(kText));
    col.cchTextMax = kTextMax;
    mem.Write(0, &col, sizeof col);
    SendMessageW(list, LVM_GETCOLUMNW, c, mem.at(0));
    std::printf("column\t%d\t%d\t%s\n", c, static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0)),
                Escaped(mem.ReadText(kText, kTextMax)).c_str());
  }
  int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < rows; ++r) {
    bool selected = SendMessageW(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) & LVIS_SELECTED;
    std::printf("row\t%d\t%d\t%s\t%s", r, selected ? 1 : 0, Escaped(ItemText(list, mem, r, 0)).c_str(),
                Escaped(ItemText(list, mem, r, 1)).c_str());
    // A third column (the signals) where the list has one.
    for (int c = 2; c < columns; ++c) std::printf("\t%s", Escaped(ItemText(list, mem, r, c)).c_str());
    std::printf("\n");
  }
  return 0;
}

int CmdStatus(HWND top) {
  HWND bar = FirstChild(top, STATUSCLASSNAMEA);
  if (!bar) return fail("no status bar");
  size_t len = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0));
  Remote mem(bar, (len + 1) * sizeof(wchar_t));
  if (!mem.ok()) return fail("cannot reach the status bar's process");
  SendMessageW(bar, SB_GETTEXTW, 0, mem.at(0));
  std::printf("icon\t%d\n", SendMessageW(bar, SB_GETICON, 0, 0) ? 1 : 0);
  std::printf("text\t%s\n", Escaped(mem.ReadText(0, len + 1)).c_str());
  return 0;
}

int CmdSelect(HWND top, const std::vector<int>& rows) {
  HWND list = FirstChild(top, WC_LISTVIEWA);
  if (!list) return fail("no list view");
  Remote mem(list, sizeof(NMITEMACTIVATE) + sizeof(LVITEMW));
  if (!mem.ok()) return fail("cannot reach the list view's process");
  SetItemState(list, mem, -1, 0);
  for (int r : rows) SetItemState(list, mem, r, LVIS_SELECTED | LVIS_FOCUSED);
  NMITEMACTIVATE act{};
  act.hdr.hwndFrom = list;
  act.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  act.hdr.code = NM_CLICK;
  act.iItem = rows.back();
  mem.Write(0, &act, sizeof act);
  ULONG_PTR ignored;
  if (!mem.Call(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SendMessageW"),
                reinterpret_cast<ULONG_PTR>(GetParent(list)), WM_NOTIFY, act.hdr.idFrom,
                static_cast<ULONG_PTR>(mem.at(0)), &ignored))
    return fail("cannot send NM_CLICK inside the list view's process");
  return 0;
}

// Returns once the target has taken the messages just posted to it. Each
// GetMessage first handles the messages sent to the thread, then takes one
// posted message: after posted + 1 round trips of a sent WM_NULL, every
// posted message has been dispatched.
void Drain(HWND top, int posted) {
  for (int i = 0; i <= posted; ++i) {
    DWORD_PTR ignored;
    SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
  }
}

struct KeyName {
  const char* name;
  UINT vk;
};
constexpr KeyName kKeys[] = {{"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE},
                             {"ESCAPE", VK_ESCAPE}, {"TAB", VK_TAB},       {"SPACE", VK_SPACE},
                             {"DELETE", VK_DELETE}, {"DEL", VK_DELETE},    {"BACK", VK_BACK},
                             {"UP", VK_UP},         {"DOWN", VK_DOWN},     {"LEFT", VK_LEFT},
                             {"RIGHT", VK_RIGHT},   {"HOME", VK_HOME},     {"END", VK_END},
                             {"PRIOR", VK_PRIOR},   {"NEXT", VK_NEXT},     {"APPS", VK_APPS}};

// "F5", "ctrl+R", "shift+F10", "0x74", "116"; 0 if not understood.
UINT ParseKey(std::string keyName, std::vector<UINT>& mods) {
  for (size_t plus; (plus = keyName.find('+')) != std::string::npos && plus + 1 < keyName.size();) {
    std::string mod = keyName.substr(0, plus);
    for (char& c : mod) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (mod == "CTRL") mods.push_back(VK_CONTROL);
    else if (mod == "SHIFT") mods.push_back(VK_SHIFT);
    else if (mod == "ALT") mods.push_back(VK_MENU);
    else return 0;
    keyName.erase(0, plus + 1);
  }
  for (char& c : keyName) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (keyName.size() == 1 && isalnum(static_cast<unsigned char>(keyName[0]))) return keyName[0];
  if (keyName.size() >= 2 && keyName[0] == 'F' && isdigit(static_cast<unsigned char>(keyName[1]))) {
    int n = std::atoi(keyName.c_str() + 1);
    return n >= 1 && n <= 24 ? VK_F1 + n - 1 : 0;
  }
  for (const KeyName& k : kKeys)
    if (keyName == k.name) return k.vk;
  char* end = nullptr;
  unsigned long n = std::strtoul(keyName.c_str(), &end, 0);
  return *end == '\0' && n > 0 && n < 256 ? static_cast<UINT>(n) : 0;
}

void PostKey(HWND to, UINT vk, bool down, bool alt) {
  UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  LPARAM lp = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
  if (alt) lp |= 1 << 29;
  if (!down) lp |= (1u << 30) | (1u << 31);
  PostMessageW(to, msg, vk, lp);
}

int CmdKey(HWND top, const std::string& keyName) {
  std::vector<UINT> mods;
  UINT vk = ParseKey(keyName, mods);
  if (!vk) return usage();
  DWORD tid = GetWindowThreadProcessId(top, nullptr);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  HWND to = top;
  if (GetGUIThreadInfo(tid, &gui) && gui.hwndFocus &&
      (gui.hwndFocus == top || IsChild(top, gui.hwndFocus)))
    to = gui.hwndFocus;
  bool alt = false;
  for (UINT m : mods) alt = alt || m == VK_MENU;
  // A posted key does not change the target's key state, which accelerators
  // read for the modifiers: share the target's input state for the duration
  // and set the modifiers there.
  bool attached = !mods.empty() && AttachThreadInput(GetCurrentThreadId(), tid, TRUE);
  BYTE saved[256] = {}, state[256] = {};
  if (attached) {
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    for (UINT m : mods) state[m] |= 0x80;
    SetKeyboardState(state);
  }
  for (UINT m : mods) PostKey(to, m, true, alt);
  PostKey(to, vk, true, alt);
  PostKey(to, vk, false, alt);
  for (auto m = mods.rbegin(); m != mods.rend(); ++m) PostKey(to, *m, false, alt && *m != VK_MENU);
  Drain(top, 2 + 2 * static_cast<int>(mods.size()));
  if (attached) {
    // A sent message is handled before the posted keys are: the modifiers
    // stay down until the target has gone idle with its queue empty, or an
    // accelerator read after they are lifted would miss them.
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
      WaitForInputIdle(process, 5000);
      CloseHandle(process);
    }
    Sleep(200);
    Drain(top, 1);
    SetKeyboardState(saved);
    AttachThreadInput(GetCurrentThreadId(), tid, FALSE);
  }
  return 0;
}

// Real keys, as a user types them: the window is brought to the front and
// each key goes through SendInput, so the system's own handling (menus,
// mnemonics, accelerators, dialog keys) sees them as it sees a keyboard's.
int CmdType(HWND top, const std::vector<std::string>& keys) {
  std::vector<std::pair<std::vector<UINT>, UINT>> parsed;
  for (const std::string& k : keys) {
    std::vector<UINT> mods;
    UINT vk = ParseKey(k, mods);
    if (!vk) return usage();
    parsed.emplace_back(mods, vk);
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  HWND front = GetForegroundWindow();
  DWORD frontPid = 0;
  if (front) GetWindowThreadProcessId(front, &frontPid);
  // A window of the same process in front (a box it shows) keeps the keys.
  if (frontPid != pid) SetForegroundWindow(top);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  for (const auto& [mods, vk] : parsed) {
    std::vector<INPUT> in;
    auto push = [&](UINT key, bool down) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = static_cast<WORD>(key);
      i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
      i.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
      in.push_back(i);
    };
    for (UINT m : mods) push(m, true);
    push(vk, true);
    push(vk, false);
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) push(*m, false);
    if (SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) != in.size()) {
      if (process) CloseHandle(process);
      return fail("SendInput took not every key" + Error());
    }
    // Each key handled before the next: a key that opens a box is followed
    // by keys meant for the box.
    if (process) WaitForInputIdle(process, 5000);
    Sleep(300);
  }
  if (process) CloseHandle(process);
  return 0;
}

// The control with the keyboard focus in the window's thread, and the
// active window: "focus CLASS ID TEXT" and "active CLASS TEXT".
int CmdFocus(HWND top) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gui)) return fail("no thread info" + Error());
  if (gui.hwndFocus)
    std::printf("focus\t%s\t%d\t%s\n", ClassOf(gui.hwndFocus).c_str(), GetDlgCtrlID(gui.hwndFocus),
                Escaped(WindowText(gui.hwndFocus)).c_str());
  else
    std::printf("focus\t-\t0\t\n");
  if (gui.hwndActive)
    std::printf("active\t%s\t%s\n", ClassOf(gui.hwndActive).c_str(), Escaped(WindowText(gui.hwndActive)).c_str());
  if (gui.hwndMenuOwner || (gui.flags & GUI_INMENUMODE)) std::printf("menu\topen\n");
  return 0;
}

// The menu is read by calls inside the target (see Remote::Call).
bool PrintMenu(Remote& mem, HMENU menu, const std::string& path) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  ULONG_PTR count = 0, ok = 0;
  if (!mem.Call(GetProcAddress(user32, "GetMenuItemCount"), reinterpret_cast<ULONG_PTR>(menu), 0, 0, 0,
                &count))
    return false;
  int items = static_cast<int>(count);  // an int in the low half of the register
  if (items < 0) return false;
  for (int i = 0; i < items; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = reinterpret_cast<wchar_t*>(mem.at(kText));
    info.cch = kTextMax;
    mem.Write(0, &info, sizeof info);
    if (!mem.Call(GetProcAddress(user32, "GetMenuItemInfoW"), reinterpret_cast<ULONG_PTR>(menu), i, TRUE,
                  static_cast<ULONG_PTR>(mem.at(0)), &ok))
      return false;
    mem.Read(0, &info, sizeof info);
    if (!static_cast<BOOL>(ok) || (info.fType & MFT_SEPARATOR)) continue;
    std::string text = Escaped(mem.ReadText(kText, kTextMax));
    std::string item = path.empty() ? text : path + " > " + text;
    std::string id = info.hSubMenu ? "-" : std::to_string(info.wID);
    std::printf("%s\t%s\t%d\t%d\n", item.c_str(), id.c_str(), info.fState & MFS_CHECKED ? 1 : 0,
                info.fState & MFS_DISABLED ? 0 : 1);
    if (info.hSubMenu && !PrintMenu(mem, info.hSubMenu, item)) return false;
  }
  return true;
}

int CmdMenu(HWND top) {
  HMENU bar = GetMenu(top);
  if (!bar) return fail("no menu bar");
  Remote mem(top, kText + kTextBytes);
  if (!mem.ok() || !PrintMenu(mem, bar, "")) return fail("cannot read the menu inside its process");
  return 0;
}

HWND ButtonTitled(HWND top, const std::string& text) {
  for (HWND h : Children(top))
    if (ClassOf(h) == "Button" && WindowText(h) == text) return h;
  return nullptr;
}

int CmdMsgbox(HWND box) {
  for (HWND h : Children(box)) {
    if (GetDlgCtrlID(h) == 0xFFFF && ClassOf(h) == "Static")
      std::printf("text\t%s\n", Escaped(WindowText(h)).c_str());
  }
  for (HWND h : Children(box))
    if (ClassOf(h) == "Button") std::printf("button\t%s\n", Escaped(WindowText(h)).c_str());
  return 0;
}

// The short (8.3) name of a path, as GetShortPathNameW gives it.
int CmdShortName(const std::string& path) {
  std::wstring out(32768, L'\0');
  const DWORD n = GetShortPathNameW(Wide(path).c_str(), out.data(), static_cast<DWORD>(out.size()));
  if (n == 0 || n >= out.size()) return fail("no short name for " + path);
  out.resize(n);
  std::printf("%s\n", Utf8(out.c_str()).c_str());
  return 0;
}

// A junction at link to folder (an empty folder made a mount point).
bool MakeJunction(const std::wstring& folder, const std::wstring& link) {
  wchar_t full[MAX_PATH];
  if (!GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr) || !CreateDirectoryW(link.c_str(), nullptr)) return false;
  const std::wstring target = L"\\??\\" + std::wstring(full);
  const USHORT bytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
  std::vector<BYTE> buffer(8 + 8 + bytes + 2 * sizeof(wchar_t));
  auto put16 = [&](size_t at, USHORT v) { std::memcpy(&buffer[at], &v, 2); };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&buffer[0], &tag, 4);
  put16(4, static_cast<USHORT>(buffer.size() - 8));
  put16(8, 0);
  put16(10, bytes);
  put16(12, static_cast<USHORT>(bytes + sizeof(wchar_t)));
  put16(14, 0);
  std::memcpy(&buffer[16], target.data(), bytes);
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  const bool ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  nullptr, 0, &done, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryW(link.c_str());
  return ok;
}

int CmdLink(const std::string& folder, const std::string& link) {
  const std::wstring f = Wide(folder), l = Wide(link);
  // Each is taken only where the folder can be reached through it.
  const auto reaches = [&] { return GetFileAttributesW(l.c_str()) != INVALID_FILE_ATTRIBUTES; };
  if (MakeJunction(f, l) && reaches()) {
    std::printf("junction\n");
    return 0;
  }
  RemoveDirectoryW(l.c_str());
  if (CreateSymbolicLinkW(l.c_str(), f.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) && reaches()) {
    std::printf("symbolic link\n");
    return 0;
  }
  return fail("no link to " + folder);
}

// Sets the access list of a registry key (its DACL) to the one an SDDL text
// gives ("D:(D;;KR;;;WD)(A;;KA;;;WD)": nobody may read it), as an
// administrator's tool would.
int CmdKeyAcl(const std::string& key, const std::string& sddl) {
  const size_t slash = key.find('\\');
  const std::string rootName = key.substr(0, slash);
  const HKEY root = rootName == "HKCU" ? HKEY_CURRENT_USER : rootName == "HKLM" ? HKEY_LOCAL_MACHINE : nullptr;
  if (!root || slash == std::string::npos) return fail("no key of HKCU or HKLM: " + key);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(sddl).c_str(), SDDL_REVISION_1, &sd, nullptr))
    return fail("not an SDDL text: " + sddl + Error());
  HKEY opened = nullptr;
  LONG status = RegOpenKeyExW(root, Wide(key.substr(slash + 1)).c_str(), 0, WRITE_DAC, &opened);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, sd);
    RegCloseKey(opened);
  }
  LocalFree(sd);
  if (status != ERROR_SUCCESS) return fail("the access list of " + key + " stays (error " + std::to_string(status) + ")");
  return 0;
}

// Another copy's turn of a base file, as the program takes it: held from
// when FLAGFILE.held is made until FLAGFILE exists (at most two minutes).
int CmdHold(const std::string& base, const std::string& flag) {
  HANDLE held = nullptr;
  if (hollin::TakeSessionTurn(hollin::BaseTurnName(base), 0, held) != hollin::TurnTaken::Taken)
    return fail("the turn of " + base + " is not to be had");
  const HANDLE said = CreateFileW(Wide(flag + ".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (said != INVALID_HANDLE_VALUE) CloseHandle(said);
  for (int i = 0; i < 2400 && GetFileAttributesW(Wide(flag).c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  hollin::GiveSessionTurn(held);
  return 0;
}

DWORD Millis(int argc, char** argv, int index) {
  return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : 15000;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // LF line ends for bash
  // The arguments as UTF-8, from the wide command line.
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide) return usage();
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  char** argv = pointers.data();
  int a = 1;
  if (a + 1 < argc && std::strcmp(argv[a], "--pid") == 0) {
    g_pid = static_cast<DWORD>(std::strtoul(argv[a + 1], nullptr, 10));
    a += 2;
  }
  if (a < argc && std::strcmp(argv[a], "--hidden") == 0) {
    g_hidden = true;
    ++a;
  }
  if (argc - a == 1 && std::strcmp(argv[a], "windows") == 0) return CmdWindows();
  // The mouse pointer to the screen's top left corner, where it brings up
  // no tool tip in a screenshot.
  if (argc - a == 1 && std::strcmp(argv[a], "park") == 0) return SetCursorPos(0, 0) ? 0 : fail("the pointer stays");
  if (argc - a < 2) return usage();
  std::string cmd = argv[a], title = argv[a + 1];
  int rest = a + 2, more = argc - rest;  // arguments after the title

  if (cmd == "wait" || cmd == "gone") {
    bool present = cmd == "wait";
    HWND hwnd = WaitFor(title, nullptr, Millis(argc, argv, rest), present);
    if ((hwnd != nullptr) != present)
      return fail(std::string(present ? "no window " : "still there: ") + title);
    if (present) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      std::printf("hwnd\t%p\tpid\t%lu\n", static_cast<void*>(hwnd), pid);
    }
    return 0;
  }
  if (cmd == "shortname" && more == 0) return CmdShortName(title);
  if (cmd == "link" && more == 1) return CmdLink(title, argv[rest]);
  if (cmd == "keyacl" && more == 1) return CmdKeyAcl(title, argv[rest]);
  if (cmd == "hold" && more == 1) return CmdHold(title, argv[rest]);
  if (cmd == "answer") {
    if (more < 1) return usage();
    HWND box = WaitFor(title, "#32770", Millis(argc, argv, rest + 1), true);
    if (!box) return fail("no message box " + title);
    HWND button = ButtonTitled(box, argv[rest]);
    if (!button) return fail(std::string("no button ") + argv[rest]);
    if (!PostMessageW(button, BM_CLICK, 0, 0)) {
      const std::string why = Error();
      return fail(std::string("cannot click ") + argv[rest] + why);
    }
    return 0;
  }

  HWND top = FindWindowTitled(title, cmd == "msgbox" ? "#32770" : nullptr);
  if (!top) return fail("no window " + title);
  if (cmd == "controls" && more == 0) return CmdControls(top);
  if (cmd == "list" && more == 0) return CmdList(top);
  if (cmd == "status" && more == 0) return CmdStatus(top);
  if (cmd == "menu" && more == 0) return CmdMenu(top);
  if (cmd == "msgbox" && more == 0) return CmdMsgbox(top);
  if (cmd == "key" && more == 1) return CmdKey(top, argv[rest]);
  if (cmd == "type" && more >= 1) return CmdType(top, std::vector<std::string>(argv + rest, argv + argc));
  if (cmd == "focus" && more == 0) return CmdFocus(top);
  if (cmd == "close" && more == 0) {
    // The window is named by its title: one that went between the search
    // and the post (a window replaced by another of the same title) is
    // looked for once more.
    if (PostMessageW(top, WM_CLOSE, 0, 0)) return 0;
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_WINDOW_HANDLE && (top = FindWindowTitled(title))) {
      if (PostMessageW(top, WM_CLOSE, 0, 0)) return 0;
      error = GetLastError();
    }
    return fail("cannot post WM_CLOSE to " + title + " (error " + std::to_string(error) + ")");
  }
  if (cmd == "command" && more == 1) {
    WPARAM id = std::strtoul(argv[rest], nullptr, 0);
    if (!PostMessageW(top, WM_COMMAND, id, 0)) {
      const std::string why = Error();
      return fail("cannot post to " + title + why);
    }
    Drain(top, 1);
    return 0;
  }
  if (cmd == "send" && (more == 1 || more == 2)) {
    // A message the window answers with a number, printed as "result N".
    const UINT message = static_cast<UINT>(std::strtoul(argv[rest], nullptr, 0));
    const WPARAM wp = more == 2 ? std::strtoul(argv[rest + 1], nullptr, 0) : 0;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(top, message, wp, 0, SMTO_NORMAL, 60000, &result))
      return fail("no answer from " + title);
    std::printf("result\t%llu\n", static_cast<unsigned long long>(result));
    return 0;
  }
  if (cmd == "click" && more == 1) {
    HWND button = ButtonTitled(top, argv[rest]);
    if (!button) return fail(std::string("no button ") + argv[rest]);
    if (!PostMessageW(button, BM_CLICK, 0, 0)) {
      const std::string why = Error();
      return fail(std::string("cannot click ") + argv[rest] + why);
    }
    Drain(top, 1);
    return 0;
  }
  if (cmd == "char" && more == 1) {
    HWND list = FirstChild(top, WC_LISTVIEWA);
    if (!list) return fail("no list view");
    const std::wstring text = Wide(argv[rest]);
    for (wchar_t unit : text) PostMessageW(list, WM_CHAR, unit, 1);
    Drain(top, static_cast<int>(text.size()));
    return 0;
  }
  if (cmd == "select" && more >= 1) {
    std::vector<int> rows;
    for (int i = rest; i < argc; ++i) {
      char* end = nullptr;
      long row = std::strtol(argv[i], &end, 10);
      if (*end || row < 0) return usage();
      rows.push_back(static_cast<int>(row));
    }
    return CmdSelect(top, rows);
  }
  return usage();
}
