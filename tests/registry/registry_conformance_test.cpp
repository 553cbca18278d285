// The registry layer's contract, run against every registry under test: the
// store, and in the Windows build the system registry (where, under Wine,
// each of these behaviours was first observed).
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include <algorithm>
#include <tuple>

#include "registry_fixture.h"
#ifdef _WIN32
#include <sddl.h>
#endif

namespace hollin {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;
constexpr DWORD kNull = 0xFFFFFFFF;  // a capacity meaning "null data pointer"

struct Got {
  LONG status;
  DWORD type, count;
  std::string data;   // what the call handed out
  std::string whole;  // the whole buffer, filled with '#' before the call
};

class Conformance : public test::OnEachRegistry {
 protected:
  void TearDown() override {
    for (HKEY k : opened) reg->RegCloseKey(k);
  }
  HKEY Create(const std::string& path, DWORD* disposition = nullptr) {
    HKEY k = nullptr;
    EXPECT_EQ(reg->RegCreateKeyExA(root(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, disposition),
              ERROR_SUCCESS) << path;
    return opened.push_back(k), k;
  }
  LONG Open(const std::string& path, REGSAM sam, HKEY* out) {
    const LONG r = reg->RegOpenKeyExA(root(), path.c_str(), 0, sam, out);
    if (r == ERROR_SUCCESS) opened.push_back(*out);
    return r;
  }
  LONG Set(HKEY k, const char* name, DWORD type, const std::string& v) {
    return reg->RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(v.data()), DWORD(v.size()));
  }
  Got QueryEx(HKEY k, const char* name, DWORD cap) {
    Got g{0, 99, cap == kNull ? 0 : cap, std::string(cap == kNull ? 0 : cap, '#'), {}};
    g.status = reg->RegQueryValueExA(k, name, nullptr, &g.type,
                                     cap == kNull ? nullptr : reinterpret_cast<BYTE*>(g.data.data()), &g.count);
    g.whole = g.data;
    if (g.status == ERROR_SUCCESS) g.data.resize(cap == kNull ? 0 : g.count);
    return g;
  }
  Got Enum(HKEY k, DWORD index, DWORD cap) {
    Got g{0, 0, cap, std::string(300, '#'), {}};
    g.status = reg->RegEnumKeyExA(k, index, g.data.data(), &g.count, nullptr, nullptr, nullptr, nullptr);
    g.whole = g.data.substr(0, cap);
    g.data.resize(g.status == ERROR_SUCCESS ? g.count : 0);
    return g;
  }
  Names All(HKEY k) {
    Names names;
    for (Got g; (g = Enum(k, DWORD(names.size()), 300)).status == ERROR_SUCCESS;) names.push_back(g.data);
    return names;
  }
  std::vector<HKEY> opened;
};

TEST_P(Conformance, PathsOpeningAndCreating) {
  HKEY k;
  DWORD disp = 0;
  EXPECT_EQ(Open("lead", KEY_READ, &k), ERROR_FILE_NOT_FOUND);  // and does not create it
  Create("\\Lead\\In\\Deep", &disp);
  EXPECT_EQ(disp, DWORD(REG_CREATED_NEW_KEY));
  for (const char* path : {"lead", "lead\\IN", "\\lead\\in", "lead\\\\in", "lead\\in\\"})
    EXPECT_EQ(Open(path, KEY_READ, &k), ERROR_SUCCESS) << path;
  Create("LEAD\\in", &disp);
  EXPECT_EQ(disp, DWORD(REG_OPENED_EXISTING_KEY));
  // An empty path: create reports a new key though it is the same one, a
  // root key opens as itself, any other key as a new handle.
  const HKEY same = Create("", &disp);
  EXPECT_EQ(disp, DWORD(REG_CREATED_NEW_KEY));
  EXPECT_NE(same, root());
  EXPECT_EQ(All(same), Names{"Lead"});
  EXPECT_EQ(reg->RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(k, HKEY_CURRENT_USER);
  EXPECT_EQ(Open("", KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_NE(k, root());
  // A key name is at most 255 characters (Wine allows 256), whether it is
  // made by a create or by a value set under a new path. (The status varies
  // under Wine: 87 or 234; the store gives 87.)
  const std::string tooLong(257, 'n');
  EXPECT_NE(reg->RegCreateKeyExA(root(), tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  EXPECT_NE(test::SetDefault(*reg, root(), ("lead\\" + tooLong).c_str(), "v"), ERROR_SUCCESS);
  EXPECT_EQ(All(root()), Names{"Lead"});
}

TEST_P(Conformance, SubkeysEnumerateInFoldedOrder) {
  const Names sorted = {"[br", "_under", "a_b", "Alpha", "alpha2", "aZ", "a~", "beta", "z", "{", "µ",
                        "×", "ß", "À", "éx", "÷", "ÿ", "œ", "Š", "Ž", "€"};
  for (size_t i = 0; i < sorted.size(); ++i) Create(sorted[(i * 5 + 3) % sorted.size()]);
  Create("ALPHA");  // the same key: its first spelling stays
  EXPECT_EQ(All(root()), sorted);
  // Too small a buffer (room for the NUL included) leaves the count alone.
  Got g = Enum(root(), 4, 6);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count), "234 6");
  g = Enum(root(), 4, 7);
  EXPECT_EQ(g.data + " " + std::to_string(g.count), "alpha2 6");
  g = Enum(root(), DWORD(sorted.size()), 50);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count), "259 50");
  Create("b");  // a key added later shows up in its place
  EXPECT_EQ(Enum(root(), 7, 50).data, "b");
}

// Two names are one key when the system's upper-case table makes the same of
// each UTF-16 unit: a letter it upcases to itself (İ, ı, µ, ſ, ẞ, the Kelvin
// sign) is a key of its own, and nothing beyond the BMP folds. The key keeps
// the spelling it was created with.
TEST_P(Conformance, NamesAreOneKeyWhenTheyUpcaseAlike) {
  const std::tuple<const char*, const char*, bool> rows[] = {
      {".İni", ".ini", false}, {".İni", ".İNI", true}, {".ını", ".INI", false},
      {".ЀЁЂЇЎЖЯѢѲҐҶӀӁӘӾԀԮ", ".ѐёђїўжяѣѳґҷӏӂәӿԁԯ", true}, {"Ѣ", "ѣ", true}, {"Ӂ", "ӂ", true},
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ", true}, {"µ", "μ", false}, {"ſ", "S", false}, {"ẞ", "ß", false},
      {"\u212A", "k", false}, {"ԱՐՄ", "արմ", true}, {"ＺＩＰ", "ｚｉｐ", true}, {"𐐀", "𐐨", false},
      {"ж\xED\xA0\x80", "Ж\xED\xA0\x80", true}, {"\xED\xA0\x80", "\xED\xA0\x81", false},
      {"\xED\xA0\x80", "\uFFFD", false},
  };
  int n = 0;
  for (const auto& [a, b, same] : rows) {
    const std::string parent = std::string("p").append(std::to_string(n++)).append("\\");
    Create(parent + a);
    DWORD disposition = 0;
    Create(parent + b, &disposition);
    EXPECT_EQ(disposition, DWORD(same ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY)) << a << " " << b;
    HKEY k;
    ASSERT_EQ(Open(parent, KEY_READ, &k), ERROR_SUCCESS);
    Names names = All(k), expected = same ? Names{a} : Names{a, b};
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected) << a << " " << b;
  }
}

// Letter case does not move a name in the order of enumeration; names sort
// by UTF-16 unit: a character beyond the BMP, a surrogate pair, before
// U+E000..U+FFFF, among the lone surrogates (WTF-8: ED A0..BF xx).
TEST_P(Conformance, EnumerationIgnoresLetterCaseAndSortsByUtf16Unit) {
  const Names lists[] = {
      {".z", ".zi", ".ZIP", ".zip0", ".ZipX", ".zipy", ".ZIPZ", ".zj", ".я", ".ѣa", ".Ѣb", ".ѣc", ".Ӂ", ".ӂa", ".Ӂb"},
      {"z", "€", "힣", "\xED\xA0\x80", "\xED\xA0\x80x", "𐀀", "\xED\xA0\x80\uE000", "𐐀", "𐐨x", "😀", "\xED\xB0\x80",
       "\xED\xBF\xBFx", "\uE000", "＃", "ｚ"}};
  for (const Names& sorted : lists) {
    const std::string parent = "list" + std::to_string(&sorted - lists) + "\\";
    for (size_t i = 0; i < sorted.size(); ++i) Create(parent + sorted[(i * 4 + 1) % sorted.size()]);
    HKEY k;
    ASSERT_EQ(Open(parent, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(All(k), sorted);
  }
}

TEST_P(Conformance, QueryValueExKeepsTypesAndBytesAndReportsSizes) {
  const HKEY k = Create("values");
  Set(k, "sv", REG_SZ, "abcdef\0"s);
  Got g = QueryEx(k, "SV", 4);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.type) + " " + std::to_string(g.count), "234 1 7");
  g = QueryEx(k, "Sv", kNull);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count), "0 7");
  g = QueryEx(k, "missing", 100);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.type), "2 0");  // the type is cleared
  // A string type without its NUL is handed out with one; other types raw.
  const std::string big(65536, '\xA5'), bigText = std::string(65535, 't') + '\0';
  const std::tuple<const char*, DWORD, std::string, std::string> rows[] = {  // name, type, stored, read
      {"sz", REG_SZ, "abc", "abc\0"s}, {"expand", REG_EXPAND_SZ, "%A%", "%A%\0"s},
      {"multi", REG_MULTI_SZ, "a\0b"s, "a\0b\0"s}, {"multi2", REG_MULTI_SZ, "a\0b\0\0"s, "a\0b\0\0"s},
      {"emptysz", REG_SZ, "", ""}, {"bin", REG_BINARY, "abc", "abc"}, {"shortdword", REG_DWORD, "ab", "ab"},
      {"qword", REG_QWORD, "\1\2\3\4\5\6\7\x08", "\1\2\3\4\5\6\7\x08"}, {"odd", 0x12345, "ab", "ab"},
      {"big", REG_BINARY, big, big}, {"bigtext", REG_SZ, bigText, bigText},
  };
  for (const auto& [name, type, stored, read] : rows) ASSERT_EQ(Set(k, name, type, stored), ERROR_SUCCESS);
  for (const auto& [name, type, stored, read] : rows) {
    g = QueryEx(k, name, DWORD(read.size()));
    EXPECT_EQ(g.status, ERROR_SUCCESS) << name;
    EXPECT_EQ(g.type, type) << name;
    EXPECT_EQ(g.data, read) << name;
    if (!read.empty()) {
      EXPECT_EQ(QueryEx(k, name, DWORD(read.size() - 1)).status, ERROR_MORE_DATA) << name;
    }
  }
  Set(k, "Warn", REG_SZ, "1\0"s);  // one value whatever the spelling
  EXPECT_EQ(QueryEx(k, "WARN", 10).data, "1\0"s);
  Set(k, nullptr, REG_SZ, "d\0"s);  // a null name is the default value
  EXPECT_EQ(QueryEx(k, "", 10).data, "d\0"s);
}

// Names and text are WTF-8: UTF-8, and a lone surrogate as the three bytes
// of its number (ED A0..BF xx). Every UTF-16 unit comes back as it went in; a
// pair written as two surrogates is the pair's character, a byte that is
// neither U+FFFD. Sizes count the bytes handed out: a buffer one byte short
// gets ERROR_MORE_DATA with the size needed, and no byte is written.
TEST_P(Conformance, NamesAndTextKeepEveryUtf16Unit) {
  const std::pair<std::string, std::string> rows[] = {  // written, read back
      {"high \xED\xA0\x80 alone", ""}, {"low \xED\xB0\x80 alone", ""}, {"swapped \xED\xB0\x80\xED\xA0\x80", ""},
      {"emoji 😀", ""}, {"two halves \xED\xA0\xBD\xED\xB8\x80", "two halves 😀"},
      {"Ελληνικά 日本語 Кириллица", ""}, {"caf\xE9", "caf\uFFFD"}, {"replacement \uFFFD", ""},
  };
  const HKEY values = Create("values");
  Names keys;
  for (const auto& [written, read] : rows) {
    Create("keys\\" + written);
    ASSERT_EQ(Set(values, written.c_str(), REG_SZ, written), ERROR_SUCCESS) << written;
    keys.push_back(read.empty() ? written : read);
  }
  for (const std::string& name : keys) {
    const std::string text = name + '\0', size = std::to_string(text.size());
    Got g = QueryEx(values, name.c_str(), DWORD(text.size() + 2));
    EXPECT_EQ(std::to_string(g.status) + " " + g.whole, "0 " + text + "##");
    g = QueryEx(values, name.c_str(), DWORD(text.size() - 1));
    EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count) + " " + g.whole,
              "234 " + size + " " + std::string(text.size() - 1, '#'));
  }
  HKEY k;
  ASSERT_EQ(Open("keys", KEY_READ, &k), ERROR_SUCCESS);
  Names names = All(k);
  std::sort(names.begin(), names.end());
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(names, keys);
  // A name's count is its bytes; a buffer without room for its NUL is refused.
  Create("one\\\xED\xA0\x80😀");
  ASSERT_EQ(Open("one", KEY_READ, &k), ERROR_SUCCESS);
  Got g = Enum(k, 0, 7);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count) + " " + g.whole, "234 7 #######");
  g = Enum(k, 0, 9);
  EXPECT_EQ(std::to_string(g.status) + " " + std::to_string(g.count) + " " + g.whole,
            "0 7 \xED\xA0\x80😀" + "\0#"s);
#ifdef _WIN32
  // Underneath are the UTF-16 units, as other programs write and read them.
  if (GetParam().name == "Win32") {
    ASSERT_EQ(::RegSetValueExW(values, L"w\xD800", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x\xDC00y"), 6), 0);
    EXPECT_EQ(QueryEx(values, "w\xED\xA0\x80", 10).data, "x\xED\xB0\x80y\0"s);
    wchar_t back[16];
    DWORD n = sizeof back;
    ASSERT_EQ(::RegQueryValueExW(values, L"high \xD800 alone", nullptr, nullptr, reinterpret_cast<BYTE*>(back), &n), 0);
    EXPECT_EQ(std::wstring(back, n / 2), L"high \xD800 alone");
  }
#endif
}

TEST_P(Conformance, HandlesCarryTheirRightsAndClosedOrUnknownOnesAreRefused) {
  HKEY query, set, closed, out;
  ASSERT_EQ(Open("", KEY_QUERY_VALUE, &query), ERROR_SUCCESS);
  ASSERT_EQ(Open("", KEY_SET_VALUE, &set), ERROR_SUCCESS);
  EXPECT_EQ(Set(query, "v", REG_SZ, "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Set(set, "v", REG_SZ, "x"), ERROR_SUCCESS);
  EXPECT_EQ(QueryEx(set, "v", 10).status, ERROR_ACCESS_DENIED);
  EXPECT_EQ(QueryEx(query, "v", 10).data, "x\0"s);
  ASSERT_EQ(reg->RegOpenKeyExA(root(), "", 0, KEY_ALL_ACCESS, &closed), ERROR_SUCCESS);
  EXPECT_EQ(reg->RegCloseKey(closed), ERROR_SUCCESS);
  for (HKEY bad : {closed, reinterpret_cast<HKEY>(ULONG_PTR(0x1234))}) {
    EXPECT_EQ(reg->RegCloseKey(bad), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg->RegOpenKeyExA(bad, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Enum(bad, 0, 50).status, ERROR_INVALID_HANDLE);
    EXPECT_EQ(Set(bad, "", REG_SZ, "x"), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(reg->RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);  // a root key closes as a no-op
}

// A key whose access list refuses reading (as an administrator may set it)
// refuses to be opened for reading, with ERROR_ACCESS_DENIED and not as a
// missing key; its name is still listed and its subkeys still open (no
// right is checked on the keys a path passes through).
TEST_P(Conformance, AKeyThatRefusesReadingIsThereButCannotBeOpened) {
  const auto refuse = [&](bool on) {
    const std::string path = sandbox->path() + "\\locked";
#ifdef _WIN32
    if (GetParam().name == "Win32") {
      PSECURITY_DESCRIPTOR sd = nullptr;
      ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
          on ? "D:(D;;KR;;;WD)(A;;KA;;;WD)" : "D:(A;;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr));
      HKEY k = nullptr;
      ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &k), ERROR_SUCCESS);
      EXPECT_EQ(::RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
      ::RegCloseKey(k);
      ::LocalFree(sd);
      return;
    }
#endif
    dynamic_cast<RegistryStore&>(*reg).DenyAccess(HKEY_CURRENT_USER, path, on ? KEY_READ : 0);
  };
  Create("locked\\inner");
  refuse(true);
  HKEY k = nullptr;
  for (const REGSAM sam : {REGSAM(KEY_QUERY_VALUE), REGSAM(KEY_READ)}) EXPECT_EQ(Open("locked", sam, &k), ERROR_ACCESS_DENIED) << sam;
  EXPECT_EQ(Open("missing", KEY_QUERY_VALUE, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open("locked\\inner", KEY_QUERY_VALUE, &k), ERROR_SUCCESS);
  EXPECT_EQ(All(root()), Names{"locked"});
  refuse(false);
  EXPECT_EQ(Open("locked", KEY_READ, &k), ERROR_SUCCESS);
}

TEST_P(Conformance, DeleteValueRemovesOneValueByAnySpelling) {
  const HKEY k = Create("del");
  Set(k, "", REG_SZ, "d\0"s);
  Set(k, "Kept", REG_SZ, "k\0"s);
  HKEY query;
  ASSERT_EQ(Open("del", KEY_QUERY_VALUE, &query), ERROR_SUCCESS);
  EXPECT_EQ(reg->RegDeleteValueA(query, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg->RegDeleteValueA(k, ""), ERROR_SUCCESS);  // the default value
  EXPECT_EQ(QueryEx(k, "", 10).status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg->RegDeleteValueA(k, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg->RegDeleteValueA(k, "KEPT"), ERROR_SUCCESS);
  EXPECT_EQ(QueryEx(k, "kept", 10).status, ERROR_FILE_NOT_FOUND);
  reg->RegCloseKey(query);
}

// Every value once, the default value among them, with its name as written
// (a lone surrogate too; the count in bytes) and its type, and the size of
// its text as a query gives it; a name that does not fit is refused; the end
// is told.
TEST_P(Conformance, ValuesEnumerateOnceEachWithNameAndType) {
  const HKEY k = Create("vals");
  Set(k, "", REG_SZ, "d\0"s);
  Set(k, "Mixed.Case", REG_EXPAND_SZ, "%x%\0"s);
  Set(k, "n", REG_DWORD, "\1\0\0\0"s);
  Set(k, "\xD0\x98\xED\xA0\x80", REG_SZ, "\xF0\x9F\x98\x80\0"s);  // Cyrillic I, a lone high surrogate; an emoji
  Names seen;
  DWORD index = 0;
  for (;; ++index) {
    char name[64];
    DWORD cch = sizeof name, type = 99, size = 0;
    const LONG r = reg->RegEnumValueA(k, index, name, &cch, nullptr, &type, nullptr, &size);
    if (r != ERROR_SUCCESS) {
      EXPECT_EQ(r, ERROR_NO_MORE_ITEMS);
      break;
    }
    seen.push_back(std::string(name, cch) + "/" + std::to_string(type) + "/" + std::to_string(size));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (Names{"/1/2", "Mixed.Case/2/4", "n/4/4", "\xD0\x98\xED\xA0\x80/1/5"}));
  char small[10];  // "Mixed.Case" without room for its NUL
  DWORD cch = sizeof small;
  int refused = 0;
  for (DWORD i = 0; i < index; ++i, cch = sizeof small)
    refused += reg->RegEnumValueA(k, i, small, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_MORE_DATA;
  EXPECT_EQ(refused, 1);
}

// A key tells how many subkeys and values it holds and when it was last
// written: made, or a value of its own set (the time that tells when a type
// changed).
TEST_P(Conformance, InfoKeyTellsItsCountsAndLastWrite) {
  const auto seconds = [](const FILETIME& t) {
    return static_cast<long long>(((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000000ULL) -
           11644473600LL;
  };
  const long long before = static_cast<long long>(std::time(nullptr));
  HKEY k = Create("info");
  Create("info\\a");
  Create("info\\bb");
  ASSERT_EQ(Set(k, "x", REG_SZ, "1"), ERROR_SUCCESS);
  ASSERT_EQ(Set(k, "yy", REG_SZ, "22"), ERROR_SUCCESS);
  DWORD subKeys = 99, values = 99;
  FILETIME written{};
  ASSERT_EQ(reg->RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                                  nullptr, &written),
            ERROR_SUCCESS);
  const long long after = static_cast<long long>(std::time(nullptr));
  EXPECT_EQ(subKeys, 2u);
  EXPECT_EQ(values, 2u);
  EXPECT_GE(seconds(written), before - 2);
  EXPECT_LE(seconds(written), after + 2);
}

HOLLIN_ON_EACH_REGISTRY(Conformance);

}  // namespace
}  // namespace hollin
