// The registry layer: the nine registry operations the program uses, with the
// platform's names, argument order and status codes. Win32Registry passes
// them on to advapi32; RegistryStore keeps its own tree of keys. Every other
// part of the program reaches the registry only through this interface.
//
// The operations keep the ANSI functions' contract, with text in WTF-8
// (common/wtf8.h) where the registry holds UTF-16: names and data are bytes,
// sizes count bytes. REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ data cross as
// text (a lone surrogate kept, a byte that begins no character stored as
// U+FFFD; read back with a terminating NUL added where the value lacks one);
// data of any other type crosses raw.
//
// What the program relies on beyond the platform's documentation:
// - a leading backslash in a subkey path is treated as absent;
// - a value longer than the buffer gives ERROR_MORE_DATA with the needed size
//   in bytes in the count, and writes nothing (RegQueryValueExA); a subkey's name that does not fit with its NUL gives
//   ERROR_MORE_DATA and leaves the count (RegEnumKeyExA);
// - subkeys enumerate sorted without regard to case, letters folded to lower
//   case before bytes are compared.
#pragma once

#include "registry/reg_types.h"

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  virtual LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                             REGSAM samDesired, PHKEY phkResult) = 0;
  virtual LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName,
                             LPDWORD lpcchName, LPDWORD lpReserved,
                             LPSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime) = 0;
  virtual LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName,
                                LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) = 0;
  virtual LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                              DWORD dwType, const BYTE* lpData,
                              DWORD cbData) = 0;
  virtual LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                               LPSTR lpClass, DWORD dwOptions,
                               REGSAM samDesired,
                               const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                               PHKEY phkResult, LPDWORD lpdwDisposition) = 0;
  virtual LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) = 0;
  virtual LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD lpReserved,
                             LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) = 0;
  virtual LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) = 0;
  virtual LONG RegCloseKey(HKEY hKey) = 0;

  // Whether the operations may be called from several threads at once: the
  // scan then reads the class root's keys on a few threads, since each call
  // waits on the system. advapi32's may; a layer that keeps state of its own
  // says so only where it guards that state.
  virtual bool ConcurrentReads() const { return false; }
};
