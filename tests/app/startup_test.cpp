// Start-up before any window exists: the second-copy question, the folder,
// the settings written and read, and what is handed over to the windows.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "registry/registry_store.h"
#include "support/test_support.h"

namespace hollin {
namespace {

struct FakePlatform : IPlatform {
  bool otherInstance = false;
  double twips = 15;
  std::vector<std::string> calls;
  bool AnotherInstanceRunning() override { return otherInstance; }
  std::string ProgramFolder() override { return "C:\\Tools\\Hollin"; }
  void ChangeCurrentFolder(const std::string& f) override { calls.push_back("cd " + f); }
  double TwipsPerPixelY() override { return twips; }
  void SetMousePointer(MousePointer p) override {
    calls.push_back("pointer " + std::to_string(static_cast<int>(p)));
  }
  void EndProcess() override { calls.push_back("end"); }
};

struct RecordingWindows : IStartupWindows {
  std::vector<std::string> calls;
  void SetWarnCheckBox(int v) override { calls.push_back("chkWarn " + std::to_string(v)); }
  void LoadMainWindow() override { calls.push_back("frmMain"); }
};

class StartupTest : public ::testing::Test {
 protected:
  void StoreWarn(const std::string& text) { WriteSetting(reg, "Warn", text); }
  std::string Read(const char* name) {
    SettingValue v;
    if (!ReadSetting(reg, box, name, 1, v, false)) return "<missing>";
    return std::get<std::string>(v);
  }
  void Run() { Main(general, platform, reg, box, windows); }

  General general;
  FakePlatform platform;
  RegistryStore reg;
  test::ScriptedMessageBox box;
  RecordingWindows windows;
};

TEST_F(StartupTest, FirstStartOnAMachine) {
  platform.twips = 1440.0 / 120;
  Run();
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"pointer 11", "cd C:\\Tools\\Hollin"}));
  EXPECT_EQ(general.ScreenTwipsY, 12);
  EXPECT_EQ(Read("InstallPath"), "C:\\Tools\\Hollin");
  // No "Warn" yet: warnings stay on, the check box is left unchecked.
  EXPECT_EQ(windows.calls, (std::vector<std::string>{"chkWarn 0", "frmMain"}));
}

TEST_F(StartupTest, SecondCopyIsAskedAboutBeforeAnythingElse) {
  platform.otherInstance = true;
  Run();  // the script is empty: the answer is No
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "Hollin is already running! Did you\rwant to open another copy?");
  EXPECT_EQ(box.shown[0].title, "Brellmark");
  EXPECT_EQ(box.shown[0].buttons, MbButtons::YesNo);
  EXPECT_EQ(box.shown[0].icon, MbIcon::Question);
  EXPECT_EQ(box.shown[0].defaultButton, MbDefault::Second);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"end"}));
  EXPECT_TRUE(windows.calls.empty());
  EXPECT_EQ(Read("InstallPath"), "<missing>");

  // Yes: the second copy starts fully and records its folder too.
  box.Answer(MbAnswer::Yes);
  platform.calls.clear();
  Run();
  EXPECT_EQ(platform.calls.front(), "pointer 11");
  EXPECT_EQ(Read("InstallPath"), "C:\\Tools\\Hollin");
  EXPECT_EQ(windows.calls.back(), "frmMain");
}

TEST_F(StartupTest, StoredWarnTextDecidesTheCheckBox) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"0", 1},  {"1", 0},   {"2", 0},   {"-1", 0},  {"abc", 1}, {"0.6", 0},
      {"1.4", 0}, {"1.6", 0}, {"0.5", 1}, {" 0 ", 1}, {"", 1},    {"0x", 1},
      {"1e400", 0}, {"-0.4", 1}, {"0abc", 1}};
  for (const auto& [text, checkBox] : cases) {
    windows.calls.clear();
    StoreWarn(text);
    Run();
    EXPECT_EQ(windows.calls.front(), "chkWarn " + std::to_string(checkBox)) << "Warn=" << text;
  }
}

TEST(LeadingNumber, ParsesAsMuchAsStandsThere) {
  EXPECT_EQ(LeadingNumber("  12abc"), 12);
  EXPECT_EQ(LeadingNumber("1.5e1x"), 15);
  EXPECT_EQ(LeadingNumber("2e"), 2);
  EXPECT_EQ(LeadingNumber("-.5"), -0.5);
  EXPECT_EQ(LeadingNumber("."), 0);
  EXPECT_EQ(LeadingNumber("x1"), 0);
  EXPECT_EQ(LeadingNumber("1D2"), 100);
}

}  // namespace
}  // namespace hollin
