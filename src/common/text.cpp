#include "common/text.h"

#include <algorithm>
#include <span>

#include "common/ansi_codepage.h"
#include "common/case_table.h"
#include "common/wtf8.h"

namespace hollin {
namespace {

// A unit as one of the tables of case_table.h maps it.
char16_t MapUnit(std::span<const detail::CaseRange> table, char16_t u) {
  const auto after =
      std::upper_bound(table.begin(), table.end(), u,
                       [](char16_t v, const detail::CaseRange& r) { return v < r.first; });
  if (after == table.begin()) return u;
  const detail::CaseRange& r = after[-1];
  if (u > r.last || (u - r.first) % r.step != 0) return u;
  return static_cast<char16_t>(u + r.delta);
}

// The registry upcases a name one UTF-16 unit at a time: a character beyond
// the BMP, a surrogate pair, stays as it is.
char32_t FoldCodePoint(char32_t c) {
  return c < 0x10000 ? MapUnit(detail::kFoldTable, static_cast<char16_t>(c)) : c;
}

char32_t UpperCodePoint(char32_t c) {
  return c < 0x10000 ? MapUnit(detail::kUpcaseTable, static_cast<char16_t>(c)) : c;
}

// One character of s at i, moving i on: a WTF-8 sequence (a lone surrogate
// is a unit the table leaves as it is), or else one byte read in
// Windows-1252.
char32_t Next(std::string_view s, size_t& i) {
  char32_t cp;
  if (DecodeWtf8(s, i, cp)) return cp;
  return Cp1252ToCodePoint(static_cast<unsigned char>(s[i++]));
}

// Where a byte of folded text puts its character in the registry's order,
// which compares UTF-16 units: a four-byte sequence (a surrogate pair) comes
// after U+D7FF (lead byte 0xED) and before U+E000 (lead byte 0xEE). Other
// bytes keep the order of UTF-8, which is that of the characters.
unsigned Rank(unsigned char b) {
  if (b >= 0xF0) return b - 2u;  // 0xEE..0xF2
  if (b >= 0xEE) return b + 5u;  // 0xF3, 0xF4
  return b;
}

}  // namespace

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string FoldCase(std::string_view s) {
  // ASCII, by far the most common, is folded in place in a copy.
  std::string out(s);
  size_t i = 0;
  for (; i < out.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (b >= 0x80) break;
    if (static_cast<unsigned>(b - 'A') < 26u) out[i] = static_cast<char>(b + 32);
  }
  if (i == out.size()) return out;
  // The rest character by character. A byte that begins no character gives
  // its Windows-1252 character in UTF-8, so that the folded form is
  // well-formed WTF-8 and a name is one name whichever way it is written.
  out.resize(i);
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      out.push_back(FoldChar(s[i++]));
    } else {
      AppendUtf8(out, FoldCodePoint(Next(s, i)));
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
  const size_t n = std::min(fa.size(), fb.size());
  size_t i = 0;
  while (i < n && fa[i] == fb[i]) ++i;
  if (i == n) return fa.size() == fb.size() ? 0 : fa.size() < fb.size() ? -1 : 1;
  // Folded text is well-formed WTF-8 and the two agree up to i, so both
  // bytes there begin a character, or both go on with one begun alike.
  size_t at = i;
  while (at > 0 && (static_cast<unsigned char>(fa[at]) & 0xC0) == 0x80) --at;
  // A lone surrogate sorts among the pairs by its unit alone, which the
  // bytes do not tell: from its character on, the units are compared.
  const auto lone = [at](const std::string& f) {
    return detail::SurrogateAt(f, at, true) || detail::SurrogateAt(f, at, false);
  };
  if (lone(fa) || lone(fb)) return Utf16FromWtf8(fa.substr(at)) < Utf16FromWtf8(fb.substr(at)) ? -1 : 1;
  return Rank(static_cast<unsigned char>(fa[i])) < Rank(static_cast<unsigned char>(fb[i])) ? -1 : 1;
}

std::string GroupedCount(size_t n) {
  std::string digits = std::to_string(n), text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string WithLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out += '\n';
  }
  return out;
}

}  // namespace hollin
