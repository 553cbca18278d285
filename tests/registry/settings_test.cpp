// The settings procedures over the registry store, and one round trip through
// each registry under test (the real registry too, in the Windows build).
#include <gtest/gtest.h>

#include "support/registry_store.h"
#include "registry/settings.h"
#include "registry_fixture.h"
#include "support/test_support.h"

namespace hollin {
namespace {

using namespace std::string_literals;

class SettingsTest : public ::testing::Test {
 protected:
  // Stores a value under the settings key directly, bypassing WriteSetting.
  void Store(const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(test::SetRegValue(reg, HKEY_LOCAL_MACHINE, kSettingsKey, name, type, bytes), ERROR_SUCCESS);
  }
  bool Read(const char* name, std::int16_t type) {
    failure = {};
    return ReadSetting(reg, name, type, v, &failure);
  }
  // The failure told, as "kind key name status".
  std::string Failure() const {
    return std::to_string(static_cast<int>(failure.kind)) + " " + failure.key + " " + failure.name + " " +
           std::to_string(failure.status);
  }

  RegistryStore reg;
  SettingValue v;
  SettingFailure failure;
};

TEST_F(SettingsTest, AKeyOrValueThatCannotBeReadFailsAndLeavesTheValue) {
  using K = SettingFailure::Kind;
  const std::string key = std::string(" ") + kSettingsKey + " ";
  v = "kept"s;
  // No settings key yet: the open fails;
  EXPECT_FALSE(Read("warn", 1));
  EXPECT_EQ(Failure(), std::to_string(static_cast<int>(K::KeyNotOpened)) + key + " 2");
  WriteSetting(reg, "InstallPath", "C:\\Tools");  // the key, but not that value
  EXPECT_FALSE(Read("warn", 1));
  EXPECT_EQ(Failure(), std::to_string(static_cast<int>(K::ValueNotRead)) + key + "warn 2");
  // A standard user's rights (read only) are enough to read;
  reg.AllowOnly(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
  EXPECT_TRUE(Read("InstallPath", 1));
  EXPECT_EQ(std::get<std::string>(v), "C:\\Tools");
  EXPECT_EQ(failure.kind, K::None);
  v = "kept"s;
  // without the right to read, every read fails at the open.
  reg.DenyAccess(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_QUERY_VALUE);
  EXPECT_FALSE(Read("InstallPath", 1));
  EXPECT_EQ(Failure(), std::to_string(static_cast<int>(K::KeyNotOpened)) + key + " 5");
  EXPECT_EQ(std::get<std::string>(v), "kept");
}

TEST_F(SettingsTest, TextsAreTrimmedAndLimitedAndOtherTypesGiveNumbers) {
  Store("Padded", REG_SZ, " 1 \0"s);
  ASSERT_TRUE(Read("padded", 1));
  EXPECT_EQ(std::get<std::string>(v), "1");
  Store("Long", REG_SZ, std::string(254, 'x') + '\0');
  ASSERT_TRUE(Read("Long", 1));
  EXPECT_EQ(std::get<std::string>(v).size(), 254u);
  Store("TooLong", REG_SZ, std::string(255, 'x') + '\0');
  EXPECT_FALSE(Read("TooLong", 1));

  Store("Number", REG_DWORD, "\7\0\0\0"s);
  ASSERT_TRUE(Read("Number", 4));
  EXPECT_EQ(std::get<std::int32_t>(v), 7);
  // Asked for text, a number is the number all the same.
  ASSERT_TRUE(Read("Number", 1));
  EXPECT_EQ(std::get<std::int32_t>(v), 7);
  Store("Number", REG_DWORD, "\1\0\0\0"s);
  ASSERT_TRUE(Read("Number", 1));
  EXPECT_EQ(std::get<std::int32_t>(v), 1);
  // One of another size is no number.
  v = "kept"s;
  Store("Short", REG_DWORD, "\1\0"s);
  EXPECT_FALSE(Read("Short", 1));
  EXPECT_FALSE(Read("Short", 4));
  EXPECT_EQ(std::get<std::string>(v), "kept");
  // Any other requested type reads nothing and gives 1.
  ASSERT_TRUE(Read("Absent", 3));
  EXPECT_EQ(std::get<std::int32_t>(v), 1);
}

// A standard user may not write the machine's key: the option goes to the
// user's own and is read from there; once the machine's key takes a value
// again, the user's stops hiding it; where both refuse, the caller is told.
TEST_F(SettingsTest, AnOptionSetSticksWhereverTheRegistryTakesIt) {
  ASSERT_EQ(WriteSetting(reg, "Warn", "1"), ERROR_SUCCESS);
  reg.AllowOnly(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
  ASSERT_EQ(WriteSetting(reg, "Warn", "0"), ERROR_SUCCESS);
  ASSERT_TRUE(Read("Warn", 1));
  EXPECT_EQ(std::get<std::string>(v), "0");
  HKEY key = nullptr;
  ASSERT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  char machine[8] = "xxxxxxx";
  DWORD size = sizeof machine;
  EXPECT_EQ(reg.RegQueryValueExA(key, "Warn", nullptr, nullptr, reinterpret_cast<BYTE*>(machine), &size),
            ERROR_SUCCESS);
  reg.RegCloseKey(key);
  EXPECT_STREQ(machine, "1") << "the machine's value stays";

  reg.DenyAccess(HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE);
  EXPECT_EQ(WriteSetting(reg, "Warn", "1"), ERROR_ACCESS_DENIED);

  reg.DenyAccess(HKEY_CURRENT_USER, kSettingsKey, 0);
  reg.DenyAccess(HKEY_LOCAL_MACHINE, kSettingsKey, 0);
  ASSERT_EQ(WriteSetting(reg, "Warn", "1"), ERROR_SUCCESS);
  ASSERT_TRUE(Read("Warn", 1));
  EXPECT_EQ(std::get<std::string>(v), "1");
  EXPECT_EQ(failure.kind, SettingFailure::Kind::None);
}

class SettingsOnEveryRegistry : public ::testing::TestWithParam<test::RegistryUnderTest> {};

TEST_P(SettingsOnEveryRegistry, WriteIsReadBackInAnotherCase) {
  auto reg = GetParam().make();
  const std::string text = "C:\\Program Files\\Hollin é";
  WriteSetting(*reg, "HollinTestPath", text);
  SettingValue v;
  ASSERT_TRUE(ReadSetting(*reg, "HOLLINTESTPATH", 1, v));
  EXPECT_EQ(std::get<std::string>(v), text);
}

HOLLIN_ON_EACH_REGISTRY(SettingsOnEveryRegistry);

}  // namespace
}  // namespace hollin
