// The layers behind each type on the headless window: what opens a type in
// each combination of machine classes, user classes and Explorer's choice,
// what a check reports after a change in each layer, and what a restore
// writes (never Explorer's choice).
#include <gtest/gtest.h>

#include <sstream>

#include "compare/always_restore.h"
#include "messages/messages.h"
#include "registry/layers.h"
#include "registry/merged_class_root.h"
#include "support/fake_file_facts.h"
#include "ui/frm_details.h"
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
  void Start(const std::string& commandLine = "hollin.exe") {
    merged = std::make_unique<MergedClassRoot>(reg);
    WindowTest::Start(commandLine, merged.get());
  }
  // A start that records a new base of layers.reg and more.
  void StartAfresh(const std::string& more = "") {
    Fresh(test::Data("layers.reg"));
    if (!more.empty()) reg.LoadText(more, "more");
    std::filesystem::remove("Prev.isd");
    Start();
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

// The guard's "Always restore" set is chosen in the window, for the
// selected types; the menu item shows whether a type is in it.
TEST_F(Layers, AlwaysRestoreIsChosenForTheSelectedTypes) {
  Start();
  main->optView1.UserClick();
  Click(".m");
  EXPECT_FALSE(main->mnuOptAlways.Checked());
  main->mnuOptAlways.UserChoose();
  EXPECT_EQ(ReadAlwaysRestore(reg), std::vector<std::string>{".m"});
  Click(".u");
  EXPECT_FALSE(main->mnuOptAlways.Checked());
  main->mnuOptAlways.UserChoose();
  Click(".m");
  EXPECT_TRUE(main->mnuOptAlways.Checked());
  main->mnuOptAlways.UserChoose();
  EXPECT_EQ(ReadAlwaysRestore(reg), std::vector<std::string>{".u"});
  EXPECT_FALSE(main->mnuOptAlways.Checked());

  // An administrator's text names what it lists, and the window's next
  // choice keeps it all; a value that holds no names (a number) is neither
  // read nor written over.
  const std::string key = "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Nordane\\Hollin]\n\"AlwaysRestore\"=";
  reg.LoadText(key + "\" .m; .u,\"\n", "administrator");
  EXPECT_EQ(ReadAlwaysRestore(reg), (std::vector<std::string>{".m", ".u"}));
  Click(".m");
  EXPECT_TRUE(main->mnuOptAlways.Checked());
  Click(".a");
  main->mnuOptAlways.UserChoose();
  EXPECT_EQ(ReadAlwaysRestore(reg), (std::vector<std::string>{".m", ".u", ".a"}));
  reg.LoadText(key + "dword:00000001\n", "a number");
  const std::string before = reg.ToText();
  box.shown.clear();
  main->mnuOptAlways.UserChoose();
  EXPECT_EQ(reg.ToText(), before);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(Holds(box.shown[0].text, "holds no list of file types (it is a number or bytes), so it is left as it is"));
}

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
  EXPECT_TRUE(Holds(Rows(), ".p|Photo Viewer"));
  EXPECT_EQ(main->lvwMain.Count(), 7);  // no change: the identifier is what is compared
}

// Windows ignores an Explorer's choice whose hash does not verify: where the
// system names another program for the type, that one opens it and the
// panel says so (Wine cannot tell: there the layers decide). The choice set
// aside is recorded all the same, and where it changes (a program wrote a
// choice Windows refuses) that is a change, told with its state, though
// what opens the type is the same; a restore leaves it to Windows.
TEST_F(Layers, AChoiceWindowsDoesNotHonourCountsAsNoneAndIsCompared) {
  Start();  // the base, with the choice honoured
  platform.opens[".p"] = {"mfile", "C:\\M\\m.exe %1"};
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(Rows(), ".p|m");
  main->lblInfo.Height(main->lblInfo.Height() * 3);  // room for every fact
  Click(".p");
  EXPECT_TRUE(Holds(main->lblInfo.Caption(), "\rNOT HONOURED: Explorer's choice AppXv1ewer (Windows does not use it"));
  main->cmdAccept.UserClick();
  EXPECT_TRUE(Holds(test::ReadFileBytes("Prev.isd"), "\tAppXv1ewer\n")) << "recorded as set aside";
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(main->lvwMain.Count(), 0) << "the same choice set aside is no change";

  // Another program writes a choice that Windows does not honour either.
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.p\\"
               "UserChoice]\n\"ProgId\"=\"Grab.Doc\"\n",
               "takeover");
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(Rows(), ".p|m") << "a change, though m opens it still";
  Click(".p");
  const std::string panel = main->lblInfo.Caption();
  EXPECT_EQ(panel.rfind("CHANGE for file type .P - ", 0), 0u) << panel;
  EXPECT_TRUE(Holds(panel, "\rNOT HONOURED: Explorer's choice Grab.Doc (Windows does not use it: its hash does not "
                           "verify, or Windows reset it); in the base: AppXv1ewer"));
  ui::FrmDetails details(backend);
  main->frmDetails = &details;
  std::string facts;
  backend.onModal = [&](ui::Form&) { facts = details.txtFacts.Caption(); };
  main->mnuDetails.UserChoose();
  backend.onModal = nullptr;
  for (const char* fact : {"Change: changed: Explorer's choice that Windows does not honour changed; what opens it now "
                           "is the same",
                           "In the base\r", "  Not honoured: Explorer's choice AppXv1ewer\r\rNow\r",
                           "  Not honoured: Explorer's choice Grab.Doc\r"})
    EXPECT_TRUE(Holds(facts, fact));

  // A restore writes no choice: it names the type as Windows' to set back.
  const std::string before = Registry();
  main->mnuOptWarn.UserChoose();  // no warning
  Click(".p");
  box.shown.clear();
  main->cmdRestore.UserClick();
  EXPECT_EQ(Registry(), before);
  EXPECT_EQ(platform.pages.size(), 1u) << "Windows' Default apps page, where only Windows sets a choice";
  EXPECT_EQ(Rows(), ".p|m") << "still changed";

  // Honoured again: a change of what opens it.
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.p\\"
               "UserChoice]\n\"ProgId\"=\"AppXv1ewer\"\n",
               "back");
  platform.opens[".p"] = {"AppXv1ewer", ""};
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(Rows(), ".p|Vendor.Viewer");
}

// A type whose verb that runs is not open: the panel names that verb and
// assesses what it runs now, not the untouched open command. (Which verb
// runs, and its signals, are the scan's and the assessment's to show.)
TEST_F(Layers, ThePanelNamesAndAssessesTheVerbThatRuns) {
  const std::string m = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\";
  Fresh("REGEDIT4\n" + m + ".grb]\n@=\"grbfile\"\n" + m + "grbfile\\shell]\n@=\"grab\"\n" + m +
        "grbfile\\shell\\open\\command]\n@=\"C:\\\\Windows\\\\notepad.exe %1\"\n" + m +
        "grbfile\\shell\\grab\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n");
  test::FakeFileFacts files;
  files.Add("C:\\Windows\\notepad.exe");
  facts = &files;
  Start();  // the base
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\grbfile\\shell\\grab\\command]\n"
               "@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
               "takeover");
  Start();
  Click(".grb");
  const std::string panel = main->lblInfo.Caption();
  EXPECT_TRUE(Holds(panel, "RUNS: C:\\zq\\nothere.exe"));
  EXPECT_TRUE(Holds(panel, "missing (no such file)"));
  EXPECT_TRUE(Holds(panel, "verb \"grab\""));
  EXPECT_FALSE(Holds(panel, "RUNS: C:\\Windows\\notepad.exe"));
  facts = nullptr;
}

// One change at a time after the base was recorded: what the check lists,
// then what a restore of the listed type writes.
TEST_F(Layers, EachLayersChangeIsListedAndRestoredWhereItWasMade) {
  const auto changes = test::Sections(test::Data("layer_changes.txt"));
  ASSERT_EQ(changes.size(), 8u);
  for (const auto& [header, change] : changes) {
    SCOPED_TRACE(header);
    std::string rows, restored, choice;  // as data/layer_changes.txt names them
    std::istringstream(header) >> rows >> restored >> choice;
    StartAfresh();  // the base
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
    platform.pages.clear();
    main->cmdRestore.UserClick();
    if (restored == "restored") {
      EXPECT_EQ(Registry(), before);
    }
    EXPECT_EQ(platform.pages.size(), choice == "-" ? 0u : 1u);
    if (choice != "-") {
      // Nothing was written: Explorer's choice stays as the other program
      // left it, and the user is told which program the base recorded.
      EXPECT_EQ(Registry(), changed);
      ASSERT_EQ(box.shown.size(), 1u);
      EXPECT_TRUE(Holds(box.shown[0].text, "Windows protects that choice"));
      EXPECT_TRUE(Holds(box.shown[0].text, "\r" + choice + ": "));
      EXPECT_EQ(main->sbrMain.PanelText().rfind("Not all BASE settings were restored.", 0), 0u);
    }
  }
}

// A user-classes identifier the base did not have is deleted, so that the
// machine classes decide again; the changed Explorer's choice is left to
// Windows' page, in the same restore.
TEST_F(Layers, ARestoreDeletesWhatTheBaseDidNotHave) {
  Start();
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.m]\n@=\"ufile\"\n[HKEY_CURRENT_USER\\Software\\"
               "Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.m\\UserChoice]\n\"ProgId\"=\"ufile\"\n",
               "takeover");
  Start();
  ASSERT_EQ(Rows(), ".m|u");
  main->mnuOptWarn.UserChoose();
  main->lvwMain.UserClickRow(1);
  box.shown.clear();
  main->cmdRestore.UserClick();
  // The user classes' key is left without any value, not with an empty one.
  EXPECT_TRUE(Holds(Registry(), "[HKEY_CURRENT_USER\\Software\\Classes\\.m]\r\n\r\n"));
  EXPECT_EQ(platform.notices, 1);
  EXPECT_EQ(platform.pages, std::vector<std::string>{"ms-settings:defaultapps"});
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(Holds(box.shown[0].text, "\r.m: m\r"));
}

// The page a restore of a changed Explorer's choice opens: that of the
// program the base recorded, by where it is registered; the page of all
// apps where the page cannot show it.
TEST_F(Layers, TheDefaultAppsPageOpensAtTheRecordedProgramWhereWindowsKnowsIt) {
  const std::string kUserApps = "[HKEY_CURRENT_USER\\Software\\RegisteredApplications]\n";
  const std::string kMachineApps = "[HKEY_LOCAL_MACHINE\\Software\\RegisteredApplications]\n";
  const std::string kChoice = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  struct Case {
    const char* what;
    std::string registration;  // beside the change of Explorer's choice
    const char* ext;           // .u was opened by ufile, .p by a packaged app
    const char* uri;
  } cases[] = {
      {"registered per user", kUserApps + "\"U Viewer\"=\"Software\\\\U\\\\Capabilities\"\n"
           "[HKEY_CURRENT_USER\\Software\\U\\Capabilities\\FileAssociations]\n\".u\"=\"ufile\"\n",
       ".u", "ms-settings:defaultapps?registeredAppUser=U%20Viewer"},
      {"registered per machine, in other letter case", kMachineApps + "\"Ü+Tool\"=\"Software\\\\M\\\\Capabilities\"\n"
           "[HKEY_LOCAL_MACHINE\\Software\\M\\Capabilities\\FileAssociations]\n\".U\"=\"UFILE\"\n",
       ".u", "ms-settings:defaultapps?registeredAppMachine=%C3%9C%2BTool"},
      {"per user over per machine", kMachineApps + "\"M\"=\"Software\\\\M\"\n[HKEY_LOCAL_MACHINE\\Software\\M\\"
           "FileAssociations]\n\".u\"=\"ufile\"\n" + kUserApps + "\"U\"=\"Software\\\\U\"\n[HKEY_CURRENT_USER\\"
           "Software\\U\\FileAssociations]\n\".u\"=\"ufile\"\n",
       ".u", "ms-settings:defaultapps?registeredAppUser=U"},
      {"a packaged app", "", ".p", "ms-settings:defaultapps?registeredAUMID=Vendor.Viewer_8abc%21App"},
      {"registered for other identifiers or types only", kUserApps + "\"Other\"=\"Software\\\\O\"\n\"Broken\"="
           "\"Software\\\\Nowhere\"\n\"Number\"=dword:00000001\n[HKEY_CURRENT_USER\\Software\\O\\FileAssociations]\n"
           "\".u\"=\"otherfile\"\n\".p\"=\"ufile\"\n",
       ".u", "ms-settings:defaultapps"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();  // the base
    reg.LoadText("REGEDIT4\n" + c.registration + kChoice + c.ext + "\\UserChoice]\n\"ProgId\"=\"" +
                     (std::string(c.ext) == ".u" ? "mfile" : "ufile") + "\"\n",
                 "change");
    Start();
    main->mnuOptWarn.UserChoose();
    Click(c.ext);
    box.shown.clear();
    main->cmdRestore.UserClick();
    EXPECT_EQ(platform.pages, std::vector<std::string>{c.uri});
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(std::string(c.uri).find('?') == std::string::npos
                                         ? "Default apps page opens now: there, look up each type"
                                         : "Default apps page of the recorded program opens now"),
              std::string::npos)
        << box.shown[0].text;
  }
}

// Several types whose Explorer's choice changed: one page and one box that
// names each type with its recorded program and says what to do; a page
// that was refused or is not there is told as such.
TEST_F(Layers, OnePageAndOneBoxForAllTypesWhateverBecomesOfThePage) {
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RegisteredApplications]\n\"U\"=\"Software\\\\U\"\n"
               "[HKEY_CURRENT_USER\\Software\\U\\FileAssociations]\n\".u\"=\"ufile\"\n",
               "registered");
  Start();  // the base
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.u\\"
               "UserChoice]\n\"ProgId\"=\"mfile\"\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
               "Explorer\\FileExts\\.p\\UserChoice]\n\"ProgId\"=\"ufile\"\n",
               "choices");
  const std::string list =
      "Explorer's choice of the program for 2 file type(s) is not the one your base recorded. Windows protects that "
      "choice, so Hollin does not write it.\r\r.p: Vendor.Viewer\r.u: u\r\r";
  const std::string then = "Refresh (F5) then shows whether it took.";
  const std::string where = "). In Settings > Apps > Default apps, choose the program named beside each type listed. ";
  const struct {
    long status;
    std::string text;
  } outcomes[] = {
      {0, list + "Windows' Default apps page opens now: there, look up each type listed and choose the program "
                 "named beside it. " + then},
      {1223, list + "Windows did not open its Default apps page: it was cancelled or refused (error 1223" + where +
                 then},
      {5, list + "Windows did not open its Default apps page: it was cancelled or refused (error 5: Access is "
                 "denied." + where + then},
      {1155, list + "Windows' Default apps page is not there to open (error 1155" + where + then},
  };
  for (const auto& o : outcomes) {
    SCOPED_TRACE(o.status);
    Start();
    ASSERT_EQ(Rows(), ".p|u .u|m");
    main->mnuOptWarn.UserChoose();
    Click(".p");
    Click(".u", true);
    platform.pageStatus = o.status;
    box.shown.clear();
    main->cmdRestore.UserClick();
    // The two were recorded with different programs: the page of all apps.
    EXPECT_EQ(platform.pages, std::vector<std::string>{"ms-settings:defaultapps"});
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, o.text);
    EXPECT_EQ(box.shown[0].icon, o.status == 0 ? MbIcon::Information : MbIcon::Exclamation);
  }
}

// A change in a layer that does not decide today is latent: listed with the
// word in the signals column, counted apart after the status, told in the
// panel with the layer that would take over, never a reason to come up from
// a quiet start, and Accept stays on. (That a restore puts each kind back
// and an accept records it is the command line's table's, and the window's
// restore of a layer is the layer changes' table's.)
TEST_F(Layers, ALatentChangeIsListedCountedApartAndTold) {
  const std::string machine = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\";
  const std::string link = "REGEDIT4\n" + machine + "http]\n\"URL Protocol\"=\"\"\n" + machine +
                           "http\\shell\\open\\command]\n@=\"web.exe %1\"\n" + machine +
                           "Grab.Url\\shell\\open\\command]\n@=\"grab.exe %1\"\n[HKEY_CURRENT_USER\\" +
                           kUrlAssociationsPath + "\\http\\UserChoice]\n\"ProgId\"=\"Grab.Url\"\n" + machine +
                           ".c]\n@=\"cfile\"\n" + machine + "cfile\\shell\\open\\command]\n@=\"C:\\\\C\\\\c.exe %1\"\n" +
                           "[HKEY_CURRENT_USER\\" + kFileExtsPath + "\\.c\\UserChoice]\n\"ProgId\"=\"Grab.Url\"\n";
  struct Case {
    const char* name;
    std::string change, row, latent;
  } const cases[] = {
      {"a link's command in the user classes under Explorer's choice",
       "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\http\\shell\\open\\command]\n@=\"evil.exe %1\"\n",
       "http:|grab|latent", "LATENT: the user classes changed; they take over should Explorer's choice go"},
      {"the machine classes under the user classes", "REGEDIT4\n" + machine + ".u]\n@=\"evil\"\n", ".u|u|latent",
       "LATENT: the machine classes changed; they take over should user classes go"},
      {"the command of a type's identifier in the machine classes under Explorer's choice",
       "REGEDIT4\n" + machine + "cfile\\shell\\open\\command]\n@=\"evil.exe %1\"\n", ".c|grab|latent",
       "LATENT: the machine classes changed; they take over should Explorer's choice go"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAfresh(link);  // the base
    reg.LoadText(c.change, "change");
    Start("hollin.exe -h");
    EXPECT_FALSE(main->Visible()) << "a latent change alone brings up no window";
    Start();
    ASSERT_EQ(main->lvwMain.Count(), 1);
    const auto& row = main->lvwMain.Rows()[0];
    EXPECT_EQ(row.text + "|" + row.sub + "|" + row.signals, c.row);
    EXPECT_EQ(main->sbrMain.PanelText(),
              "OK! No changed entries found. 1 latent change(s) - in a layer that does not decide now.");
    EXPECT_TRUE(main->cmdAccept.Enabled());
    main->lvwMain.UserClickRow(1);
    const std::string& panel = main->lblInfo.Caption();
    EXPECT_EQ(panel.substr(0, panel.find("\r\rLATENT: ")), msg::ChangePanel(msg::EntryName(row.text),
              g.CurrentEntries->Lookup(msg::EntryName(row.text)), g.BaseEntries->Lookup(msg::EntryName(row.text))));
    EXPECT_TRUE(Holds(panel, "\r\r" + c.latent + "\r")) << Shown(panel);
  }
}

}  // namespace
}  // namespace hollin
