// The settings procedures over the registry store, and one round trip through
// each registry under test (the real registry too, in the Windows build).
#include <gtest/gtest.h>

#include "registry/registry_store.h"
#include "registry/settings.h"
#include "registry_fixture.h"
#include "support/test_support.h"

namespace hollin {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  // Stores a value under the settings key directly, bypassing WriteSetting.
  void Store(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    reg.RegCloseKey(key);
  }
  void StoreText(const char* name, const std::string& text) {
    Store(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  RegistryStore reg;
  test::ScriptedMessageBox box;
};

TEST_F(SettingsTest, WriteThenReadInAnotherCaseAndTrimmed) {
  WriteSetting(reg, "Warn", "0");
  SettingValue v;
  ASSERT_TRUE(ReadSetting(reg, box, "warn", 1, v, true));
  EXPECT_EQ(std::get<std::string>(v), "0");
  StoreText("Padded", " 1 ");
  ASSERT_TRUE(ReadSetting(reg, box, "padded", 1, v, true));
  EXPECT_EQ(std::get<std::string>(v), "1");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(SettingsTest, MissingKeyAndMissingValueFailAndLeaveTheValue) {
  SettingValue v = std::string("kept");
  // No settings key yet: silent without error boxes, the open error with them.
  EXPECT_FALSE(ReadSetting(reg, box, "warn", 1, v, false));
  EXPECT_TRUE(box.shown.empty());
  EXPECT_FALSE(ReadSetting(reg, box, "warn", 1, v, true));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text,
            "Error Opening Registry Key Entry:\r\nKey/Path=SOFTWARE\\Nordane\\Hollin\r\n"
            "DLL Returned=2");
  EXPECT_EQ(box.shown[0].title, "ODBC Registry");
  EXPECT_EQ(box.shown[0].icon, MbIcon::Exclamation);
  EXPECT_EQ(box.shown[0].buttons, MbButtons::Ok);

  WriteSetting(reg, "InstallPath", "C:\\Tools");
  EXPECT_FALSE(ReadSetting(reg, box, "warn", 1, v, true));
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[1].text,
            "Error Retrieving Registry Key Entry:\r\nKey=warn\r\nDLL Returned=2");
  EXPECT_EQ(std::get<std::string>(v), "kept");
}

TEST_F(SettingsTest, TextLengthLimitAndTypes) {
  SettingValue v;
  StoreText("Long", std::string(254, 'x'));
  ASSERT_TRUE(ReadSetting(reg, box, "Long", 1, v, false));
  EXPECT_EQ(std::get<std::string>(v).size(), 254u);
  StoreText("TooLong", std::string(255, 'x'));
  EXPECT_FALSE(ReadSetting(reg, box, "TooLong", 1, v, false));

  const DWORD seven = 7;
  Store("Number", REG_DWORD, &seven, sizeof seven);
  ASSERT_TRUE(ReadSetting(reg, box, "Number", 4, v, false));
  EXPECT_EQ(std::get<std::int32_t>(v), 7);
  // Asked for text, a number is never filled in: 0.
  ASSERT_TRUE(ReadSetting(reg, box, "Number", 1, v, false));
  EXPECT_EQ(std::get<std::int32_t>(v), 0);
  // Any other requested type reads nothing and gives 1.
  ASSERT_TRUE(ReadSetting(reg, box, "Absent", 3, v, false));
  EXPECT_EQ(std::get<std::int32_t>(v), 1);
}

TEST_F(SettingsTest, NoFullAccessMeansEveryReadFailsAtTheOpen) {
  WriteSetting(reg, "Warn", "0");
  reg.DenyAccess(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_ALL_ACCESS);
  SettingValue v;
  EXPECT_FALSE(ReadSetting(reg, box, "Warn", 1, v, true));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("Error Opening Registry Key Entry:"), std::string::npos);
  EXPECT_NE(box.shown[0].text.find("DLL Returned=5"), std::string::npos);
}

class SettingsOnEveryRegistry : public ::testing::TestWithParam<test::RegistryUnderTest> {};

TEST_P(SettingsOnEveryRegistry, WriteIsReadBack) {
  auto reg = GetParam().make();
  test::ScriptedMessageBox box;
  const std::string text = "C:\\Program Files\\Hollin \xE9";
  WriteSetting(*reg, "HollinTestPath", text);
  SettingValue v;
  ASSERT_TRUE(ReadSetting(*reg, box, "HOLLINTESTPATH", 1, v, true));
  EXPECT_EQ(std::get<std::string>(v), text);
  EXPECT_TRUE(box.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Registries, SettingsOnEveryRegistry,
                         ::testing::ValuesIn(test::RegistriesUnderTest()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hollin
