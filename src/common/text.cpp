#include "common/text.h"

#include "common/ansi_codepage.h"

namespace hollin {
namespace {

// The lower-case partner of a character, for the scripts whose letters come
// in pairs that the registry folds: Latin, Greek and Cyrillic.
char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2) ? c + 1 : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

// The capital partner of a character, the inverse of FoldCodePoint.
char32_t UpperCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddPairs) return (c % 2) ? c : c - 1;
    return (c % 2) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

// One character of s at i, moving i on: a UTF-8 sequence, or else one byte
// read in Windows-1252.
char32_t Next(std::string_view s, size_t& i) {
  char32_t cp;
  if (DecodeUtf8(s, i, cp)) return cp;
  return Cp1252ToCodePoint(static_cast<unsigned char>(s[i++]));
}

}  // namespace

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string FoldCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(FoldChar(static_cast<char>(b)));
      ++i;
      continue;
    }
    char32_t cp;
    if (DecodeUtf8(s, i, cp)) {
      AppendUtf8(out, FoldCodePoint(cp));
    } else {
      // A stray byte stays one byte: folded as its Windows-1252 letter,
      // when that letter's partner is a byte of that code page too.
      const char32_t folded = FoldCodePoint(Cp1252ToCodePoint(b));
      unsigned char fb = b;
      if (folded <= 0xFF && folded >= 0xA0) fb = static_cast<unsigned char>(folded);
      else if (folded != Cp1252ToCodePoint(b))
        for (unsigned k = 0; k < detail::kCp1252High.size(); ++k)
          if (detail::kCp1252High[k] == folded) fb = static_cast<unsigned char>(0x80 + k);
      out.push_back(static_cast<char>(fb));
      ++i;
    }
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

std::string UpperCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    if (DecodeUtf8(s, i, cp)) AppendUtf8(out, UpperCodePoint(cp));
    else out.push_back(s[at]), i = at + 1;
  }
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::string fa = FoldCase(a), fb = FoldCase(b);
  size_t i = 0, j = 0;
  while (i < fa.size() && j < fb.size()) {
    const char32_t x = Next(fa, i), y = Next(fb, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i == fa.size() && j == fb.size()) return 0;
  return i == fa.size() ? -1 : 1;
}

}  // namespace hollin
