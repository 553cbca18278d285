// What the desktop test needs beside the program, under Wine:
//   desktop_aid load NAME
// loads the DLL NAME as a program that imports it would find it (the
// program's folder first), and says whether it could;
//   desktop_aid noop
// loads nothing of its own (what Wine's own DLLs load, they load);
//   desktop_aid hold-mutex NAME SECONDS
// makes the named mutex with a descriptor that grants nobody any access
// (as a mutex an elevated process made looks to a standard one), prints
// "held" and keeps it for SECONDS.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
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
  std::fprintf(stderr, "usage: desktop_aid noop | load NAME | hold-mutex NAME SECONDS\n");
  return 64;
}
