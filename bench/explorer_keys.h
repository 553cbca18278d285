// Explorer's 20,000 keys of FillFileExts in the bench prefix (Windows build,
// under Wine). class_root_setup writes them under "FileExts (bench)" beside an
// empty "FileExts (none)" and makes FileExts a volatile link to either;
// pointing the link elsewhere writes nothing the server has to save, and
// leaves the other keys alone (Wine 8's RegRenameKey loses a sibling).
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>

namespace hollin::bench {

inline constexpr char kExplorerPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
inline constexpr wchar_t kBenchFileExts[] = L"FileExts (bench)";
inline constexpr wchar_t kNoFileExts[] = L"FileExts (none)";

// Points FileExts at the bench's keys (with) or at the empty key, making the
// link first where make; false on a failure (or, with make, where the prefix
// has a FileExts of its own).
inline bool PointFileExts(bool with, bool make = false) {
  HKEY explorer = nullptr, link = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kExplorerPath, 0, KEY_ALL_ACCESS, &explorer) != ERROR_SUCCESS)
    return false;
  // The link names its target by its full path in the registry's own space.
  using QueryKey = NTSTATUS(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryKey>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
  struct {
    ULONG length;
    wchar_t name[1024];
  } info{};
  ULONG size = 0;
  constexpr int kKeyNameInformation = 3;
  bool ok = query && query(explorer, kKeyNameInformation, &info, sizeof info, &size) >= 0;
  const std::wstring target = std::wstring(info.name, info.length / sizeof(wchar_t)) + L"\\" +
                              (with ? kBenchFileExts : kNoFileExts);
  DWORD disposition = 0;
  if (ok && make)
    ok = RegCreateKeyExW(explorer, L"FileExts", 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                         KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, &disposition) == ERROR_SUCCESS &&
         disposition == REG_CREATED_NEW_KEY;
  else if (ok)
    ok = RegOpenKeyExW(explorer, L"FileExts", REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &link) == ERROR_SUCCESS;
  if (ok)
    ok = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                        static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
  if (link) RegCloseKey(link);
  RegCloseKey(explorer);
  return ok;
}

}  // namespace hollin::bench
