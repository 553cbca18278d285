#include "common/text.h"

#include <array>

#include "common/ansi_codepage.h"

namespace hollin {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  // Windows-1252 letters with a lower-case partner.
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
  t[0x8A] = 0x9A;  // S caron
  t[0x8C] = 0x9C;  // OE
  t[0x8E] = 0x9E;  // Z caron
  t[0x9F] = 0xFF;  // Y diaeresis
  return t;
}

constexpr auto kFold = MakeFoldTable();

}  // namespace

char FoldChar(char c) {
  return static_cast<char>(kFold[static_cast<unsigned char>(c)]);
}

std::string FoldCase(std::string_view s) {
  std::string out(s.size(), '\0');
  for (size_t i = 0; i < s.size(); ++i) out[i] = FoldChar(s[i]);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t x = AnsiToCodePoint(kFold[static_cast<unsigned char>(a[i])]);
    const char32_t y = AnsiToCodePoint(kFold[static_cast<unsigned char>(b[i])]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace hollin
