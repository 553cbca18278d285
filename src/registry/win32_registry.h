// Win32Registry: the registry layer over the system registry, through
// advapi32's wide functions. Names and text data are converted at this edge
// between WTF-8 and UTF-16, so every unit, a lone surrogate too, crosses as
// it is (the ANSI functions would make U+FFFD of it); values are read whole
// before they are handed out, so that sizes count the bytes the caller gets.
// A leading backslash in a subkey path is dropped first (the system refuses
// such a path with ERROR_BAD_PATHNAME, while the layer treats the backslash
// as absent). A key's class is neither written nor read. Windows build only.
#pragma once

#include "registry/registry.h"

namespace hollin {

class Win32Registry : public IRegistry {
 public:
  // concurrentReads false: the scan reads on the caller's thread alone.
  explicit Win32Registry(bool concurrentReads = true) : concurrentReads_(concurrentReads) {}
  LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                     PHKEY phkResult) override;
  LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                     LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                     PFILETIME lpftLastWriteTime) override;
  LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                        LPBYTE lpData, LPDWORD lpcbData) override;
  LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                      const BYTE* lpData, DWORD cbData) override;
  LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                       DWORD dwOptions, REGSAM samDesired,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                       LPDWORD lpdwDisposition) override;
  LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) override;
  LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) override;
  LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) override;
  LONG RegCloseKey(HKEY hKey) override;
  bool ConcurrentReads() const override { return concurrentReads_; }

 private:
  bool concurrentReads_;
};

}  // namespace hollin
