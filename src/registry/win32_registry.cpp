#include "registry/win32_registry.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "common/win32_text.h"

namespace hollin {
namespace {

// A name or path as the wide functions take it; null stays null. A path
// loses its leading backslashes. A short name of ASCII, as most are, is
// widened in place: a scan makes tens of thousands of calls.
class WideName {
 public:
  explicit WideName(LPCSTR name, bool path = false) : null_(!name) {
    if (path && name)
      while (*name == '\\') ++name;
    if (!name) return;
    size_t n = 0;
    while (n < kShort && name[n] && static_cast<unsigned char>(name[n]) < 0x80) short_[n] = name[n], ++n;
    if (n < kShort && !name[n]) {
      short_[n] = L'\0';
      return;
    }
    text_ = Wide(name);
    long_ = true;
  }
  LPCWSTR get() const { return null_ ? nullptr : long_ ? text_.c_str() : short_; }

 private:
  static constexpr size_t kShort = 128;
  bool null_;
  bool long_ = false;
  wchar_t short_[kShort + 1];
  std::wstring text_;
};

// Units as WTF-8 into out (replacing it): ASCII byte for byte, the rest as
// Wtf8FromUtf16 gives it.
void Wtf8Into(std::string& out, const wchar_t* units, size_t n) {
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    if (units[i] >= 0x80) {
      out = Wtf8FromUtf16(units, n);
      return;
    }
    out[i] = static_cast<char>(units[i]);
  }
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A value read whole through the wide function, its text as WTF-8 with the
// terminating NUL that the ANSI functions add where the value lacks one;
// other types raw. (A text of an odd number of bytes loses its last byte,
// which is half a unit.)
LONG ReadValue(HKEY key, LPCWSTR name, DWORD& type, std::string& data) {
  // The usual value fits on the stack; a longer one is read again with the
  // room it needs (and more, should it grow meanwhile).
  wchar_t small[256];
  std::vector<wchar_t> large;
  wchar_t* units = small;
  size_t capacity = std::size(small);
  for (;;) {
    DWORD size = static_cast<DWORD>(capacity * sizeof(wchar_t));
    const LONG r = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(units), &size);
    if (r == ERROR_MORE_DATA) {
      large.resize(std::max(capacity * 2, size / sizeof(wchar_t) + 1));
      units = large.data();
      capacity = large.size();
      continue;
    }
    if (r != ERROR_SUCCESS) return r;
    if (IsText(type)) {
      Wtf8Into(data, units, size / sizeof(wchar_t));
      if (!data.empty() && data.back() != '\0') data.push_back('\0');
    } else {
      data.assign(reinterpret_cast<const char*>(units), size);
    }
    return ERROR_SUCCESS;
  }
}

}  // namespace

LONG Win32Registry::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                                  REGSAM samDesired, PHKEY phkResult) {
  return ::RegOpenKeyExW(hKey, WideName(lpSubKey, true).get(), ulOptions, samDesired, phkResult);
}

LONG Win32Registry::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                  LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                  PFILETIME lpftLastWriteTime) {
  if (!lpcchName) return ERROR_INVALID_PARAMETER;
  // A key name is at most 255 units (Wine takes one more).
  wchar_t name[512];
  DWORD units = static_cast<DWORD>(std::size(name));
  const LONG r = ::RegEnumKeyExW(hKey, dwIndex, name, &units, lpReserved, nullptr, nullptr, lpftLastWriteTime);
  if (r != ERROR_SUCCESS) return r;
  std::string text;
  Wtf8Into(text, name, units);
  // The buffer must hold the name and its NUL; when it does not, the count
  // is left as it was.
  if (*lpcchName <= text.size()) return ERROR_MORE_DATA;
  if (!lpName) return ERROR_INVALID_PARAMETER;
  std::memcpy(lpName, text.c_str(), text.size() + 1);
  *lpcchName = static_cast<DWORD>(text.size());
  if (lpcchClass) {
    if (lpClass && *lpcchClass > 0) lpClass[0] = '\0';
    *lpcchClass = 0;
  }
  return ERROR_SUCCESS;
}

LONG Win32Registry::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                     LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpType) *lpType = REG_NONE;  // what a failed query reports
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  DWORD type = REG_NONE;
  std::string data;
  if (const LONG r = ReadValue(hKey, WideName(lpValueName).get(), type, data)) return r;
  if (lpType) *lpType = type;
  if (lpData && *lpcbData < data.size()) {
    *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_MORE_DATA;
  }
  if (lpcbData) *lpcbData = static_cast<DWORD>(data.size());
  if (lpData) std::memcpy(lpData, data.data(), data.size());
  return ERROR_SUCCESS;
}

LONG Win32Registry::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData) {
  const WideName name(lpValueName);
  if (!IsText(dwType) || !lpData) return ::RegSetValueExW(hKey, name.get(), Reserved, dwType, lpData, cbData);
  std::wstring text = Wide(std::string_view(reinterpret_cast<const char*>(lpData), cbData));
  const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  // The system counts in a NUL that follows a text's last unit though the
  // size leaves it out; a unit other than NUL there keeps the text as given.
  text.push_back(L'\xFFFF');
  return ::RegSetValueExW(hKey, name.get(), Reserved, dwType, reinterpret_cast<const BYTE*>(text.data()), size);
}

LONG Win32Registry::RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                    DWORD dwOptions, REGSAM samDesired,
                                    const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                                    PHKEY phkResult, LPDWORD lpdwDisposition) {
  std::wstring keyClass = lpClass ? Wide(lpClass) : std::wstring();
  // The platform's parameters are not const-qualified; it only reads them.
  return ::RegCreateKeyExW(hKey, WideName(lpSubKey, true).get(), Reserved, lpClass ? keyClass.data() : nullptr,
                           dwOptions, samDesired, const_cast<SECURITY_ATTRIBUTES*>(lpSecurityAttributes), phkResult,
                           lpdwDisposition);
}

LONG Win32Registry::RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  return ::RegDeleteValueW(hKey, WideName(lpValueName).get());
}

LONG Win32Registry::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                  LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  // The name first (a value's name is at most 16,383 units), then the value
  // read whole by it, converted as a query converts it.
  std::vector<wchar_t> name(16384);
  DWORD units = static_cast<DWORD>(name.size());
  if (const LONG r = ::RegEnumValueW(hKey, dwIndex, name.data(), &units, nullptr, nullptr, nullptr, nullptr))
    return r;
  const std::string text = Wtf8FromUtf16(name.data(), units);
  name.resize(units);
  name.push_back(L'\0');
  DWORD type = REG_NONE;
  std::string data;
  if (lpType || lpData || lpcbData) {
    if (const LONG r = ReadValue(hKey, name.data(), type, data)) return r;
  }
  // The name and its NUL must fit; when they do not, nothing is stored.
  if (*lpcchValueName <= text.size()) return ERROR_MORE_DATA;
  if (lpData && *lpcbData < data.size()) {
    *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpValueName, text.c_str(), text.size() + 1);
  *lpcchValueName = static_cast<DWORD>(text.size());
  if (lpType) *lpType = type;
  if (lpcbData) *lpcbData = static_cast<DWORD>(data.size());
  if (lpData) std::memcpy(lpData, data.data(), data.size());
  return ERROR_SUCCESS;
}

// Only the counts and the time cross: the class name, which nothing here
// reads, is not asked for, and the longest names are the wide function's
// (in UTF-16 units).
LONG Win32Registry::RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  if (lpClass || lpcchClass) return ERROR_INVALID_PARAMETER;
  return ::RegQueryInfoKeyW(hKey, nullptr, nullptr, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen,
                            lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
                            lpftLastWriteTime);
}

LONG Win32Registry::RegCloseKey(HKEY hKey) { return ::RegCloseKey(hKey); }

}  // namespace hollin
