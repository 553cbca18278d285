// Text between the program (WTF-8, common/wtf8.h) and the wide functions of
// the Windows API (UTF-16), for the Win32 bindings: every unit crosses as it
// is, a lone surrogate too; a byte that begins no character becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "common/windows_api.h"
#include "common/wtf8.h"

namespace hollin {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions take UTF-16 units");  // verbatim

inline std::wstring Wide(std::string_view text) { return Utf16FromWtf8<wchar_t>(text); }

inline std::string Utf8(std::wstring_view text) { return Wtf8FromUtf16(text.data(), text.size()); }

// A NUL-terminated wide text, up to its NUL.
inline std::string Utf8(const wchar_t* text) { return text ? Utf8(std::wstring_view(text)) : std::string(); }

// The system's text for an error code, as UTF-8; "" where it has none.
inline std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n && text ? Utf8(std::wstring_view(text, n)) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out;
}

// The system's error codes with that text (the standard library's system
// category gives it in the process code page); they compare with std::errc
// as the system category's do.
inline const std::error_category& SystemErrors() {
  class Category : public std::error_category {
   public:
    const char* name() const noexcept override { return "system"; }
    std::error_condition default_error_condition(int code) const noexcept override {
      return std::system_category().default_error_condition(code);
    }
    std::string message(int code) const override {
      std::string text = SystemErrorText(static_cast<DWORD>(code));
      return text.empty() ? "error " + std::to_string(code) : text;
    }
  };
  static const Category category;
  return category;
}

inline std::error_code SystemError(DWORD code) { return {static_cast<int>(code), SystemErrors()}; }

}  // namespace hollin
