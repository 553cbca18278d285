// The layers behind each type on the headless window: what opens a type in
// each combination of machine classes, user classes and Explorer's choice,
// what a check reports after a change in each layer, and what a restore
// writes (never Explorer's choice).
#include <gtest/gtest.h>

#include <sstream>

#include "registry/merged_class_root.h"
#include "ui/ui_fixture.h"

namespace hollin {
namespace {

class Layers : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Fresh(test::Data("layers.reg"));
  }
  // Each start sees the class root as Windows shows it.
  void Start() {
    merged = std::make_unique<MergedClassRoot>(reg);
    WindowTest::Start("hollin.exe", merged.get());
  }
  std::unique_ptr<MergedClassRoot> merged;
  std::string Rows() const {
    std::string s;
    for (const auto& r : main->lvwMain.Rows()) s += (s.empty() ? "" : " ") + r.text + "|" + r.sub;
    return s;
  }
  // The registry without the program's own settings key.
  std::string Registry() const {
    std::string all = reg.ToText();
    const size_t name = all.find("\\Nordane\\Hollin]");
    if (name != std::string::npos) {
      const size_t at = all.rfind('[', name);
      all.erase(at, all.find("\r\n\r\n", at) + 4 - at);
    }
    return all;
  }
};

TEST_F(Layers, WhatOpensEachTypeAndWhichLayerDecides) {
  platform.indirect.clear();
  Start();  // the base
  main->optView1.UserClick();  // all CURRENT settings
  EXPECT_EQ(Rows(),
            ".a|ed .g|Gone.Doc (not registered) .l|u .m|m .n|Bare.Doc (no open command) .p|Vendor.Viewer .u|u");
  // The panel names the program, the layer that decides, and each layer.
  for (const char* ext : {".m", ".u", ".p", ".l"}) {
    Click(ext);
    EXPECT_EQ(Shown(main->lblInfo.Caption()), test::Shows(std::string("panel: layers, ") + ext));
  }
  // Where the system resolves the app's name, that name is shown.
  platform.indirect["@{Vendor.Viewer_1.0.0.0_x64__8abc?ms-resource://Vendor.Viewer/Resources/Name}"] = "Photo Viewer";
  main->mnuRefresh.UserChoose();
  main->optView1.UserClick();
  EXPECT_NE(Rows().find(".p|Photo Viewer"), std::string::npos) << Rows();
  EXPECT_EQ(main->lvwMain.Count(), 7);  // no change: the identifier is what is compared
}

// Windows ignores an Explorer's choice whose hash does not verify: where the
// system names another program for the type, that one opens it, the panel
// says so, and the ignored choice is not recorded (Wine cannot tell: there
// the layers decide).
TEST_F(Layers, AChoiceWindowsDoesNotHonourCountsAsNone) {
  Start();  // the base, with the choice honoured
  platform.opens[".p"] = {"mfile", "C:\\M\\m.exe %1"};
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(Rows(), ".p|m");
  Click(".p");
  EXPECT_NE(main->lblInfo.Caption().find("\rNOT HONOURED: Explorer's choice AppXv1ewer (Windows does not use it"),
            std::string::npos)
      << main->lblInfo.Caption();
  main->cmdAccept.UserClick();
  EXPECT_EQ(test::ReadFileBytes("Prev.isd").find("AppXv1ewer"), std::string::npos);
  platform.opens[".p"] = {"AppXv1ewer", ""};  // honoured again: a change of what opens it
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(Rows(), ".p|Vendor.Viewer");
}

// One change at a time after the base was recorded: what the check lists,
// then what a restore of the listed type writes.
TEST_F(Layers, EachLayersChangeIsListedAndRestoredWhereItWasMade) {
  const auto changes = test::Sections(test::Data("layer_changes.txt"));
  ASSERT_EQ(changes.size(), 8u);
  for (const auto& [header, change] : changes) {
    SCOPED_TRACE(header);
    std::string rows, restored, chooser;  // as data/layer_changes.txt names them
    std::istringstream(header) >> rows >> restored >> chooser;
    Fresh(test::Data("layers.reg"));
    std::filesystem::remove("Prev.isd");
    Start();  // the base
    const std::string before = Registry();
    reg.LoadText("REGEDIT4\n" + change + "\n", "change");
    const std::string changed = Registry();
    Start();
    EXPECT_EQ(Rows(), rows == "-" ? "" : rows);
    if (main->lvwMain.Count() == 0) continue;
    if (rows == ".p|u") {  // the panel: what opens it now and before, each layer once or as it changed
      main->lvwMain.UserClickRow(1);
      EXPECT_EQ(Shown(main->lblInfo.Caption()), test::Shows("panel: layers changed, .p"));
    }
    main->mnuOptWarn.UserChoose();  // no warning
    for (int i = 1; i <= main->lvwMain.Count(); ++i)
      if (!main->lvwMain.Selected(i)) main->lvwMain.UserClickRow(i, true);
    box.shown.clear();
    platform.choosers.clear();
    main->cmdRestore.UserClick();
    if (restored == "restored") {
      EXPECT_EQ(Registry(), before);
    }
    EXPECT_EQ(platform.choosers, chooser == "-" ? std::vector<std::string>{} : std::vector<std::string>{chooser});
    if (chooser != "-") {
      // Nothing was written: Explorer's choice stays as the other program
      // left it, and the user is told which program the base recorded.
      EXPECT_EQ(Registry(), changed);
      ASSERT_EQ(box.shown.size(), 1u);
      EXPECT_NE(box.shown[0].text.find("Windows protects that choice"), std::string::npos);
      EXPECT_EQ(main->sbrMain.PanelText().rfind("Not all BASE settings were restored.", 0), 0u);
    }
  }
}

// A user-classes identifier the base did not have is deleted, so that the
// machine classes decide again; where the system's chooser cannot be
// opened for a changed Explorer's choice, the user is told where to choose.
TEST_F(Layers, ARestoreDeletesWhatTheBaseDidNotHaveAndNamesTheSettingsPageWithoutTheChooser) {
  Start();
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.m]\n@=\"ufile\"\n[HKEY_CURRENT_USER\\Software\\"
               "Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.m\\UserChoice]\n\"ProgId\"=\"ufile\"\n",
               "takeover");
  Start();
  ASSERT_EQ(Rows(), ".m|u");
  main->mnuOptWarn.UserChoose();
  main->lvwMain.UserClickRow(1);
  platform.chooserOpens = false;
  box.shown.clear();
  main->cmdRestore.UserClick();
  // The user classes' key is left without any value, not with an empty one.
  EXPECT_NE(Registry().find("[HKEY_CURRENT_USER\\Software\\Classes\\.m]\r\n\r\n"), std::string::npos) << Registry();
  EXPECT_EQ(platform.notices, 1);
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_NE(box.shown[0].text.find("\r.m: m\r"), std::string::npos) << box.shown[0].text;
  EXPECT_EQ(box.shown[1].text,
            "Windows' chooser could not be opened for .m. Choose the program for these types in Settings > Apps > "
            "Default apps.");
}

}  // namespace
}  // namespace hollin
