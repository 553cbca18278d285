// The registry store and its export files: what exporters write, what the
// store writes, what a broken file gets, and the platform's limits and
// rights where the registry itself cannot show them.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "support/reg_file.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "support/test_support.h"
#include "support/registry_values.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin {
namespace {

using namespace std::string_literals;

// One line per key and per value; data bytes outside printable ASCII as \xNN.
std::string Dump(const RegFileContent& content) {
  std::string out;
  char hex[8];
  for (const RegFileKey& key : content.keys) {
    out.append(key.remove ? "[-" : "[").append(RootKeyName(key.root)).append("\\").append(key.path).append("]\n");
    for (const RegFileValue& v : key.values) {
      out.append(v.name).append(v.remove ? "=-" : "=").append(v.remove ? "" : std::to_string(v.type) + ":");
      for (unsigned char c : v.data)
        out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, char(c)) : (std::snprintf(hex, 8, "\\x%02X", c), hex);
      out += "\n";
    }
  }
  return out;
}

std::string Repeat(std::string_view s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

// Status of creating a key, which is closed again at once.
LONG Create(RegistryStore& s, HKEY root, const char* path) {
  HKEY k = nullptr;
  const LONG r = s.RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  return r == ERROR_SUCCESS ? s.RegCloseKey(k) : r;
}

TEST(RegFileTest, ReadsVersion5InUtf16AndUtf8AndRegedit4AsItIs) {
  // What exporters write (data/version5.reg, and as UTF-16 with CRLF line
  // ends version5_utf16.reg), and what it holds.
  const std::string version5 = test::Data("version5.reg"), expected = test::Data("version5.dump");
  EXPECT_EQ(Dump(ParseRegFile(test::Data("version5_utf16.reg"), "utf16.reg")), expected);
  EXPECT_EQ(Dump(ParseRegFile(version5, "utf8.reg")), expected);
  EXPECT_EQ(Dump(ParseRegFile("\xEF\xBB\xBF" + version5, "bom.reg")), expected);
  // REGEDIT4 carries the stored bytes, its hex(2) too.
  EXPECT_EQ(Dump(ParseRegFile("REGEDIT4\n[HKCU\\x]\n\"e\"=hex(2):25,41,25,e9,00\n\"s\"=\"\xC3\xA9\"\n", "a")),
            "[HKEY_CURRENT_USER\\x]\ne=2:%A%\\xE9\\x00\ns=1:\\xC3\\xA9\\x00\n");
}

TEST(RegFileTest, WhatTheStoreWritesReadsBackToTheSameBytes) {
  const std::tuple<const char*, DWORD, std::string> values[] = {
      {"", REG_SZ, "default\0"s}, {"plain", REG_SZ, "text\0"s}, {"q\"b\\s", REG_SZ, "x\"y\\zé€\0"s},
      {"nuls", REG_SZ, "ab\0cd\0"s}, {"noterm", REG_SZ, "abc"}, {"breaks", REG_SZ, "a\r\nb\0"s},
      {"lf", REG_SZ, "ab\n"}, {"empty", REG_SZ, ""}, {"nul", REG_SZ, "\0"s}, {"dword", REG_DWORD, "\x2A\0\0\0"s},
      {"shortdword", REG_DWORD, "\x2A\0"s}, {"expand", REG_EXPAND_SZ, "%SystemRoot%\\n.exe %1\0"s},
      {"multi", REG_MULTI_SZ, "a\0b\0\0"s}, {"odd", 0x100, "\xFF"}, {"none", REG_NONE, ""},
      {"big", REG_BINARY, std::string(65536, '\x81')}, {"lone \xED\xA0\x80", REG_SZ, "\xED\xB0\x80 😀\0"s},
  };
  RegistryStore a, b;
  HKEY k;
  ASSERT_EQ(a.RegCreateKeyExA(HKEY_CURRENT_USER, "Odd]Name é\xED\xA0\x80\\ spaced ", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr), ERROR_SUCCESS);
  for (const auto& [name, type, data] : values)
    a.RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  ASSERT_EQ(test::SetDefault(a, HKEY_USERS, "empty\\key\\", ""), ERROR_SUCCESS);
  const std::string text = a.ToText();
  EXPECT_NE(text.find("\r\n\"plain\"=\"text\"\r\n\"q\\\"b\\\\s\"=\"x\\\"y\\\\zé€\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\"dword\"=dword:0000002a\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\"lone \xED\xA0\x80\"=\"\xED\xB0\x80 😀\"\r\n"), std::string::npos);  // WTF-8 as it is
  b.LoadText(text, "written.reg");
  EXPECT_EQ(b.ToText(), text);
  ASSERT_EQ(b.RegOpenKeyExA(HKEY_CURRENT_USER, "odd]name É\xED\xA0\x80\\ SPACED ", 0, KEY_READ, &k), ERROR_SUCCESS);
  for (const auto& [name, type, data] : values) {
    std::string got(70000, '\0');
    DWORD gotType = 0, n = DWORD(got.size());
    ASSERT_EQ(b.RegQueryValueExA(k, name, nullptr, &gotType, reinterpret_cast<BYTE*>(got.data()), &n), 0);
    EXPECT_EQ(gotType, type) << name;  // a string without its NUL is read with one, as from a registry
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    EXPECT_EQ(got.substr(0, n), text && !data.empty() && data.back() ? data + '\0' : data) << name;
  }
}

TEST(RegFileTest, AMalformedFileIsRefusedNamingTheLineAndNothingChanges) {
  const std::string good = "REGEDIT4\r\n[HKCU\\ok]\r\n\"v\"=\"1\"\r\n";  // lines 1-3, never applied
  const std::tuple<std::string, int, const char*> cases[] = {
      {"REGEDIT5\r\n", 1, "first line"}, {"\r\nREGEDIT4\r\n\"v\"=\"1\"\r\n", 3, "before the first [key]"},
      {good + "[HKEY_CURRENT_USER\\x\r\n", 4, "closing ']'"},
      {good + "[HKEY_NOWHERE\\x]\r\n", 4, "unknown root key \"HKEY_NOWHERE\""},
      {good + "[-HKCU\\x]\r\n\"a\"=\"b\"\r\n", 5, "being deleted"}, {good + "garbage\r\n", 4, "unrecognised line"},
      {good + "\"a\"=\"b\r\n", 4, "unterminated quoted string"}, {good + "\"a\"=\"x\\q\"\r\n", 4, "unknown escape \"\\q\""},
      {good + "\"a\"=dword:123456789\r\n", 4, "1 to 8 hex digits"},
      {good + "\"a\"=hex:01,\\\r\n  02,\\\r\n  0x3\r\n", 6, "invalid hex byte \"0x3\""},
      {good + "\"a\"=hex:01,\\\r\n", 4, "end of the file"}, {good + "\"a\"=\"b\0\"\r\n"s, 4, "NUL character"},
      // What the writer cannot give back is refused here, not at the next write.
      {good + "\"a\\nb\"=\"v\"\r\n", 4, "line break"}, {good + "\"a\\r\"=\"v\"\r\n", 4, "line break"},
      {good + "[HKCU\\a\rb]\r\n", 4, "line break"},
      {good + "[HKCU\\" + std::string(256, 'k') + "]\r\n", 4, "longer than 255"},
      {good + "[HKCU" + Repeat("\\d", 20000) + "]\r\n", 4, "deeper than 512"},
      {test::Data("version5_utf16.reg") + "x", 0, "odd number of bytes"},
      {"REGEDIT4\r\n[HKCU\\caf\xE9]\r\n", 0, "neither UTF-8 nor UTF-16"},
      {"Windows Registry Editor Version 5.00\n[HKCU\\x]\n\"e\"=hex(2):41,00,42\n", 3, "odd number of bytes"},
  };
  for (const auto& [text, line, problem] : cases) {
    RegistryStore s;
    ASSERT_EQ(test::SetDefault(s, HKEY_CURRENT_USER, "before", "x"), ERROR_SUCCESS);
    const std::string before = s.ToText();
    try {
      s.LoadText(text, "broken.reg");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const RegFileError& e) {
      EXPECT_EQ(e.line(), line) << e.what();
      const std::string what = e.what();
      EXPECT_EQ(what.find("broken.reg" + (line ? ", line " + std::to_string(line) : "") + ": "), 0u) << what;
      EXPECT_NE(what.find(problem), std::string::npos) << what;
    }
    EXPECT_EQ(s.ToText(), before) << text;
  }
}

// Names are measured as Windows measures them, in UTF-16 units: a key name
// of 255 and a value name of 16,383 are the longest, whatever their UTF-8
// takes, and what the store writes at those lengths it reads back.
TEST(RegFileTest, NamesAreMeasuredInUtf16Units) {
  const std::string han = "\xE4\xB8\xAD", astral = "\xF0\x9F\x98\x80";  // 3 bytes 1 unit; 4 bytes 2 units
  struct Case {
    std::string key, value;
    bool fits;
  } cases[] = {
      {Repeat(han, 255), "v", true},
      {Repeat(astral, 128), "v", false},
      {"k", Repeat(han, 16383), true},
      {"k", Repeat(astral, 8192), false},
  };
  for (const Case& c : cases) {
    const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\" + c.key + "]\r\n\"" + c.value + "\"=\"x\"\r\n";
    RegistryStore read;
    if (c.fits) {
      EXPECT_NO_THROW(read.LoadText(text, "long.reg")) << c.key.size() << " " << c.value.size();
    } else {
      EXPECT_THROW(read.LoadText(text, "long.reg"), RegFileError) << c.key.size() << " " << c.value.size();
    }
    // The store takes exactly the names the reader takes, and reads back
    // what it wrote.
    RegistryStore written;
    HKEY k = nullptr;
    const LONG created =
        written.RegCreateKeyExA(HKEY_CURRENT_USER, c.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    LONG set = created;
    if (created == ERROR_SUCCESS) {
      set = written.RegSetValueExA(k, c.value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
      written.RegCloseKey(k);
    }
    EXPECT_EQ(set == ERROR_SUCCESS, c.fits) << c.key.size() << " " << c.value.size();
    EXPECT_EQ(set == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER, set);
    RegistryStore again;
    EXPECT_NO_THROW(again.LoadText(written.ToText(), "written.reg"));
    EXPECT_EQ(again.ToText(), written.ToText());
  }
}

// A create refused for want of rights leaves no key behind.
TEST(RegistryStoreTest, ARefusedCreateLeavesNoKey) {
  RegistryStore s;
  ASSERT_EQ(test::SetDefault(s, HKEY_CURRENT_USER, "kept", "old"), ERROR_SUCCESS);
  const std::string before = s.ToText();
  s.DenyAccess(HKEY_CURRENT_USER, "\\New\\KEY", KEY_SET_VALUE);
  EXPECT_EQ(Create(s, HKEY_CURRENT_USER, "new\\key"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(s.ToText(), before);
}

// Keys as deep as the registry allows (512 levels below a root key) are
// kept, deleted and written without quadratic text; deeper ones are refused
// as the platform refuses them.
TEST(RegistryStoreTest, DeepKeysHaveTheRegistrysLimits) {
  RegistryStore s;
  ASSERT_EQ(Create(s, HKEY_CURRENT_USER, ("deep" + Repeat("\\d", 500)).c_str()), ERROR_SUCCESS);
  HKEY k = nullptr;  // a path relative to a deep key counts from the root
  ASSERT_EQ(s.RegOpenKeyExA(HKEY_CURRENT_USER, ("deep" + Repeat("\\d", 500)).c_str(), 0, KEY_ALL_ACCESS, &k), 0);
  EXPECT_EQ(test::SetDefault(s, k, Repeat("\\d", 11).c_str(), "leaf"), ERROR_SUCCESS);
  EXPECT_EQ(test::SetDefault(s, k, Repeat("\\d", 12).c_str(), "x"), ERROR_INVALID_PARAMETER);
  s.RegCloseKey(k);
  // Only the keys that need a line of their own are written: the leaf, not
  // each of the 511 keys above it.
  const std::string text = s.ToText();
  EXPECT_LT(text.size(), 2000u);
  RegistryStore copy;
  copy.LoadText(text, "deep.reg");
  EXPECT_EQ(copy.ToText(), text);
  s.LoadText("REGEDIT4\n[-HKCU\\deep]\n", "delete.reg");
  EXPECT_EQ(s.RegOpenKeyExA(HKEY_CURRENT_USER, "deep", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
}

#ifdef _WIN32
// The system's own export of HKEY_CLASSES_ROOT (UTF-16 LE, version 5) loads
// with the same keys in the same order as the registry hands out, and the
// scan reads the same associations, in the same ANSI bytes, from it.
TEST(RegFileTest, ReadsTheSystemExportOfClassesRoot) {
  test::TempDir dir;
  const std::string file = dir.File("classes.reg");
  ASSERT_EQ(test::RunChild("reg export HKCR \"" + file + "\" /y"), 0);
  ASSERT_EQ(test::ReadFileBytes(file).substr(0, 2), "\xFF\xFE");
  RegistryStore store;
  store.LoadText(test::ReadFileBytes(file), file);
  Win32Registry live;
  std::vector<std::string> seen[2];
  IRegistry* regs[2] = {&live, &store};
  for (int r = 0; r < 2; ++r) {
    char name[300];  // every top-level key, in order
    for (DWORD i = 0, n = 300; !regs[r]->RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &n, 0, 0, 0, 0); ++i, n = 300)
      seen[r].emplace_back(name, n);
    const size_t keys = seen[r].size();
    EXPECT_GT(keys, 100u);
    const ScanResult scan = ScanCurrentEntries(*regs[r]);
    for (const auto& e : *scan.entries)
      seen[r].push_back(e->Ext() + "|" + e->ProgramID() + "|" + e->OpenCmdRegKey() + "|" + e->ProgramFullPath());
    EXPECT_GT(seen[r].size() - keys, 10u);
  }
  EXPECT_EQ(seen[1], seen[0]);
}
#endif

}  // namespace
}  // namespace hollin
