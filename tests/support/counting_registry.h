// A registry that passes every call on to another and keeps the handles it
// handed out, so that a test can tell whether the code under test closed
// each key it opened, once, and how many calls it made.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace hollin::test {

class CountingRegistry : public IRegistry {
 public:
  explicit CountingRegistry(IRegistry& inner) : inner_(inner) {}

  // The keys opened or created and not closed yet.
  const std::vector<HKEY>& Open() const { return open_; }
  // Closes of a handle that was not open (closed twice, or never opened).
  int strayCloses = 0;
  int opened = 0;  // keys handed out in all
  long calls = 0;  // calls of any kind
  long listed = 0;  // of them RegEnumKeyExA
  std::map<std::string, int> opensOf;  // RegOpenKeyExA asked for each path, as spelled

  LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) override {
    ++calls;
    ++opensOf[lpSubKey ? lpSubKey : ""];
    return Kept(inner_.RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult), phkResult);
  }
  LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                       const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                       LPDWORD lpdwDisposition) override {
    ++calls;
    return Kept(inner_.RegCreateKeyExA(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
                                       lpSecurityAttributes, phkResult, lpdwDisposition),
                phkResult);
  }
  LONG RegCloseKey(HKEY hKey) override {
    ++calls;
    const auto it = std::find(open_.begin(), open_.end(), hKey);
    if (it == open_.end()) ++strayCloses;
    else open_.erase(it);
    return inner_.RegCloseKey(hKey);
  }
  LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                     LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) override {
    ++calls, ++listed;
    return inner_.RegEnumKeyExA(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
  }
  LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                        LPDWORD lpcbData) override {
    ++calls;
    return inner_.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
  }
  LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                      DWORD cbData) override {
    ++calls;
    return inner_.RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
  }
  LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) override {
    ++calls;
    return inner_.RegDeleteValueA(hKey, lpValueName);
  }
  LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                     LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) override {
    ++calls;
    return inner_.RegEnumValueA(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
  }
  LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                        LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                        LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                        PFILETIME lpftLastWriteTime) override {
    ++calls;
    return inner_.RegQueryInfoKeyA(hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen,
                                   lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen,
                                   lpcbSecurityDescriptor, lpftLastWriteTime);
  }

 private:
  LONG Kept(LONG status, PHKEY key) {
    if (status == ERROR_SUCCESS) {
      open_.push_back(*key);
      ++opened;
    }
    return status;
  }

  IRegistry& inner_;
  std::vector<HKEY> open_;
};

}  // namespace hollin::test
