// What only the store does: refused rights for tests, a backing file, loads
// that delete, and its speed on a large tree.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "common/atomic_file.h"
#include "common/text.h"
#include "registry/registry_store.h"
#include "support/test_support.h"

namespace hollin {
namespace {

using namespace std::string_literals;

// Status of opening (or creating) a key, which is closed again at once.
LONG Open(RegistryStore& s, HKEY root, const char* path, REGSAM sam, bool create = false) {
  HKEY k = nullptr;
  const LONG r = create ? s.RegCreateKeyExA(root, path, 0, nullptr, 0, sam, nullptr, &k, nullptr)
                        : s.RegOpenKeyExA(root, path, 0, sam, &k);
  return r == ERROR_SUCCESS ? s.RegCloseKey(k) : r;
}
LONG Create(RegistryStore& s, HKEY root, const char* path, REGSAM sam = KEY_ALL_ACCESS) {
  return Open(s, root, path, sam, true);
}
std::string Default(RegistryStore& s, HKEY root, const char* path) {
  char buf[64];
  LONG n = sizeof buf;
  return s.RegQueryValueA(root, path, buf, &n) ? "<failed>" : std::string(buf, size_t(n));
}

TEST(RegistryStoreTest, DeniedRightsRefuseOpeningThatKeyOnly) {
  RegistryStore s;
  ASSERT_EQ(s.RegSetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", REG_SZ, "v", 0), ERROR_SUCCESS);
  s.DenyAccess(HKEY_LOCAL_MACHINE, "\\software\\NORDANE\\hollin", KEY_SET_VALUE);
  EXPECT_EQ(Open(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", KEY_ALL_ACCESS), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(Create(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", KEY_SET_VALUE), ERROR_ACCESS_DENIED);
  EXPECT_EQ(s.RegSetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", REG_SZ, "w", 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Default(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin"), "v\0"s);
  EXPECT_EQ(Create(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin\\Sub"), ERROR_SUCCESS);
  // A denied key that does not exist yet is not left behind by a refused create.
  s.DenyAccess(HKEY_CURRENT_USER, "New\\Key", KEY_ALL_ACCESS);
  EXPECT_EQ(Create(s, HKEY_CURRENT_USER, "new\\key"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "New", KEY_READ), ERROR_FILE_NOT_FOUND);
  s.DenyAccess(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", 0);
  EXPECT_EQ(Open(s, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", KEY_ALL_ACCESS), ERROR_SUCCESS);
}

TEST(RegistryStoreTest, ABoundFileKeepsEveryWriteAcrossRuns) {
  test::TempDir dir;
  const std::string path = dir.File("registry.reg");
  {
    RegistryStore s(path);
    EXPECT_FALSE(std::filesystem::exists(path));  // nothing written yet
    ASSERT_EQ(s.RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", 0), ERROR_SUCCESS);
    HKEY k;
    ASSERT_EQ(s.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(s.RegSetValueExA(k, "Raw", 0, REG_DWORD, reinterpret_cast<const BYTE*>("a\0\xE9\r\n"), 5), 0);
  }
  RegistryStore again(path);
  EXPECT_EQ(Default(again, HKEY_CLASSES_ROOT, ".TXT"), "txtfile\0"s);
  HKEY k;
  ASSERT_EQ(again.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\nordane\\hollin", 0, KEY_READ, &k), 0);
  BYTE buf[8];
  DWORD type = 0, n = sizeof buf;
  ASSERT_EQ(again.RegQueryValueExA(k, "raw", nullptr, &type, buf, &n), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), n), "a\0\xE9\r\n"s);
}

TEST(RegistryStoreTest, AWriteThatCannotBePersistedIsUndone) {
  test::TempDir dir;
  RegistryStore s;
  ASSERT_EQ(s.RegSetValueA(HKEY_CURRENT_USER, "kept", REG_SZ, "old", 0), ERROR_SUCCESS);
  s.BindFile(dir.File("no-such-folder/registry.reg"));
  EXPECT_EQ(s.RegSetValueA(HKEY_CURRENT_USER, "kept", REG_SZ, "new", 0), 1016);
  EXPECT_EQ(s.RegSetValueA(HKEY_CURRENT_USER, "fresh\\deep", REG_SZ, "new", 0), 1016);
  EXPECT_EQ(Create(s, HKEY_CURRENT_USER, "other"), 1016);
  EXPECT_EQ(Default(s, HKEY_CURRENT_USER, "kept"), "old\0"s);
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "fresh", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "other", KEY_READ), ERROR_FILE_NOT_FOUND);
  // A name the file format cannot hold fails the same way.
  s.BindFile(dir.File("registry.reg"));
  EXPECT_EQ(Create(s, HKEY_CURRENT_USER, "line\nbreak"), 1016);
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "line\nbreak", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Create(s, HKEY_CURRENT_USER, "other"), ERROR_SUCCESS);
}

TEST(RegistryStoreTest, LoadsDeleteKeysAndValuesAndLeaveHandlesOfDeletedKeysDead) {
  RegistryStore s;
  s.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\a\\b\\c]\n\"v\"=\"1\"\n[HKCU\\a\\x]\n\"v\"=\"1\"\n\"w\"=dword:2\n", "first");
  HKEY b;
  ASSERT_EQ(s.RegOpenKeyExA(HKEY_CURRENT_USER, "a\\b", 0, KEY_READ, &b), ERROR_SUCCESS);
  s.LoadText("REGEDIT4\n[-HKEY_CURRENT_USER\\A\\B]\n[HKCU\\a\\x]\n\"v\"=-\n", "second");
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "a\\b", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(s, HKEY_CURRENT_USER, "a\\x", KEY_READ), ERROR_SUCCESS);
  HKEY out;
  EXPECT_EQ(s.RegOpenKeyExA(b, "c", 0, KEY_READ, &out), 1018);
  EXPECT_EQ(s.RegCloseKey(b), ERROR_SUCCESS);
  EXPECT_EQ(s.ToText(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\a]\r\n\r\n[HKEY_CURRENT_USER\\a\\x]\r\n"
                       "\"w\"=dword:00000002\r\n\r\n");
}

TEST(RegistryStoreTest, AHundredThousandSubkeysLoadEnumerateAndResolveQuickly) {
  std::string text = "REGEDIT4\r\n", previous;
  for (int i = 99999; i >= 0; --i)
    text.append("[HKCR\\.e").append(std::to_string(i)).append("]\r\n@=\"p").append(std::to_string(i)).append("\"\n");
  const auto start = std::chrono::steady_clock::now();
  RegistryStore s;
  s.LoadText(text, "big");
  char name[32];
  DWORD i = 0;
  for (DWORD n = 32; !s.RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &n, nullptr, nullptr, nullptr, nullptr); ++i, n = 32) {
    ASSERT_LT(CompareNoCase(previous, name), 0) << name;
    ASSERT_EQ(Default(s, HKEY_CLASSES_ROOT, name), std::string("p").append(name + 2).append(1, '\0'));
    previous = name;
  }
  EXPECT_EQ(i, 100000u);
  // A few seconds even with the sanitizers; anything quadratic takes hours.
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

}  // namespace
}  // namespace hollin
