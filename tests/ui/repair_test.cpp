// Repair on the headless backend: the detail panel and type-ahead, restoring
// the BASE for the selected types after the warning, the warning option, and
// accepting CURRENT when the base file cannot be written.
#include <gtest/gtest.h>

#include <algorithm>

#include "registry/scan.h"
#include "registry/settings.h"
#include "messages/messages.h"
#include "ui/ui_fixture.h"

namespace hollin {
namespace {

using RepairTest = test::WindowTest;

class Repair : public RepairTest {
 protected:
  void SetUp() override {
    RepairTest::SetUp();
    Start();  // records the base
    reg.LoadText(test::Data("changes.reg"), "changes");  // .txt, .bmp, .ini, .new, .own
    Start();
  }
  // HKEY_CLASSES_ROOT as text.
  std::string Classes() const {
    const std::string all = reg.ToText();
    return all.substr(0, all.find("[HKEY_LOCAL_MACHINE"));
  }
  std::string Warn() {
    SettingValue v;
    return ReadSetting(reg, "Warn", 1, v) ? std::get<std::string>(v) : "<none>";
  }
  std::string Selection() const {
    std::string s;
    for (const auto& r : main->lvwMain.Rows()) s += r.selected ? r.text + " " : "";
    return s + (main->cmdRestore.Enabled() ? "restore on" : "restore off");
  }
};

TEST_F(Repair, TheDetailPanelInEachView) {
  ASSERT_EQ(State().substr(State().find("rows")), "rows .bmp|grab .ini|(none) .new|new .own|own .txt|grab\n"
                                                  "accept on, restore off, info empty");
  struct Case {
    int view;
    const char* ext;
    bool ctrl;
    const char *panel, *selection;  // the panel as data/states.txt shows it
  };
  const Case cases[] = {
      {0, ".txt", false, "panel: change of .txt", ".txt restore on"},
      // A type the base does not know cannot stay selected.
      {0, ".new", false, "panel: change of .new", "restore off"},
      {0, ".ini", false, "panel: change of .ini", ".ini restore on"},
      {0, ".own", true, "panel: change of .own", ".ini restore on"},
      {1, ".own", false, "panel: current .own", ".own restore off"},
      {2, ".ini", false, "panel: base .ini", ".ini restore off"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ext);
    if (main->ShownView != c.view) main->optView(c.view).UserClick();
    Click(c.ext, c.ctrl);
    EXPECT_EQ(Shown(main->lblInfo.Caption()), test::Shows(c.panel));
    EXPECT_EQ(Selection(), c.selection);
  }
}

TEST_F(Repair, TypeAheadSearchesWhileKeysFollowWithinTwoSeconds) {
  double now = 1000;
  main->Clock = [&now] { return now; };
  main->optView1.UserClick();
  struct Step {
    double at;
    int key;
    const char* search;
    const char* selected;
  };
  const Step steps[] = {
      {1000.0, 't', ".t", ".txt"},     {1001.5, 'x', ".tx", ".txt"},
      {1003.5, 'b', ".b", ".bmp"},     // after a pause the search starts afresh
      {1003.6, '.', ".b", ".bmp"},     // a dot and control characters are ignored
      {1003.7, 13, ".b", ".bmp"},      {1003.8, ' ', ".b ", ".bmp"},  // a blank counts; no row: nothing moves
      {1004.0, 'z', ".b z", ".bmp"},   {1007.0, 'N', ".N", ".new"},  // letters without regard to case
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.search);
    now = s.at;
    main->UserTypes(s.key);  // the list has the focus
    EXPECT_EQ(main->SearchText, s.search);
    EXPECT_EQ(Selection(), std::string(s.selected) + " restore off");
  }
  EXPECT_FALSE(main->lvwMain.MultiSelect());
  EXPECT_EQ(main->lblInfo.Caption().substr(0, 35), "CURRENT settings for file type .NEW");

  // From another control a letter reaches the list, a blank does not; in the
  // changes view multiple selection is on again afterwards.
  main->optView0.UserClick();
  main->ActiveControl(&main->cmdAccept);
  now = 1020;
  main->UserTypes(' ');
  main->UserTypes('i');
  EXPECT_EQ(main->SearchText, ".i");
  EXPECT_EQ(Selection(), ".ini restore on");
  EXPECT_TRUE(main->lvwMain.MultiSelect());
}

TEST_F(Repair, RestoreWritesExactlyTheSelectedTypesAfterTheWarning) {
  Click(".ini");
  Click(".txt", true);
  const std::string before = Classes();
  const std::string status = main->sbrMain.PanelText();
  // Cancel, the window frame, or ticking the box and then Cancel: nothing is
  // restored; the box alone switches the warning off, stored at once.
  struct Answer {
    const char* name;
    std::function<void(ui::FrmWarning&)> act;
    std::string warn;
  };
  const Answer answers[] = {
      {"cancel", [](ui::FrmWarning& w) { w.cmdCancel.UserClick(); }, "<none>"},
      {"close box", [](ui::FrmWarning& w) { w.UserCloses(); }, "<none>"},
      {"tick, then cancel",
       [](ui::FrmWarning& w) {
         w.chkWarn.UserClick();
         w.cmdCancel.UserClick();
       },
       "0"},
  };
  for (const auto& a : answers) {
    SCOPED_TRACE(a.name);
    int shown = 0;
    backend.onModal = [&](ui::Form& f) {
      auto& w = static_cast<ui::FrmWarning&>(f);
      ++shown;
      EXPECT_EQ(w.Caption(), "Brellmark");
      EXPECT_EQ(w.lblWarning1.Caption().substr(0, 46), "You are about to modify your Windows Registry.");
      EXPECT_EQ(w.chkWarn.Value(), 0);
      a.act(w);
    };
    main->cmdRestore.UserClick();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(warning->Loaded());
    EXPECT_FALSE(main->flags.RestoreConfirmed);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(main->sbrMain.PanelText(), status);
    EXPECT_EQ(Warn(), a.warn);
  }
  EXPECT_FALSE(main->mnuOptWarn.Checked());

  // The warning is off: the restore runs at once, and writes the BASE of the
  // two selected types only (the program ID other programs added stays).
  backend.onModal = [](ui::Form&) { ADD_FAILURE() << "no warning expected"; };
  const std::string withWarn = reg.ToText();
  backend.panel.clear();
  main->mnuRestore.UserChoose();
  RegistryStore expected;
  expected.LoadText(withWarn, "before");
  expected.LoadText(test::Data("restored.reg"), "expected");
  EXPECT_EQ(reg.ToText(), expected.ToText());
  EXPECT_EQ(platform.notices, 1);
  // While it runs, the status bar keeps saying that it restores.
  EXPECT_EQ(backend.panel, (std::vector<std::string>{
                               "1 5 CHANGED item(s) - select from list to view details.",
                               "1 Restoring BASE settings to Registry...",
                               "2 Base settings restored. 3 CHANGED item(s) - select from list to view details."}));
  EXPECT_FALSE(main->flags.RestoreConfirmed);
  EXPECT_TRUE(box.shown.empty());
}

// A base whose record names a key that is not its type's own (planted in a
// file the user can write) is damaged: the window's restore writes nothing
// and offers to set the file aside, as for any damaged base.
TEST_F(Repair, ABaseThatNamesOtherKeysIsNeverWritten) {
  std::string base = test::ReadFileBytes("Prev.isd");
  const std::string own = "inifile\\shell\\open\\command\t";
  ASSERT_TRUE(Holds(base, own));
  base = test::Reseal(base.replace(base.find(own), own.size(), "CLSID\\{0C0A}\\InprocServer32\t"));
  test::WriteFileBytes("Prev.isd", base);
  Start();
  Click(".ini");
  const std::string before = reg.ToText();
  backend.onModal = [](ui::Form& f) { static_cast<ui::FrmWarning&>(f).cmdOK.UserClick(); };
  main->cmdRestore.UserClick();
  EXPECT_EQ(reg.ToText(), before);
  EXPECT_EQ(platform.notices, 0);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(Holds(box.shown[0].text, "names the key \"CLSID\\{0C0A}\\InprocServer32\""));
  EXPECT_TRUE(Holds(box.shown[0].text, "Record a new base?"));
  EXPECT_EQ(test::ReadFileBytes("Prev.isd"), base) << "No leaves the file as it is";
}

// A restore the registry refuses in part: each refused write is told, and
// Explorer hears of what was written.
TEST_F(Repair, RefusedWritesAreToldAndExplorerHearsOfWhatWasWritten) {
  // .txt now names Grab.Doc, and txtfile's own command was changed too:
  // restoring .txt takes two writes.
  const std::string changed = reg.ToText() + "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n@=\"evil.exe %1\"\n";
  const std::string advice =
      "\r\rThese types are still listed. Settings that all users share can be written only with "
      "administrator rights: start Hollin as an administrator and restore them again.";
  struct Case {
    std::vector<const char*> denied;  // keys that refuse KEY_SET_VALUE
    const char* line;
    int notices;
    const char* id;       // .txt's default afterwards
    const char* command;  // txtfile's command afterwards
  };
  const Case cases[] = {
      {{}, nullptr, 1, "txtfile", "C:\\WINDOWS\\NOTEPAD.EXE %1"},
      {{".txt"}, ".txt (its program identifier in the machine classes): error 5 (Access is denied.)", 1, "Grab.Doc",
       "C:\\WINDOWS\\NOTEPAD.EXE %1"},
      {{"txtfile\\shell\\open\\command"}, ".txt (its open command in the machine classes): error 5 (Access is denied.)",
       1, "txtfile",
       "evil.exe %1"},
      {{".txt", "txtfile\\shell\\open\\command"}, ".txt: error 5 (Access is denied.)", 0, "Grab.Doc", "evil.exe %1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line ? c.line : "none refused");
    Fresh(changed);
    Start();
    main->mnuOptWarn.UserChoose();  // no warning
    for (const char* key : c.denied) reg.DenyAccess(HKEY_CLASSES_ROOT, key, KEY_SET_VALUE);
    box.shown.clear();
    Click(".txt");
    main->cmdRestore.UserClick();
    if (c.line) {
      EXPECT_EQ(box.shown, (std::vector<MessageBoxRequest>{
                               {"The registry refused to restore 1 file type(s):\r\r" + std::string(c.line) + advice,
                                MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, "Brellmark"}}));
    } else {
      EXPECT_TRUE(box.shown.empty());
    }
    EXPECT_EQ(platform.notices, c.notices);
    EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, ".txt"), c.id);
    EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, "txtfile\\shell\\open\\command"), c.command);
    EXPECT_EQ(main->sbrMain.PanelText(), c.line ? "Not all BASE settings were restored. 5 CHANGED item(s) - select "
                                                   "from list to view details."
                                                 : "Base settings restored. 4 CHANGED item(s) - select from list to "
                                                   "view details.");
    // A type still listed stays selected, to be looked at or tried again.
    EXPECT_EQ(Selection(), c.line ? ".txt restore on" : "restore off");
  }
}

// A type whose key the user may not read: its row, panel and Details say
// so (never "(none)"), Restore writes nothing over it and says why and what
// to do, and Accept keeps its record, so that it is as recorded once the key
// may be read again.
TEST_F(Repair, AKeyThatCannotBeReadIsSaidSoNeverWrittenAndKeptByAccept) {
  const std::string key = "Software\\Classes\\.tlock";
  Fresh("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.tlock]\n@=\"Grab.1\"\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\Grab.1\\shell\\open\\command]\n@=\"g.exe %1\"\n");
  test::InFreshFolder fresh;  // a base of its own
  Start();
  reg.DenyAccess(HKEY_CURRENT_USER, key, KEY_READ);
  Start();
  EXPECT_EQ(State().substr(State().find("rows")), "rows .tlock|(cannot be read)\naccept on, restore off, info empty");
  Click(".tlock");
  const std::string panel = Shown(main->lblInfo.Caption());
  EXPECT_NE(panel.find("CURRENT default Open command: (cannot be read: HKEY_CURRENT_USER\\Software\\Classes\\.tlock "
                       "refuses your rights)"),
            std::string::npos)
      << panel;
  EXPECT_NE(panel.find("CANNOT BE READ: look at the key's permissions with the system's registry editor"),
            std::string::npos)
      << panel;
  const std::string details = msg::DetailsText(main->DetailsOf(".tlock"));
  EXPECT_NE(details.find("Change: unreadable: its key HKEY_CURRENT_USER\\Software\\Classes\\.tlock cannot be read"),
            std::string::npos)
      << details;
  EXPECT_NE(details.find("Now\r  (cannot be read)\r"), std::string::npos) << details;

  main->mnuOptWarn.UserChoose();  // no warning
  box.shown.clear();
  main->cmdRestore.UserClick();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text,
            "The registry refused to restore 1 file type(s):\r\r.tlock (its key "
            "HKEY_CURRENT_USER\\Software\\Classes\\.tlock cannot be read with your rights, nothing was written): "
            "error 5 (Access is denied.)\r\rThese types are still listed. A key that cannot be read with your rights "
            "is not written over, since what it holds is unknown: look at its permissions with the system's registry "
            "editor, then restore again.");
  main->cmdAccept.UserClick();
  reg.DenyAccess(HKEY_CURRENT_USER, key, 0);
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CURRENT_USER, key), "Grab.1") << "never written";
  Start();
  EXPECT_EQ(State().substr(State().find("rows")), "rows\naccept off, restore off, info empty");
}

// A registry that refuses to create some keys with a status of its choice.
struct RefusingRegistry : RegistryStore {
  std::function<LONG(const std::string&)> refuse = [](const std::string&) { return ERROR_SUCCESS; };
  LONG RegCreateKeyExA(HKEY k, LPCSTR p, DWORD r, LPSTR c, DWORD o, REGSAM s, const SECURITY_ATTRIBUTES* a,
                       PHKEY out, LPDWORD d) override {
    if (const LONG status = refuse(p)) return status;
    return RegistryStore::RegCreateKeyExA(k, p, r, c, o, s, a, out, d);
  }
};

// Thousands of refused writes make one short box: ten types, then how many
// more, and the advice that fits each kind of error once.
TEST_F(Repair, ManyRefusedWritesMakeAShortBoxWithFittingAdvice) {
  test::InFreshFolder fresh;  // a base of its own
  RefusingRegistry refusing;
  std::string classes = "REGEDIT4\n";
  for (int i = 0; i < 300; ++i)
    classes += "[HKEY_CLASSES_ROOT\\.t" + std::to_string(1000 + i) + "]\n@=\"tfile\"\n";
  classes += "[HKEY_CLASSES_ROOT\\tfile\\shell\\open\\command]\n@=\"t.exe %1\"\n";
  refusing.LoadText(classes, "classes");
  Start("hollin.exe", &refusing);  // a new base; then every type is taken over
  ui::FrmMain& m = *main;
  std::string hijack = "REGEDIT4\n";
  for (int i = 0; i < 300; ++i) hijack += "[HKEY_CLASSES_ROOT\\.t" + std::to_string(1000 + i) + "]\n@=\"grab\"\n";
  hijack += "[HKEY_CLASSES_ROOT\\grab\\shell\\open\\command]\n@=\"g.exe %1\"\n";
  refusing.LoadText(hijack, "hijack");
  m.mnuRefresh.UserChoose();
  m.mnuOptWarn.UserChoose();
  for (int i = 1; i <= m.lvwMain.Count(); ++i) m.lvwMain.UserClickRow(i, true);
  // A volatile parent for two types, no rights for the rest.
  refusing.refuse = [](const std::string& path) {
    const std::string_view p = path;
    return p.ends_with("\\.t1000") || p.ends_with("\\.t1001") ? ERROR_CHILD_MUST_BE_VOLATILE : ERROR_ACCESS_DENIED;
  };
  box.shown.clear();
  m.cmdRestore.UserClick();
  ASSERT_EQ(box.shown.size(), 1u);
  const std::string& text = box.shown[0].text;
  EXPECT_EQ(text.rfind("The registry refused to restore 300 file type(s):\r\r.t1000 (its program identifier in the "
                       "machine classes): error 1021\r.t1001 (its program identifier in the machine classes): error "
                       "1021\r.t1002",
                       0),
            0u)
      << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 1 + 10 + 1 + 2) << text;
  EXPECT_TRUE(Holds(text, "\r.t1009 (its program identifier in the machine classes): error 5 (Access is denied.)\r... and "
                          "290 more.\r\r"));
  EXPECT_TRUE(Holds(text, "administrator rights"));
  EXPECT_TRUE(Holds(text, "(a volatile key)"));
  EXPECT_EQ(platform.notices, 0);
}

TEST_F(Repair, TheWarningOptionFollowsTheDialogAndTheMenu) {
  // Start-up with warnings off: Main ticks the dialog's box before the main
  // window loads, and the menu's check mark stays off when it has loaded.
  main->mnuOptWarn.UserChoose();
  ASSERT_EQ(Warn(), "0");
  main.reset();
  warning = std::make_unique<ui::FrmWarning>(backend, reg);
  main = std::make_unique<ui::FrmMain>(backend, g, reg, platform, box, *status, *warning);
  warning->Load();
  warning->chkWarn.Value(1);
  main->Load();
  EXPECT_FALSE(main->mnuOptWarn.Checked());
  EXPECT_EQ(Warn(), "0");
  main->mnuOptWarn.UserChoose();
  // Tick and clear again, then OK: the restore runs, the warning stays on.
  Click(".txt");
  backend.onModal = [](ui::Form& f) {
    auto& w = static_cast<ui::FrmWarning&>(f);
    w.chkWarn.UserClick();
    w.chkWarn.UserClick();
    w.cmdOK.UserClick();
  };
  main->cmdRestore.UserClick();
  EXPECT_EQ(Warn(), "1");
  EXPECT_TRUE(main->mnuOptWarn.Checked());
  EXPECT_EQ(main->sbrMain.PanelText().substr(0, 24), "Base settings restored. ");
  // The menu twice: off, then on again, stored each time; the dialog's box
  // follows and is clear again when the dialog next shows.
  const std::pair<bool, const char*> menu[] = {{false, "0"}, {true, "1"}};
  for (const auto& [checked, stored] : menu) {
    main->mnuOptWarn.UserChoose();
    EXPECT_EQ(main->mnuOptWarn.Checked(), checked);
    EXPECT_EQ(warning->chkWarn.Value(), checked ? 0 : 1);
    EXPECT_EQ(Warn(), stored);
  }
}

#ifndef _WIN32
// The window then shows the changes as they were listed, with no step's
// progress text in the status bar.
TEST_F(Repair, AnAcceptThatCannotWriteTheBaseLeavesItAndGoesOn) {
  const std::string base = test::ReadFileBytes("Prev.isd"), listed = State();
  OnAFullDisk([this] { main->cmdAccept.UserClick(); });
  EXPECT_EQ(State(), listed);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(Holds(box.shown[0].text, "Prev.isd"));
  EXPECT_TRUE(Holds(box.shown[0].text, "The base file was left as it was."));
  EXPECT_EQ(test::ReadFileBytes("Prev.isd"), base);
  EXPECT_FALSE(main->flags.BaseUpdated);
  EXPECT_EQ(platform.pointer, MousePointer::Default);
  // The disk has room again: the accept goes through.
  main->mnuAccept.UserChoose();
  EXPECT_EQ(main->sbrMain.PanelText(), "Updated BASE created. No changed entries found.");
}
#endif

}  // namespace
}  // namespace hollin
