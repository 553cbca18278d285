// RegistryStore: the registry layer over a tree of keys of its own, for the
// portable build and the tests. Each key has a default value and named values
// of any type (kept with their type); key and value names are compared without
// regard to case; a leading backslash in a path is ignored; handles are
// opaque; status codes are the platform's. The store can be loaded from and
// persisted to a registry export text file (see reg_file.h).
#pragma once

#include <memory>
#include <string>

#include "registry/registry.h"

namespace hollin {

class RegistryStore : public IRegistry {
 public:
  RegistryStore();
  ~RegistryStore() override;

  LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                     REGSAM samDesired, PHKEY phkResult) override;
  LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                     LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                     PFILETIME lpftLastWriteTime) override;
  LONG RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData,
                      PLONG lpcbData) override;
  LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                        LPDWORD lpType, LPBYTE lpData,
                        LPDWORD lpcbData) override;
  LONG RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData,
                    DWORD cbData) override;
  LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                      DWORD dwType, const BYTE* lpData, DWORD cbData) override;
  LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                       LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                       PHKEY phkResult, LPDWORD lpdwDisposition) override;
  LONG RegCloseKey(HKEY hKey) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hollin
