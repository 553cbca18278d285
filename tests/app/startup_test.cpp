// Start-up before any window exists: the second-copy question, the folder,
// the settings written and read, and what is handed over to the windows.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "support/registry_store.h"
#include "support/fake_platform.h"
#include "support/test_support.h"

namespace hollin {
namespace {

using Calls = std::vector<std::string>;

// The process, the screen and the windows, recording every call in order.
struct FakeMachine : test::FakePlatform, IStartupWindows {
  FakeMachine() { folder = "C:\\Tools\\Hollin"; }
  void SetWarnCheckBox(int v) override { calls.push_back("chkWarn " + std::to_string(v)); }
  void LoadMainWindow() override { calls.push_back("frmMain"); }
};

class StartupTest : public ::testing::Test {
 protected:
  std::string Read(const char* name) {
    SettingValue v;
    if (!ReadSetting(reg, name, 1, v)) return "<missing>";
    return std::get<std::string>(v);
  }
  void Run(const AccountFacts& account = {}) {
    machine.calls.clear();
    Main(appState, machine, reg, box, machine, account);
  }

  Associations appState;
  FakeMachine machine;
  RegistryStore reg;
  test::ScriptedMessageBox box;
};

TEST_F(StartupTest, SecondCopyIsAskedAboutBeforeAnythingElse) {
  machine.otherInstance = true;
  Run();  // the script is empty: the answer is No
  EXPECT_EQ(box.shown, (std::vector<MessageBoxRequest>{{"Hollin is already running! Did you\rwant to open another copy?",
                                                         MbButtons::YesNo, MbIcon::Question, MbDefault::Second,
                                                         "Brellmark"}}));
  EXPECT_EQ(machine.calls, (Calls{"end"}));
  EXPECT_EQ(Read("InstallPath"), "<missing>");

  // Yes: the second copy starts fully and records its folder too.
  box.Answer(MbAnswer::Yes);
  Run();
  EXPECT_EQ(machine.calls, (Calls{"pointer 11", "cd C:\\Tools\\Hollin", "chkWarn 0", "frmMain"}));
  EXPECT_EQ(Read("InstallPath"), "C:\\Tools\\Hollin");
}

// An account that is no user's (a service's, or one whose profile is not
// loaded; which accounts those are is the command line's table) is told in
// a box, and the process ends before anything is read or written; another
// account than the one signed in is told, and the window goes on with its
// settings.
TEST_F(StartupTest, TheWindowChecksOnlyAUsersOwnSettings) {
  const struct {
    AccountFacts facts;
    const char* said;
  } refused[] = {
      {{"NT AUTHORITY\\SYSTEM", "S-1-5-18", ""}, "LocalSystem"},
      {{"PC\\ada", "S-1-5-21-9-1001", "PC\\ada", true}, "HKEY_USERS\\.DEFAULT"},
  };
  for (const auto& row : refused) {
    box.shown.clear();
    Run(row.facts);
    ASSERT_EQ(box.shown.size(), 1u) << row.said;
    EXPECT_NE(box.shown[0].text.find(row.said), std::string::npos) << box.shown[0].text;
    EXPECT_NE(box.shown[0].text.find("has read and changed nothing"), std::string::npos);
    EXPECT_EQ(box.shown[0].icon, MbIcon::Critical);
    EXPECT_EQ(machine.calls, (Calls{"end"})) << row.said;
    EXPECT_EQ(Read("InstallPath"), "<missing>");
  }
  box.shown.clear();
  Run({"PC\\admin", "S-1-5-21-9-500", "PC\\ada", false, true});
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("those of PC\\admin (elevated), not those of PC\\ada"), std::string::npos)
      << box.shown[0].text;
  EXPECT_EQ(machine.calls, (Calls{"pointer 11", "cd C:\\Tools\\Hollin", "chkWarn 0", "frmMain"}));
}

TEST_F(StartupTest, StoredWarnTextDecidesTheCheckBox) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"0", 1},  {"1", 0},   {"2", 0},   {"-1", 0},  {"abc", 1}, {"0.6", 0},
      {"1.4", 0}, {"1.6", 0}, {"0.5", 1}, {" 0 ", 1}, {"", 1},    {"0x", 1},
      {"1e400", 0}, {"-0.4", 1}, {"0abc", 1}};
  for (const auto& [text, checkBox] : cases) {
    WriteSetting(reg, "Warn", text);
    Run();
    EXPECT_EQ(machine.calls.at(2), "chkWarn " + std::to_string(checkBox)) << "Warn=" << text;
  }
}

// A standard user may only read the machine-wide settings: the warning
// option stored there still decides the check box.
TEST_F(StartupTest, AStandardUserReadsTheStoredOption) {
  WriteSetting(reg, "Warn", "0");
  reg.AllowOnly(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
  Run();
  EXPECT_EQ(machine.calls, (Calls{"pointer 11", "cd C:\\Tools\\Hollin", "chkWarn 1", "frmMain"}));
  EXPECT_TRUE(box.shown.empty());
  // A user's key that refuses too is told of, once, and start-up goes on.
  reg.DenyAccess(HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE);
  Run();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text,
            "The setting \"InstallPath\" could not be saved: the registry refused it in HKEY_LOCAL_MACHINE and in "
            "HKEY_CURRENT_USER (SOFTWARE\\Nordane\\Hollin, error 5). It holds until Hollin ends.");
  EXPECT_EQ(machine.calls.back(), "frmMain");
}

// The stored text read as much as stands there, as the nearest double
// rounded half to even: only what rounds to 0 turns warnings off, up to the
// last decimal that still reads as 0.5.
TEST(WarnValue, ReadsTheLeadingNumberAsTheNearestDoubleRoundedHalfToEven) {
  const std::pair<const char*, int> cases[] = {
      {"  0abc", 0}, {"1.5e1x", 1}, {"2e", 1}, {"-.5", 0}, {".", 0}, {"x1", 0}, {"1D-1", 0}, {"0.05E1", 0},
      {"-0.7", 1},   {"000.500", 0}, {"0.500000000000000055511151231257827021181583404541015625", 0},
      {"0.500000000000000055511151231257827021181583404541015626", 1}, {"0.50000000000000006", 1},
      {"1e-999999999999999999999", 0}, {"1e999999999999999999999", 1}};
  for (const auto& [text, warn] : cases) EXPECT_EQ(WarnValue(true, SettingValue{std::string(text)}), warn) << text;
  EXPECT_EQ(WarnValue(true, SettingValue{std::int32_t{0}}), 0);
  EXPECT_EQ(WarnValue(true, SettingValue{std::int32_t{-1}}), 1);
  EXPECT_EQ(WarnValue(false, SettingValue{std::string("0")}), 1);
}

}  // namespace
}  // namespace hollin
