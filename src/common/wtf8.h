// Text as the program keeps it: WTF-8. Names and texts on Windows are UTF-16
// and may hold a surrogate without its partner; WTF-8 is UTF-8 that writes
// such a lone surrogate as the three bytes UTF-8 would give its number
// (ED A0..BF xx), so that every UTF-16 text has one form in bytes and comes
// back from it unit for unit. Well-formed UTF-8 is well-formed WTF-8 and
// means the same. The Win32 bindings convert at the edge (win32_text.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/ansi_codepage.h"

namespace hollin {

namespace detail {
// Whether s[i..] holds the three bytes of a high (second byte A0..AF) or a
// low (B0..BF) surrogate.
inline bool SurrogateAt(std::string_view s, size_t i, bool high) {
  return i + 2 < s.size() && static_cast<unsigned char>(s[i]) == 0xED &&
         (static_cast<unsigned char>(s[i + 1]) & 0xF0) == (high ? 0xA0 : 0xB0) &&
         (static_cast<unsigned char>(s[i + 2]) & 0xC0) == 0x80;
}
inline char32_t SurrogateUnit(std::string_view s, size_t i) {
  return 0xD000 | (static_cast<char32_t>(s[i + 1] & 0x3F) << 6) | static_cast<char32_t>(s[i + 2] & 0x3F);
}
}  // namespace detail

// Reads the character at s[i] as UTF-16 sees it and moves i past it: a
// UTF-8 sequence, or a lone surrogate's three bytes (cp D800..DFFF). A high
// surrogate's three bytes followed directly by a low one's (a pair written
// as two halves) give the pair's character, as they do once converted. A
// byte that begins none of these gives false; i then stays.
inline bool DecodeWtf8(std::string_view s, size_t& i, char32_t& cp) {
  if (DecodeUtf8(s, i, cp)) return true;
  const bool high = detail::SurrogateAt(s, i, true);
  if (!high && !detail::SurrogateAt(s, i, false)) return false;
  cp = detail::SurrogateUnit(s, i);
  i += 3;
  if (high && detail::SurrogateAt(s, i, false)) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (detail::SurrogateUnit(s, i) - 0xDC00);
    i += 3;
  }
  return true;
}

// Whether s is well-formed WTF-8: every byte part of a character, and no pair
// written as two halves (its one form is the four-byte sequence).
inline bool IsWtf8(std::string_view s) {
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    if (!DecodeWtf8(s, i, cp) || i - at == 6) return false;
  }
  return true;
}

// The UTF-16 units of a text; a byte that begins no character is U+FFFD.
template <class Unit = char16_t>
std::basic_string<Unit> Utf16FromWtf8(std::string_view s) {
  std::basic_string<Unit> out;
  out.reserve(s.size());
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    if (!DecodeWtf8(s, i, cp)) cp = 0xFFFD, ++i;
    if (cp < 0x10000) {
      out.push_back(static_cast<Unit>(cp));
    } else {
      out.push_back(static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

// UTF-16 units as WTF-8: a pair as its character, a lone surrogate as itself.
template <class Unit>
std::string Wtf8FromUtf16(const Unit* units, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const char32_t u = static_cast<char16_t>(units[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && static_cast<char16_t>(units[i + 1]) >= 0xDC00 &&
        static_cast<char16_t>(units[i + 1]) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (static_cast<char16_t>(units[++i]) - 0xDC00));
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// A text as it comes back from UTF-16: well-formed WTF-8 as it is; each byte
// that begins no character as U+FFFD, a pair written as two halves as its
// four bytes. What the registry hands back of a name or a text given to it.
inline std::string AsWtf8(std::string_view s) {
  if (IsWtf8(s)) return std::string(s);
  const std::u16string units = Utf16FromWtf8(s);
  return Wtf8FromUtf16(units.data(), units.size());
}

// The number of UTF-16 units a text takes, as the registry counts names (a
// byte that begins no character counts as one).
inline size_t Utf16Length(std::string_view s) {
  size_t n = 0;
  char32_t cp;
  for (size_t i = 0; i < s.size();)
    if (DecodeWtf8(s, i, cp)) n += cp >= 0x10000 ? 2 : 1;
    else ++i, ++n;
  return n;
}

}  // namespace hollin
