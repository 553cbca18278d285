// Text between the program (UTF-8) and the wide functions of the Windows
// API (UTF-16), for the Win32 bindings.
#pragma once

#include <string>
#include <string_view>

#include "common/windows_api.h"

namespace hollin {

inline std::wstring Wide(std::string_view text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

inline std::string Utf8(std::wstring_view text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// A NUL-terminated wide text, up to its NUL.
inline std::string Utf8(const wchar_t* text) { return text ? Utf8(std::wstring_view(text)) : std::string(); }

}  // namespace hollin
