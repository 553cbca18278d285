#include "registry/win32_registry.h"

namespace hollin {
namespace {

// The path without its leading backslashes; null stays null.
LPCSTR Relative(LPCSTR path) {
  if (path)
    while (*path == '\\') ++path;
  return path;
}

}  // namespace

LONG Win32Registry::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                                  REGSAM samDesired, PHKEY phkResult) {
  return ::RegOpenKeyExA(hKey, Relative(lpSubKey), ulOptions, samDesired, phkResult);
}

LONG Win32Registry::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                  LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                  PFILETIME lpftLastWriteTime) {
  return ::RegEnumKeyExA(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass,
                         lpftLastWriteTime);
}

LONG Win32Registry::RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, PLONG lpcbData) {
  return ::RegQueryValueA(hKey, Relative(lpSubKey), lpData, lpcbData);
}

LONG Win32Registry::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                     LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return ::RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Registry::RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData,
                                 DWORD cbData) {
  return ::RegSetValueA(hKey, Relative(lpSubKey), dwType, lpData, cbData);
}

LONG Win32Registry::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData) {
  return ::RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG Win32Registry::RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                    DWORD dwOptions, REGSAM samDesired,
                                    const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                                    PHKEY phkResult, LPDWORD lpdwDisposition) {
  // The platform's parameter is not const-qualified; it only reads it.
  return ::RegCreateKeyExA(hKey, Relative(lpSubKey), Reserved, lpClass, dwOptions, samDesired,
                           const_cast<SECURITY_ATTRIBUTES*>(lpSecurityAttributes), phkResult,
                           lpdwDisposition);
}

LONG Win32Registry::RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  return ::RegDeleteValueA(hKey, lpValueName);
}

LONG Win32Registry::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                  LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return ::RegEnumValueA(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Registry::RegCloseKey(HKEY hKey) { return ::RegCloseKey(hKey); }

}  // namespace hollin
