// UTF-8, and Windows-1252 for text from elsewhere that is not well-formed
// UTF-8 (a file written by an older program), read byte by byte in that code
// page. The program's own text is WTF-8, UTF-8 that keeps lone surrogates
// too (wtf8.h); it reaches Windows through the wide functions only, so the
// process code page (UTF-8 where the manifest is honoured, else the
// system's) decides nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hollin {

namespace detail {
// Windows-1252 0x80..0x9F; the five bytes without a character stand for the
// C1 control with the same number, as the platform's conversion does.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace detail

// The character that one Windows-1252 byte stands for.
constexpr char32_t Cp1252ToCodePoint(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) ? detail::kCp1252High[b - 0x80] : b;
}

// Reads the character at s[i] and moves i past it. A byte that does not
// begin a well-formed UTF-8 sequence gives false; i then stays.
inline bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  int extra = 0;
  if (b < 0x80) {
    cp = b;
  } else if (b >= 0xC2 && b <= 0xDF) {
    extra = 1, cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2, cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3, cp = b & 0x07;
  } else {
    return false;
  }
  if (i + static_cast<size_t>(extra) >= s.size() && extra > 0) return false;
  char32_t v = cp;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((c & 0xC0) != 0x80) return false;
    v = (v << 6) | (c & 0x3F);
  }
  if ((extra == 2 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF))) ||
      (extra == 3 && (v < 0x10000 || v > 0x10FFFF)))
    return false;
  cp = v;
  i += 1 + static_cast<size_t>(extra);
  return true;
}

inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

inline bool IsUtf8(std::string_view s) {
  char32_t cp;
  for (size_t i = 0; i < s.size();)
    if (!DecodeUtf8(s, i, cp)) return false;
  return true;
}

// Well-formed UTF-8 as it is, each byte that is not part of it as U+FFFD.
inline std::string AsCodePageText(std::string_view s) {
  if (IsUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    if (DecodeUtf8(s, i, cp)) out.append(s.substr(at, i - at));
    else AppendUtf8(out, 0xFFFD), ++i;
  }
  return out;
}

}  // namespace hollin
