// Registry export files: what exporters write, what the store writes, and
// what a broken file gets.
#include <gtest/gtest.h>

#include <cstdio>

#include "registry/reg_file.h"
#include "registry/registry_store.h"
#include "registry/scan.h"
#include "support/test_support.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin {
namespace {

using namespace std::string_literals;

// UTF-8 text (BMP only) as a UTF-16 LE file with its mark and CRLF line ends.
std::string Utf16File(std::string_view s) {
  std::string out = "\xFF\xFE";
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned c = static_cast<unsigned char>(s[i]);
    if (c >= 0xE0) c = (c & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu), i += 2;
    else if (c >= 0xC0) c = (c & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu), i += 1;
    if (c == '\n') out += "\r\0"s;
    out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  }
  return out;
}

// One line per key and per value; data bytes outside printable ASCII as \xNN.
std::string Dump(const RegFileContent& content) {
  std::string out;
  for (const RegFileKey& key : content.keys) {
    out.append("[").append(key.remove ? "-" : "").append(RootKeyName(key.root)).append("\\");
    out.append(key.path).append("]\n");
    for (const RegFileValue& v : key.values) {
      out.append(v.name).append(v.remove ? "=-" : "=").append(v.remove ? "" : std::to_string(v.type) + ":");
      char hex[8];
      for (unsigned char c : v.data)
        out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, char(c)) : (std::snprintf(hex, 8, "\\x%02X", c), hex);
      out += "\n";
    }
  }
  return out;
}

constexpr std::string_view kVersion5 = R"(Windows Registry Editor Version 5.00

; what exporters write
[HKEY_CLASSES_ROOT\.txt]
@="txtfile"

[HKCR\txtfile\shell\open\command]
@=hex(2):25,00,53,00,79,00,73,00,52,00,6f,00,6f,00,74,00,25,00,e9,00,ac,20,\
  a9,03,00,00
[HKEY_CURRENT_USER\Caf€ Ω\\x\]
"q\"b\\s"="x\"y\\z\nline"
"d"=dword:DEADBEEF
"b"=hex:01,02,\
   03
"m"=hex(7):61,00,00,00,62,00,00,00,00,00
"gone"=-
[-HKLM\Software\Old]
[HKU\Sub]x]
)";

TEST(RegFileTest, ReadsVersion5InUtf16AndUtf8AndAnsiTextAsItIs) {
  const std::string expected =
      "[HKEY_CLASSES_ROOT\\.txt]\n=1:txtfile\\x00\n"
      "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n=2:%SysRoot%\\xE9\\x80?\\x00\n"
      "[HKEY_CURRENT_USER\\Caf\x80 ?\\x]\nq\"b\\s=1:x\"y\\x5Cz\\x0Aline\\x00\nd=4:\\xEF\\xBE\\xAD\\xDE\n"
      "b=3:\\x01\\x02\\x03\nm=7:a\\x00b\\x00\\x00\ngone=-\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\Old]\n[HKEY_USERS\\Sub]x]\n";
  EXPECT_EQ(Dump(ParseRegFile(Utf16File(kVersion5), "utf16.reg")), expected);
  EXPECT_EQ(Dump(ParseRegFile(kVersion5, "utf8.reg")), expected);
  EXPECT_EQ(Dump(ParseRegFile("\xEF\xBB\xBF" + std::string(kVersion5), "bom.reg")), expected);
  // REGEDIT4 is ANSI, its hex(2) too; so is a version 5 file that is not UTF-8.
  EXPECT_EQ(Dump(ParseRegFile("REGEDIT4\n[HKCU\\x]\n\"e\"=hex(2):25,41,25,e9,00\n\"s\"=\"\xC3\xA9\"\n", "a")),
            "[HKEY_CURRENT_USER\\x]\ne=2:%A%\\xE9\\x00\ns=1:\\xC3\\xA9\\x00\n");
  EXPECT_EQ(Dump(ParseRegFile("Windows Registry Editor Version 5.00\r\n[HKCU\\x]\r\n\"s\"=\"\xE9\"\r\n", "b")),
            "[HKEY_CURRENT_USER\\x]\ns=1:\\xE9\\x00\n");
}

TEST(RegFileTest, WhatTheStoreWritesReadsBackToTheSameBytes) {
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } values[] = {
      {"", REG_SZ, "default\0"s}, {"plain", REG_SZ, "text\0"s}, {"q\"b\\s", REG_SZ, "x\"y\\z\xE9\x80\0"s},
      {"nuls", REG_SZ, "ab\0cd\0"s}, {"noterm", REG_SZ, "abc"}, {"breaks", REG_SZ, "a\r\nb\0"s},
      {"lf", REG_SZ, "ab\n"}, {"empty", REG_SZ, ""}, {"nul", REG_SZ, "\0"s}, {"dword", REG_DWORD, "\x2A\0\0\0"s},
      {"shortdword", REG_DWORD, "\x2A\0"s}, {"expand", REG_EXPAND_SZ, "%SystemRoot%\\n.exe %1\0"s},
      {"multi", REG_MULTI_SZ, "a\0b\0\0"s}, {"odd", 0x100, "\xFF"}, {"none", REG_NONE, ""},
      {"big", REG_BINARY, std::string(65536, '\x81')},
  };
  RegistryStore a, b;
  HKEY k;
  ASSERT_EQ(a.RegCreateKeyExA(HKEY_CURRENT_USER, "Odd]Name \xE9\\ spaced ", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr), ERROR_SUCCESS);
  for (const auto& v : values)
    a.RegSetValueExA(k, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()), DWORD(v.data.size()));
  ASSERT_EQ(a.RegSetValueA(HKEY_USERS, "empty\\key\\", REG_SZ, "", 0), ERROR_SUCCESS);
  const std::string text = a.ToText();
  EXPECT_NE(text.find("\r\n\"plain\"=\"text\"\r\n\"q\\\"b\\\\s\"=\"x\\\"y\\\\z\xE9\x80\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\"dword\"=dword:0000002a\r\n"), std::string::npos);
  b.LoadText(text, "written.reg");
  EXPECT_EQ(b.ToText(), text);
  ASSERT_EQ(b.RegOpenKeyExA(HKEY_CURRENT_USER, "odd]name \xC9\\ SPACED ", 0, KEY_READ, &k), ERROR_SUCCESS);
  for (const auto& v : values) {
    std::string got(70000, '\0');
    DWORD type = 0, n = DWORD(got.size());
    ASSERT_EQ(b.RegQueryValueExA(k, v.name, nullptr, &type, reinterpret_cast<BYTE*>(got.data()), &n), 0);
    const bool text_type = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    EXPECT_EQ(type, v.type) << v.name;  // a string without its NUL is read with one, as from a
    EXPECT_EQ(got.substr(0, n), text_type && !v.data.empty() && v.data.back() ? v.data + '\0' : v.data) << v.name;
  }
}

TEST(RegFileTest, AMalformedFileIsRefusedNamingTheLineAndNothingChanges) {
  const std::string good = "REGEDIT4\r\n[HKCU\\ok]\r\n\"v\"=\"1\"\r\n";  // lines 1-3, never applied
  const struct {
    std::string text;
    int line;
    const char* problem;
  } cases[] = {
      {"", 1, "empty"}, {"REGEDIT5\r\n", 1, "first line"},
      {"\r\nREGEDIT4\r\n\"v\"=\"1\"\r\n", 3, "before the first [key]"},
      {good + "[HKEY_CURRENT_USER\\x\r\n", 4, "closing ']'"},
      {good + "[HKEY_NOWHERE\\x]\r\n", 4, "unknown root key \"HKEY_NOWHERE\""},
      {good + "[-HKCU\\x]\r\n\"a\"=\"b\"\r\n", 5, "being deleted"}, {good + "garbage\r\n", 4, "unrecognised line"},
      {good + "\"a=\"b\"\r\n", 4, "expected '='"}, {good + "\"a\"=\"b\r\n", 4, "unterminated quoted string"},
      {good + "\"a\"=\"x\\q\"\r\n", 4, "unknown escape \"\\q\""},
      {good + "\"a\"=dword:123456789\r\n", 4, "1 to 8 hex digits"},
      {good + "\"a\"=hex(2:00\r\n", 4, "hex(type)"},
      {good + "\"a\"=hex:01,\\\r\n  02,\\\r\n  0x3\r\n", 6, "invalid hex byte \"0x3\""},
      {good + "\"a\"=hex:01,\r\n", 4, "ending with ','"},
      {good + "\"a\"=hex:01,\\\r\n", 4, "end of the file"}, {good + "\"a\"=\"b\0\"\r\n"s, 4, "NUL character"},
  };
  test::TempDir dir;
  const std::string path = dir.File("broken.reg");
  for (const auto& c : cases) {
    test::WriteFileBytes(path, c.text);
    RegistryStore s;
    ASSERT_EQ(s.RegSetValueA(HKEY_CURRENT_USER, "before", REG_SZ, "x", 0), ERROR_SUCCESS);
    const std::string before = s.ToText();
    try {
      s.BindFile(path);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const RegFileError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(path + ", line " + std::to_string(c.line) + ": "), std::string::npos);
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
    }
    EXPECT_EQ(s.ToText(), before) << c.text;
    EXPECT_EQ(s.backingFile(), "");
    EXPECT_EQ(test::ReadFileBytes(path), c.text);
  }
}

#ifdef _WIN32
// The system's own export of HKEY_CLASSES_ROOT (UTF-16 LE, version 5) loads
// with the same keys, order, types and ANSI bytes as the registry hands out.
TEST(RegFileTest, ReadsTheSystemExportOfClassesRoot) {
  test::TempDir dir;
  const std::string file = dir.File("classes.reg");
  ASSERT_EQ(test::RunChild("reg export HKCR \"" + file + "\" /y"), 0);
  ASSERT_EQ(test::ReadFileBytes(file).substr(0, 2), "\xFF\xFE");
  RegistryStore store;
  store.LoadFromFile(file);
  Win32Registry live;
  // Known keys, one of them REG_EXPAND_SZ (hex(2) in the file), read the same.
  for (const char* path : {".txt", "txtfile\\shell\\open\\command", "htmlfile\\DefaultIcon"}) {
    std::string got[2];
    for (IRegistry* reg : {static_cast<IRegistry*>(&live), static_cast<IRegistry*>(&store)}) {
      HKEY k;
      BYTE buf[1000];
      DWORD type = 0, n = sizeof buf;
      ASSERT_EQ(reg->RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &k), ERROR_SUCCESS) << path;
      ASSERT_EQ(reg->RegQueryValueExA(k, "", nullptr, &type, buf, &n), ERROR_SUCCESS) << path;
      got[reg == &store] = std::to_string(type).append(":").append(reinterpret_cast<char*>(buf), n);
      reg->RegCloseKey(k);
    }
    EXPECT_EQ(got[1], got[0]);
  }
  std::vector<std::string> names[2];  // every top-level key, in the same order
  IRegistry* regs[2] = {&live, &store};
  for (int r = 0; r < 2; ++r) {
    char name[300];
    for (DWORD i = 0, n = 300; !regs[r]->RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &n, 0, 0, 0, 0); ++i, n = 300)
      names[r].emplace_back(name, n);
  }
  EXPECT_GT(names[0].size(), 100u);
  EXPECT_EQ(names[1], names[0]);

  // The scan reads the same associations from the export as from the registry.
  std::vector<std::string> scanned[2];
  for (int r = 0; r < 2; ++r) {
    const ScanResult scan = ScanCurrentEntries(*regs[r]);
    for (const auto& e : *scan.entries)
      scanned[r].push_back(e->Ext() + "|" + e->ProgramID() + "|" + e->OpenCmdRegKey() + "|" +
                           e->ProgramFullPath());
  }
  EXPECT_GT(scanned[0].size(), 10u);
  EXPECT_EQ(scanned[1], scanned[0]);
}
#endif

}  // namespace
}  // namespace hollin
