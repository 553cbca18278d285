// Text between the program (WTF-8, common/wtf8.h) and the wide functions of
// the Windows API (UTF-16), for the Win32 bindings: every unit crosses as it
// is, a lone surrogate too; a byte that begins no character becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "common/windows_api.h"
#include "common/wtf8.h"

namespace hollin {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions take UTF-16 units");

inline std::wstring Wide(std::string_view text) { return Utf16FromWtf8<wchar_t>(text); }

inline std::string Utf8(std::wstring_view text) { return Wtf8FromUtf16(text.data(), text.size()); }

// A NUL-terminated wide text, up to its NUL.
inline std::string Utf8(const wchar_t* text) { return text ? Utf8(std::wstring_view(text)) : std::string(); }

}  // namespace hollin
