// The ANSI code page of the machines we target: Windows-1252. The registry
// keeps its text as UTF-16; the ANSI functions hand it out in this code page,
// and characters it cannot represent come out as '?'.
#pragma once

#include <array>
#include <cstdint>

namespace hollin {

namespace detail {
// 0x80..0x9F; the five bytes without a character stand for the C1 control
// with the same number, as the platform's conversion does.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace detail

// The character that one ANSI byte stands for.
constexpr char32_t AnsiToCodePoint(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) ? detail::kCp1252High[b - 0x80] : b;
}

// The ANSI byte for a character, or '?' when the code page has none.
constexpr unsigned char CodePointToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < detail::kCp1252High.size(); ++i)
    if (detail::kCp1252High[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return '?';
}

}  // namespace hollin
