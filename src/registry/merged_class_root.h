// HKEY_CLASSES_ROOT as Windows shows it: the user classes
// (HKCU\Software\Classes) merged over the machine classes
// (HKLM\Software\Classes) of another registry layer, for the stand-in and
// its tests (Wine merges nothing: its class root is the machine classes).
//
// As Windows documents the merged view:
// - a read sees the user classes' key and value where they have them, else
//   the machine classes' (value by value); the subkeys of both enumerate
//   as one sorted list;
// - a value written (or deleted) through it goes to the user classes where
//   the key exists there, else to the machine classes;
// - a key created through it that the user classes lack is made in the
//   machine classes.
// Every other root and handle passes through unchanged.
#pragma once

#include <memory>

#include "registry/registry.h"

namespace hollin {

class MergedClassRoot : public IRegistry {
 public:
  explicit MergedClassRoot(IRegistry& layers);
  ~MergedClassRoot() override;
  MergedClassRoot(const MergedClassRoot&) = delete;
  MergedClassRoot& operator=(const MergedClassRoot&) = delete;

  LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) override;
  LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                     LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) override;
  LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                        LPDWORD lpcbData) override;
  LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                      DWORD cbData) override;
  LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                       REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                       LPDWORD lpdwDisposition) override;
  LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) override;
  LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                     LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) override;
  LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) override;
  LONG RegCloseKey(HKEY hKey) override;
  bool ConcurrentReads() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hollin
