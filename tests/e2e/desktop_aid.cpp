// What the desktop test needs beside the program, under Wine:
//   desktop_aid load NAME
// loads the DLL NAME as a program that imports it would find it (the
// program's folder first), and says whether it could;
//   desktop_aid noop
// loads nothing of its own (what Wine's own DLLs load, they load);
//   desktop_aid hold-mutex NAME SECONDS
// makes the named mutex with a descriptor that grants nobody any access
// (as a mutex an elevated process made looks to a standard one), prints
// "held" and keeps it for SECONDS;
//   desktop_aid ctrl-c KEY VALUE COMMAND_LINE
// runs COMMAND_LINE on this process's console (one is made where there is
// none), waits until the default value of HKEY_CLASSES_ROOT\KEY reads VALUE
// (what it runs has begun its work), sends Ctrl+C to the console's
// processes, prints "sent" (or "not sent" and the error) and ends with the
// exit code of what it ran.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The aid itself outlives the Ctrl+C it sends. (A handler, not the
// ignore flag, which the program it runs would inherit.)
BOOL WINAPI KeepRunning(DWORD) { return TRUE; }

int CtrlCDuring(const wchar_t* key, const wchar_t* value, const wchar_t* commandLine) {
  // A console of its own, which what it runs shares: one inherited from a
  // pipe (Wine's "bare" console) takes no control events.
  FreeConsole();
  if (!AllocConsole()) return 72;
  SetConsoleCtrlHandler(KeepRunning, TRUE);
  std::wstring line = commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 70;
  bool begun = false;
  for (int i = 0; i < 60000 && !begun && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; ++i) {
    wchar_t now[512] = L"";
    DWORD size = sizeof now;
    begun = RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, now, &size) == ERROR_SUCCESS &&
            std::wcscmp(now, value) == 0;
    if (!begun) Sleep(1);
  }
  if (!begun) std::printf("not begun\n");
  else if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) std::printf("sent\n");
  else std::printf("not sent %lu\n", GetLastError());
  std::fflush(stdout);
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 71;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc == 5 && std::wcscmp(argv[1], L"ctrl-c") == 0) return CtrlCDuring(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::wcscmp(argv[1], L"hold-mutex") == 0) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL acl;
    InitializeAcl(&acl, sizeof acl, ACL_REVISION);  // empty: no access for anyone
    SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const HANDLE mutex = CreateMutexW(&attributes, FALSE, argv[2]);
    if (!mutex) return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
    CloseHandle(mutex);
    return 0;
  }
  if (argc == 2 && std::wcscmp(argv[1], L"noop") == 0) return 0;
  if (argc == 3 && std::wcscmp(argv[1], L"load") == 0) return LoadLibraryW(argv[2]) ? 0 : 1;
  std::fprintf(stderr, "usage: desktop_aid noop | load NAME | hold-mutex NAME SECONDS | ctrl-c KEY VALUE COMMAND\n");
  return 64;
}
