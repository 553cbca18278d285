// A setting that cannot be read: the registry layer says why, the window
// tells it in a box.
#include <gtest/gtest.h>

#include "registry/settings.h"
#include "support/registry_store.h"
#include "support/test_support.h"
#include "ui/settings_box.h"

namespace hollin::ui {
namespace {

MessageBoxRequest Box(const std::string& text, const char* title) {
  return {text, MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, title};
}

TEST(SettingsBox, TheRegistrysRefusalsReachTheBoxAsBefore) {
  RegistryStore reg;
  test::ScriptedMessageBox box;
  SettingValue v = std::string("kept");
  // Without asking for errors only the unforeseen is told: nothing here.
  EXPECT_FALSE(ReadSettingOrTell(reg, box, "warn", 1, v, false));
  EXPECT_TRUE(box.shown.empty());
  EXPECT_FALSE(ReadSettingOrTell(reg, box, "warn", 1, v, true));  // no key
  WriteSetting(reg, "InstallPath", "C:\\Tools");
  EXPECT_FALSE(ReadSettingOrTell(reg, box, "warn", 1, v, true));  // no value
  EXPECT_TRUE(ReadSettingOrTell(reg, box, "InstallPath", 1, v, true));
  reg.DenyAccess(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_QUERY_VALUE);
  EXPECT_FALSE(ReadSettingOrTell(reg, box, "InstallPath", 1, v, true));
  const std::string openError = "Error Opening Registry Key Entry:\r\nKey/Path=SOFTWARE\\Nordane\\Hollin\r\nDLL Returned=";
  EXPECT_EQ(box.shown, (std::vector<MessageBoxRequest>{
                           Box(openError + "2", "ODBC Registry"),
                           Box("Error Retrieving Registry Key Entry:\r\nKey=warn\r\nDLL Returned=2", "ODBC Registry"),
                           Box(openError + "5", "ODBC Registry")}));
}

TEST(SettingsBox, EveryKindOfFailureIsWorded) {
  using K = SettingFailure::Kind;
  const struct {
    SettingFailure failure;
    std::vector<MessageBoxRequest> shown;
  } cases[] = {
      {{K::None, "", "", 0, ""}, {}},
      {{K::KeyNotOpened, "SOFTWARE\\Nordane\\Hollin", "", 5, ""},
       {Box("Error Opening Registry Key Entry:\r\nKey/Path=SOFTWARE\\Nordane\\Hollin\r\nDLL Returned=5",
            "ODBC Registry")}},
      {{K::ValueNotRead, "SOFTWARE\\Nordane\\Hollin", "Warn", 13, ""},
       {Box("Error Retrieving Registry Key Entry:\r\nKey=Warn\r\nDLL Returned=13", "ODBC Registry")}},
      // An unforeseen error, as it said itself, under the product's name.
      {{K::Unexpected, "", "Warn", 0, "std::bad_alloc"}, {Box("std::bad_alloc", "Brellmark")}},
  };
  for (const auto& c : cases) {
    test::ScriptedMessageBox box;
    ShowSettingFailure(box, c.failure);
    EXPECT_EQ(box.shown, c.shown) << static_cast<int>(c.failure.kind);
  }
}

}  // namespace
}  // namespace hollin::ui
