// RegistryStore: the registry layer over a tree of keys of its own, for the
// portable build and the tests. Each key has a default value and named values
// of any type (kept with their type); names and text are kept in WTF-8, as
// the Win32 binding hands them back (registry.h); key and value names are
// compared without regard to case; a leading backslash in a path is ignored;
// handles are opaque; status codes are the platform's. A key name is at most
// 255 UTF-16 units, a value name at most 16,383, and a key at most 512
// levels below its root key; creating one beyond that fails with
// ERROR_INVALID_PARAMETER. The store loads a registry export text (see
// reg_file.h) and writes its tree as one (ToText).
// Every operation holds one lock, so that several threads may read at once,
// as the scan does (unless concurrentReads is off). A handle closed is a
// number given out again, the lowest first, as the system does.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "registry/registry.h"

namespace hollin {

class RegistryStore : public IRegistry {
 public:
  RegistryStore();
  ~RegistryStore() override;
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                     REGSAM samDesired, PHKEY phkResult) override;
  LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                     LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                     PFILETIME lpftLastWriteTime) override;
  LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                        LPDWORD lpType, LPBYTE lpData,
                        LPDWORD lpcbData) override;
  LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                      DWORD dwType, const BYTE* lpData, DWORD cbData) override;
  LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                       LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                       PHKEY phkResult, LPDWORD lpdwDisposition) override;
  LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) override;
  LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) override;
  LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) override;
  LONG RegCloseKey(HKEY hKey) override;
  bool ConcurrentReads() const override { return concurrentReads; }
  bool concurrentReads = true;

  // Applies a registry export text to the tree, as an import does: keys and
  // values are added or replaced, [-key] and "name"=- entries delete. The
  // whole text is parsed first; a malformed one throws RegFileError (naming
  // source and the line) and leaves the store unchanged. Handles to deleted
  // keys then fail with ERROR_KEY_DELETED (1018).
  void LoadText(std::string_view text, const std::string& source);

  // The whole tree as REGEDIT4 text (see reg_file.h), which LoadText reads
  // back to the same keys, types and bytes.
  std::string ToText() const;

  // For tests: the rights the key root\path (any letter case) grants, as its
  // security would. Each right asked for is checked on its own: opening or
  // creating the key fails with ERROR_ACCESS_DENIED when any right asked for
  // is not granted. AllowOnly grants exactly rights
  // (KEY_READ: what a standard user has on a machine-wide key); DenyAccess
  // grants every right but those in mask (0 lifts the limit). Only that key;
  // its subkeys are not affected.
  void AllowOnly(HKEY root, const std::string& path, REGSAM rights);
  void DenyAccess(HKEY root, const std::string& path, REGSAM mask);
  // Sets when a key was last written (seconds since 1970), as a test wants
  // it; a missing key is left alone.
  void SetLastWriteTime(HKEY root, const std::string& path, std::int64_t secondsSince1970);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hollin
