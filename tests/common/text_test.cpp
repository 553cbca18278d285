// Registry names without regard to case: which names are one name. (The
// order in which they enumerate is the registry conformance tests'.)
#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

#include "common/ansi_codepage.h"
#ifdef _WIN32
#include "common/windows_api.h"
#endif

namespace hollin {
namespace {

// The registry upcases each UTF-16 unit by the system's table and compares
// the results: letters with a partner in the table are one name with it,
// whatever other case mappings say; a letter the table upcases to itself
// (İ, ı, µ, ſ, ẞ, ς, ǅ, the Kelvin sign) is a name of its own, and nothing
// beyond the BMP folds.
TEST(NoCase, NamesAreOneWhenTheSystemUpcasesThemAlike) {
  struct Row {
    const char *a, *b;
    bool same;
  };
  // clang-format off
  const Row rows[] = {
      {".İni", ".ini", false}, {".İNI", ".ini", false}, {".İni", ".İNI", true},
      {".ını", ".ini", false}, {".ını", ".INI", false}, {"ı", "İ", false},
      // Cyrillic letters from across U+0400..U+052F, the whole name in one
      // case against the other, and a name in mixed case.
      {".ЀЁЂЇЎЖЯѢѲҐҶӀӁӘӾԀԮ", ".ѐёђїўжяѣѳґҷӏӂәӿԁԯ", true},
      {".ПрИвЕт", ".пРиВеТ", true}, {"Ѣ", "ѣ", true}, {"Ӂ", "ӂ", true},
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ", true}, {"ΣΊΣΥΦΟΣ", "σίσυφος", false},
      {"Μ", "μ", true}, {"µ", "μ", false}, {"µ", "Μ", false},
      {"ǅ", "ǆ", false}, {"Ǆ", "ǆ", true}, {"ſ", "s", false}, {"ẞ", "ß", false},
      {"\u212A", "k", false}, {"\u212B", "å", false}, {"Ÿ", "ÿ", true}, {"Ƀ", "ƀ", true},
      {"ԱՐՄ", "արմ", true}, {"ＺＩＰ", "ｚｉｐ", true}, {"ＺＩＰ", "zip", false},
      {"𐐀", "𐐨", false}, {".Ä-Z", ".ä-z", true},
      // A byte outside well-formed UTF-8 is its Windows-1252 character.
      {"caf\xC9", "café", true}, {"\x8A", "š", true}, {"\xC0\xA0\x80", "\xE0\xA0\x80", false},
  };
  // clang-format on
  for (const auto& [a, b, same] : rows) {
    EXPECT_EQ(EqualsNoCase(a, b), same) << a << " " << b;
    EXPECT_EQ(CompareNoCase(a, b) == 0, same) << a << " " << b;
    EXPECT_EQ(FoldCase(FoldCase(a)), FoldCase(a)) << a;
  }
}

#ifdef _WIN32
// Every unit against the system's own upper-case table: upcased alike, the
// folded form stays in its unit's group, and UpperCase gives the table's.
TEST(NoCase, EveryUnitFoldsAsTheSystemUpcasesIt) {
  using CaseFn = WCHAR(WINAPI*)(WCHAR);
  const auto upcase = reinterpret_cast<CaseFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlUpcaseUnicodeChar")));
  ASSERT_NE(upcase, nullptr);
  int wrong = 0;
  for (char32_t u = 1; u < 0x10000 && wrong < 10; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // no character of its own in UTF-8
    std::string text, upper;
    AppendUtf8(text, u);
    AppendUtf8(upper, upcase(static_cast<WCHAR>(u)));
    const std::string folded = FoldCase(text);
    size_t at = 0;
    char32_t f = 0;
    const bool one = DecodeUtf8(folded, at, f) && at == folded.size();
    if (!one || upcase(static_cast<WCHAR>(f)) != upcase(static_cast<WCHAR>(u)) ||
        !EqualsNoCase(text, upper) || UpperCase(text) != upper) {
      ADD_FAILURE() << "U+" << std::hex << unsigned(u) << " folds to U+" << unsigned(f);
      ++wrong;
    }
  }
}
#endif

}  // namespace
}  // namespace hollin
