// The main window and the status window on the headless backend: the check
// cycle, the views and sorting, closing, the quiet start and errors, each
// compared as the whole state a user would see.
#include <gtest/gtest.h>

#include <filesystem>

#include "compare/changed_when.h"
#include "support/fake_file_facts.h"
#include "base/base_location.h"
#include "base/base_store.h"
#include "common/base_turn.h"
#include "common/file_system.h"
#include "compare/check.h"
#include "messages/messages.h"
#include "cli/command_run.h"
#include "ui/frm_details.h"
#include "ui/ui_fixture.h"

namespace hollin {
namespace {

using ui::FrmMain;
using ui::FrmStatus;
using test::FakePlatform;
using FrmMainTest = test::WindowTest;

TEST_F(FrmMainTest, ChecksFromFirstRunToAHijackAndBack) {
  Start();
  EXPECT_EQ(State(), test::Shows("first run"));
  EXPECT_EQ(backend.panel, (std::vector<std::string>{
                               "1 Reading CURRENT entries...",
                               "1 Building new BASE record from CURRENT entries...",
                               "1 Reading BASE entries...", "0 New BASE record created."}));
  EXPECT_EQ(platform.pointer, MousePointer::Default);

  Start();
  EXPECT_EQ(State(), test::Shows("no changes"));
  Hijack(".txt", "C:\\\\Other\\\\grabber.exe \\\"%1\\\"");
  main->mnuRefresh.UserChoose();  // F5
  EXPECT_EQ(State(), test::Shows("a change"));
  // Accepting records CURRENT: the next check finds nothing.
  main->cmdAccept.UserClick();
  EXPECT_EQ(State(), test::Shows("accepted"));
  Start();
  EXPECT_EQ(main->lvwMain.Count(), 0);
  EXPECT_TRUE(box.shown.empty());

  // A restore, in full and refused in part; each action goes to the log.
  Hijack(".txt", "C:\\\\Other\\\\grabber.exe");
  Hijack(".bmp", "C:\\\\Other\\\\grabber.exe");
  main->mnuOptWarn.UserChoose();  // no warning
  main->mnuRefresh.UserChoose();
  Click(".txt");
  main->cmdRestore.UserClick();
  reg.DenyAccess(HKEY_CLASSES_ROOT, ".bmp", KEY_SET_VALUE);
  Click(".bmp");
  main->cmdRestore.UserClick();
  EXPECT_EQ(actions, (std::vector<std::string>{
                         "3 First run in the window: no base was recorded yet; the current settings of 3 file "
                         "types are the base now.",
                         "2 Accepted in the window: the current settings of 3 file types are the base now.",
                         "0 Restored in the window:\n.txt: restored.",
                         "1 Restored in the window:\n.bmp: the registry refused to write its program identifier in "
                         "the machine classes (error 5)."}));
}

// The risk signals of a changed type's new program: its words beside the
// program in the list, a line each in the panel; and the health check,
// which lists every type whose program shows one that counts.
TEST_F(FrmMainTest, RiskSignalsInTheListThePanelAndTheHealthCheck) {
  test::FakeFileFacts files;
  files.Add("C:\\WINDOWS\\NOTEPAD.EXE", IFileFacts::Trust::Signed, "Sample Systems");
  files.Add("C:\\Program Files\\Paint\\zpaint.exe", IFileFacts::Trust::Signed, "Sample Paint Ltd");
  facts = &files;
  Start();
  Hijack(".txt", "%TEMP%\\\\grabber.exe \\\"%1\\\"");
  files.Add("C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe", IFileFacts::Trust::Unsigned, "", "Grab, Inc.", "Grabber");
  reg.SetLastWriteTime(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", 1796712840);  // the key that changed
  main->mnuRefresh.UserChoose();
  ASSERT_EQ(main->lvwMain.Count(), 1);
  // The program's name as it is, the signals in a column of their own.
  EXPECT_EQ(main->lvwMain.Rows()[0].sub, "grabber");
  EXPECT_EQ(main->lvwMain.Rows()[0].signals, "unsigned user-folder");
  ASSERT_EQ(main->lvwMain.Columns().size(), 3u);
  EXPECT_EQ(main->lvwMain.Columns()[2].caption, "Signals");
  Click(".txt");
  // The panel's own text whole and first, the facts after an empty line, as
  // far as they fit above the title block.
  EXPECT_EQ(main->lblInfo.Caption(),
            "CHANGE for file type .TXT - \r\rCURRENT default Open command:\r%TEMP%\\grabber.exe \"%1\"\r\r"
            "BASE (previous) default Open command:\rC:\\WINDOWS\\NOTEPAD.EXE %1\r\r"
            "RUNS: C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe\r"
            "FROM: Grab, Inc., Grabber")
      << Shown(main->lblInfo.Caption());
  // A panel of more room shows the rest, in order.
  main->lblInfo.Height(main->lblInfo.Height() * 3);
  Click(".txt");
  EXPECT_EQ(main->lblInfo.Caption().substr(main->lblInfo.Caption().find("\r\rRUNS: ")),
            "\r\rRUNS: C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe\r"
            "FROM: Grab, Inc., Grabber\r"
            "SIGNALS: unsigned; in a user folder (C:\\Users\\ada\\AppData\\Local\\Temp)\r"
            "NOW: grabber (machine classes)\rWAS: NOTEPAD (machine classes)\r"
            "LAYERS: choice -, user -, machine txtfile -> Hijack.Doc\r"
            "KEY WRITTEN: " + LocalMinute(1796712840))
      << Shown(main->lblInfo.Caption());

  main->mnuHealth.UserChoose();
  EXPECT_EQ(main->ShownView, 4);
  EXPECT_TRUE(main->mnuHealth.Checked());
  EXPECT_FALSE(main->optView0.Value());
  ASSERT_EQ(main->lvwMain.Count(), 1);  // notepad and zpaint are signed and where they belong
  EXPECT_EQ(main->lvwMain.Rows()[0].text + "|" + main->lvwMain.Rows()[0].sub + "|" + main->lvwMain.Rows()[0].signals,
            ".txt|grabber|unsigned user-folder");
  EXPECT_EQ(main->sbrMain.PanelText(), "1 file type(s) with risk signals - select from list to view details.");
  Click(".txt");
  EXPECT_TRUE(Holds(main->lblInfo.Caption(), "\r\rRUNS: C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe\r"))
      << Shown(main->lblInfo.Caption());
  // Back to the changes, which the view chooser shows again.
  main->optView0.UserClick();
  EXPECT_EQ(main->ShownView, 0);
  EXPECT_FALSE(main->mnuHealth.Checked());
  EXPECT_EQ(main->lvwMain.Count(), 1);
}

// The history view: the bases that accepts replaced, newest first, with
// what each next base changed; Restore on one asks, makes it the base again
// and brings back the whole registry as it was then, keeping the base it
// replaced as generation 1.
// A generation whose next base changed many types: its panel cuts the
// names short with "..." and keeps the lines after them in the panel.
TEST_F(FrmMainTest, AHistoryPanelOfManyChangesFitsAndSaysItIsCut) {
  Start();
  std::string many = "REGEDIT4\n";
  for (int i = 0; i < 300; ++i) many += "[HKEY_CLASSES_ROOT\\.t" + std::to_string(i) + "]\n@=\"txtfile\"\n";
  reg.LoadText(many, "many");
  main->mnuRefresh.UserChoose();
  main->cmdAccept.UserClick();
  main->mnuHistory.UserChoose();
  Click("1");
  const std::string panel = main->lblInfo.Caption();
  EXPECT_LE(backend.TextHeight(panel, main->lblInfo.Font(), main->lblInfo.Width()), main->lblInfo.Height()) << Shown(panel);
  EXPECT_TRUE(Holds(panel, "\rTHE NEXT BASE: new .t0 .t1 ")) << Shown(panel);
  EXPECT_TRUE(Holds(panel, " ...\rRestore makes it the base again")) << Shown(panel);
}

TEST_F(FrmMainTest, HistoryViewRestoresFromAnEarlierBase) {
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\Hijack.Doc\\shell\\open\\command]\n@=\"grab.exe %1\"\n", "class");
  Start();
  main->mnuOptWarn.UserChoose();  // no warning
  const std::string before = reg.ToText();
  for (const char* ext : {".txt", ".bmp", ".ini"}) {
    Hijack(ext, "grab.exe %1");
    main->mnuRefresh.UserChoose();
    main->cmdAccept.UserClick();
  }
  main->mnuHistory.UserChoose();
  EXPECT_EQ(main->ShownView, 5);
  EXPECT_TRUE(main->mnuHistory.Checked());
  EXPECT_FALSE(main->optView0.Value() || main->mnuViewChoice0.Checked());
  EXPECT_EQ(main->lvwMain.Columns()[0].caption, "Generation");
  ASSERT_EQ(main->lvwMain.Count(), 3);
  const std::string sub[] = {" - 3 types - changed .ini", " - 3 types - changed .bmp", " - 3 types - changed .txt"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(main->lvwMain.Rows()[i].text, std::to_string(i + 1));
    EXPECT_TRUE(main->lvwMain.Rows()[i].sub.ends_with(sub[i])) << main->lvwMain.Rows()[i].sub;
  }
  EXPECT_EQ(main->sbrMain.PanelText(), "3 earlier BASEs - select one to see it, Restore to make it the base again");
  EXPECT_FALSE(main->cmdRestore.Enabled());
  Click("3");
  EXPECT_EQ(Shown(main->lblInfo.Caption()).rfind("GENERATION 3 of the base - recorded ", 0), 0u);
  EXPECT_TRUE(Holds(main->lblInfo.Caption(), "\rTHE NEXT BASE: changed .txt\r")) << Shown(main->lblInfo.Caption());
  ASSERT_TRUE(main->cmdRestore.Enabled());

  box.Answer(MbAnswer::No);  // asked first: nothing happens
  main->cmdRestore.UserClick();
  EXPECT_NE(reg.ToText(), before);
  box.Answer(MbAnswer::Yes);
  main->cmdRestore.UserClick();
  EXPECT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(reg.ToText(), before) << "the registry as it was when generation 3 was the base";
  EXPECT_EQ(main->ShownView, 0);
  EXPECT_EQ(main->lvwMain.Columns()[0].caption, "File Type");
  EXPECT_EQ(main->lvwMain.Count(), 0) << "nothing differs from the base now";
  main->mnuHistory.UserChoose();
  ASSERT_EQ(main->lvwMain.Count(), 4);
  EXPECT_TRUE(main->lvwMain.Rows()[0].sub.ends_with(" - 3 types - changed .bmp .ini .txt")) << main->lvwMain.Rows()[0].sub;

  // Ten and more generations stand in the order of their numbers; types
  // without regard to case.
  for (const char* n : {"10", "11", "09"}) main->lvwMain.Add(n, "");
  std::string order;
  for (const auto& row : main->lvwMain.Rows()) order += row.text + " ";
  EXPECT_EQ(order, "1 2 3 4 09 10 11 ");
  main->lvwMain.Clear();
  for (const char* n : {".ZIP", ".txt", ".bmp"}) main->lvwMain.Add(n, "");
  order.clear();
  for (const auto& row : main->lvwMain.Rows()) order += row.text + " ";
  EXPECT_EQ(order, ".bmp .txt .ZIP ");

  // A file where the history's folder belongs: the view says why it is empty.
  std::filesystem::remove_all("Prev.history");
  test::WriteFileBytes("Prev.history", "x");
  main->mnuHistory.UserChoose();
  EXPECT_EQ(main->lvwMain.Count(), 0);
  EXPECT_TRUE(Holds(main->lblInfo.Caption(), "Prev.history\" is a file")) << main->lblInfo.Caption();
  EXPECT_EQ(main->sbrMain.PanelText(), "No earlier BASEs - each accept keeps here the base it replaces");
}

TEST_F(FrmMainTest, ViewsSortingAndRefresh) {
  Start();
  const std::pair<std::function<void(FrmMain&)>, const char*> steps[] = {
      {[](FrmMain& m) { m.optView1.UserClick(); }, "current view"},
      // Sorting by the program keeps equal names in the order they came.
      {[](FrmMain& m) { m.lvwMain.UserClickColumn(2); }, "current view by program"},
      {[](FrmMain& m) { m.mnuViewChoice2.UserChoose(); }, "base view by program"},
      // Choosing the view shown changes nothing.
      {[](FrmMain& m) { m.optView2.UserClick(); }, "base view by program"},
      {[](FrmMain& m) { m.lvwMain.UserClickColumn(1); }, "base view"},
      // Refresh goes back to the changes view.
      {[](FrmMain& m) { m.mnuRefresh.UserChoose(); }, "no changes"},
  };
  for (const auto& [act, state] : steps) {
    SCOPED_TRACE(state);
    act(*main);
    EXPECT_EQ(State(), test::Shows(state));
  }
}

TEST_F(FrmMainTest, ClosingWithChangesAsksOnceAndSavesOnlyOnYes) {
  Start();
  const std::string question =
      "One or more of the Current default Open applications is\rdifferent from that stored as your "
      "Base. Would you like to\raccept the Current settings as your new Base? \r\rIf so, click Yes."
      "\r\rClick No to keep your Base file as it is. Hollin will continue\rto report these items as "
      "'changed' in future sessions.";
  Hijack(".bmp", "C:\\\\Grab\\\\grab.exe %1");
  for (const MbAnswer answer : {MbAnswer::No, MbAnswer::Yes}) {
    Start();
    ASSERT_EQ(main->lvwMain.Count(), 1);
    box.shown.clear();
    box.Answer(answer);
    main->mnuFileExit.UserChoose();
    EXPECT_EQ(box.shown, (std::vector<MessageBoxRequest>{
                             {question, MbButtons::YesNo, MbIcon::Question, MbDefault::Second, "Brellmark"}}));
    EXPECT_EQ(platform.ends, 1);
    EXPECT_FALSE(main->Loaded());
  }
  // Only Yes stored CURRENT: no question at the next close.
  Start();
  EXPECT_EQ(main->lvwMain.Count(), 0);
  box.shown.clear();
  main->UserCloses();
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(platform.ends, 1);
}

// Another copy wrote the base after the window's list was made (an accept
// from a script): a restore or an accept from that list writes nothing, says
// so and checks again. A copy writing the base now is waited for a bounded
// time; a turn that does not come is told, nothing done.
TEST_F(FrmMainTest, TheWindowActsOnlyOnTheBaseItsListWasMadeAgainst) {
  Start();
  Start();
  main->mnuOptWarn.UserChoose();  // no warning
  Hijack(".txt", "C:\\\\Other\\\\grabber.exe");
  main->mnuRefresh.UserChoose();
  ASSERT_EQ(main->lvwMain.Count(), 1);
  auto acceptElsewhere = [this] {
    Associations other;
    other.BaseFile = g.BaseFile;
    other.CurrentEntries = ScanCurrent(reg, platform).entries;
    BaseStore vsd;
    SaveCurrentAsDefault(other, vsd);
  };
  acceptElsewhere();
  const std::string registry = reg.ToText();
  box.shown.clear();
  Click(".txt");
  main->cmdRestore.UserClick();
  EXPECT_EQ(reg.ToText(), registry) << "the accept made elsewhere is not undone";
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, msg::BaseChangedMeanwhile(AbsolutePath(g.BaseFile + g.BaseExtension)));
  EXPECT_EQ(main->lvwMain.Count(), 0) << "checked again";

  Hijack(".bmp", "C:\\\\Other\\\\grabber.exe");
  main->mnuRefresh.UserChoose();
  test::FakePlatform other;
  const std::string turn = BaseTurnName(g.BaseFile + g.BaseExtension);
  ASSERT_TRUE(other.TakeTurn(turn, 0));
  box.shown.clear();
  const std::string base = test::ReadFileBytes(g.BaseFile + g.BaseExtension);
  main->cmdAccept.UserClick();
  EXPECT_EQ(platform.waits, std::vector<unsigned>{kBaseTurnWaitMs});
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, msg::BaseBusy(AbsolutePath(g.BaseFile + g.BaseExtension), 30));
  EXPECT_EQ(test::ReadFileBytes(g.BaseFile + g.BaseExtension), base);
  box.shown.clear();
  main->mnuRefresh.UserChoose();
  ASSERT_EQ(box.shown.size(), 1u) << "a check without the turn: one box";
  EXPECT_TRUE(Holds(box.shown[0].text, msg::BaseBusy(AbsolutePath(g.BaseFile + g.BaseExtension), 30)));
  // The turn given back within the wait: the accept is done.
  std::string statusWhileWaiting;
  platform.whileWaiting = [&](const std::string& name) {
    statusWhileWaiting = main->sbrMain.PanelText();
    other.GiveTurn(name);
  };
  main->cmdAccept.UserClick();
  EXPECT_EQ(statusWhileWaiting, msg::WaitingForBaseStatus(30));
  EXPECT_EQ(main->lvwMain.Count(), 0);
  EXPECT_NE(test::ReadFileBytes(g.BaseFile + g.BaseExtension), base);
}

TEST_F(FrmMainTest, QuietStartEndsInOneOfThreeWays) {
  struct Case {
    const char* name;
    const char* commandLine;
    bool firstRun, hijack;
    int beeps;
  };
  const Case cases[] = {
      {"first run", "hollin.exe -H", true, false, 0},
      {"quiet, no changes", "\"C:\\Program Files\\Hollin\\hollin.exe\" /x-hidden", false, false, 0},
      {"quiet, a change", "\"C:\\My -h Tools\\hollin.exe\" -h", false, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove("Prev.isd");
    if (!c.firstRun) Start();
    if (c.hijack) Hijack(".ini", "hijack.exe");
    Start(c.commandLine);
    EXPECT_EQ(State(), test::Shows(c.name));
    EXPECT_EQ(platform.beeps, c.beeps);
    // Only the main window's first paint ends the quiet mode.
    EXPECT_EQ(main->flags.HiddenStart, !main->Visible());
    EXPECT_EQ(platform.ends, 0);
    if (main->tmrStatus.Enabled()) {
      main->tmrStatus.Fire();
      EXPECT_EQ(platform.ends, 1);
    }
    reg.LoadText(test::Data("classes.reg"), "classes");
  }
}

TEST_F(FrmMainTest, QuietStartWithoutTheSwitch) {
  // The program's own path is no argument, whatever folder it lies in.
  for (const char* line : {"hollin.exe h", "hollin.exe -", "hollin.exe", "C:\\Tools-Hub\\hollin.exe",
                           "\"C:\\My -h Tools\\hollin.exe\"", "\"C:\\x-H\\hollin.exe\" /q"}) {
    Start(line);
    EXPECT_TRUE(main->Visible()) << line;
    EXPECT_FALSE(status->Loaded()) << line;
  }
}

TEST_F(FrmMainTest, ADamagedBaseIsOfferedToBeSetAsideAndNoEndsTouchingNothing) {
  Start();
  const std::string damaged = test::ReadFileBytes("Prev.isd").substr(0, 60);
  test::WriteFileBytes("Prev.isd", damaged);
  box.Answer(MbAnswer::No);
  Start();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(Holds(box.shown[0].text, "Prev.isd"));
  EXPECT_TRUE(Holds(box.shown[0].text, "Record a new base?"));
  EXPECT_EQ(box.shown[0].defaultButton, MbDefault::Second);
  EXPECT_EQ(platform.ends, 1);
  EXPECT_EQ(test::ReadFileBytes("Prev.isd"), damaged);

  box.shown.clear();
  box.Answer(MbAnswer::Yes);
  Start();
  EXPECT_EQ(platform.ends, 0);
  EXPECT_EQ(main->sbrMain.PanelText(), "New BASE record created.");
  // The damaged file lies beside the new base, as it was.
  int setAside = 0;
  for (const auto& f : std::filesystem::directory_iterator(folder.path()))
    if (f.path().filename().string().rfind("Prev.damaged-", 0) == 0) {
      ++setAside;
      EXPECT_EQ(test::ReadFileBytes(f.path().string()), damaged);
    }
  EXPECT_EQ(setAside, 1);
}

// A registry that fails in a way no status code tells, or refuses to read
// some of the class root's keys.
struct BrokenRegistry : RegistryStore {
  BrokenRegistry() { LoadText(test::Data("classes.reg"), "classes"); }
  bool broken = false;
  DWORD deniedIndex = 1000, deniedFrom = 1000, deniedTo = 0;  // refused: the index, and those from-to
  LONG RegEnumKeyExA(HKEY k, DWORD i, LPSTR n, LPDWORD c, LPDWORD r, LPSTR cl, LPDWORD cc,
                     PFILETIME t) override {
    if (broken) throw std::runtime_error("the registry went away");
    if (i == deniedIndex || (i >= deniedFrom && i <= deniedTo)) return ERROR_ACCESS_DENIED;
    return RegistryStore::RegEnumKeyExA(k, i, n, c, r, cl, cc, t);
  }
};

TEST_F(FrmMainTest, AnErrorInAnEventIsShownAndTheProgramGoesOn) {
  BrokenRegistry broken;
  Start("hollin.exe", &broken);
  ASSERT_EQ(main->ShownView, 0);
  broken.broken = true;
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(box.shown, (std::vector<MessageBoxRequest>{
                           {"An error stopped frmMain.mnuRefresh_Click:\r\rthe registry went away",
                            MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, "Brellmark"}}));
  EXPECT_EQ(platform.ends, 0);
  EXPECT_EQ(platform.pointer, MousePointer::Default);
  broken.broken = false;
  main->mnuRefresh.UserChoose();
  EXPECT_EQ(main->sbrMain.PanelText(), "OK! No changed entries found.");

  // Keys the scan cannot read are told after the check, which goes on: ten,
  // then how many more.
  box.shown.clear();
  broken.deniedIndex = 0;
  broken.deniedFrom = 6;  // after the six keys, fifteen indexes fail
  broken.deniedTo = 20;
  main->mnuRefresh.UserChoose();
  ASSERT_EQ(box.shown.size(), 1u);
  std::string lines;
  for (int i = 0; i < 10; ++i) lines += "\r(a name that could not be read) - error 5";
  EXPECT_EQ(box.shown[0].text,
            "16 key(s) under HKEY_CLASSES_ROOT could not be checked, and the file types they stand for "
            "may have changed unnoticed:\r" + lines + "\r... and 6 more.\r\rUse the system's registry editor to "
            "look at these keys.");
  EXPECT_EQ(main->lvwMain.Count(), 1);  // the first key, .bmp, is missing from CURRENT now
}

// A quiet check that finds no changes but could not check some keys: the
// report is answered before the timer that ends the program starts.
TEST_F(FrmMainTest, AQuietCheckEndsOnlyAfterItsReportIsAnswered) {
  Start();  // the base
  BrokenRegistry broken;
  broken.deniedIndex = 3;  // inifile: no type of its own, so no change either
  int shown = 0;
  box.whileShown = [&] {
    ++shown;
    EXPECT_FALSE(main->tmrStatus.Enabled());
    EXPECT_TRUE(status->Loaded());
  };
  Start("hollin.exe -h", &broken);
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(main->tmrStatus.Enabled());
  EXPECT_FALSE(main->Visible());
  EXPECT_EQ(platform.ends, 0);
}

#ifndef _WIN32
// After an error the status bar shows no step's progress text: a first run
// that cannot write its base says so.
TEST_F(FrmMainTest, AfterAnErrorTheStatusBarTellsTheTruth) {
  OnAFullDisk([this] { Start(); });
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(State().substr(0, State().find("\nview")), "main\nled 0 Stopped: the base file could not be written.");
}
#endif

// The Details window of a changed type: every fact of the JSON report's
// change of the same check, in the same order, in words; a double click,
// Enter and the menu item open it, and it follows the row selected.
TEST_F(FrmMainTest, TheDetailsWindowSaysWhatTheReportSaysInItsOrder) {
  test::FakeFileFacts files;
  files.Add("C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe", IFileFacts::Trust::Unsigned, "", "Grab, Inc.", "Grabber");
  facts = &files;
  Start();
  Hijack(".txt", "%TEMP%\\\\grabber.exe \\\"%1\\\"");
  main->mnuRefresh.UserChoose();
  ui::FrmDetails details(backend);
  main->frmDetails = &details;
  std::vector<std::string> shown;
  backend.onModal = [&](ui::Form& f) {
    ASSERT_EQ(&f, &details);
    shown.push_back(details.txtFacts.Caption());
  };
  main->mnuDetails.UserChoose();
  EXPECT_TRUE(shown.empty()) << "nothing selected";
  Click(".txt");
  main->lvwMain.UserActivateRow(1);
  main->mnuDetails.UserChoose();
  backend.onModal = nullptr;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], shown[1]);
  EXPECT_EQ(details.Caption(), "Details of file type .txt - Hollin");
  const std::string& text = shown[0];

  // The same check for scripts, as JSON.
  test::FakeConsole console;
  cli::RunEnvironment env{reg, platform, console, std::filesystem::path(BaseFileRead(g)).parent_path().string(),
                          ".", "PC-7", "ada", 0, nullptr, AccountFacts{"PC-7\\ada", "S-1-5-21-1", "PC-7\\ada"},
                          &files};
  ASSERT_EQ(cli::RunCommandLine(cli::ParseOptions({"--check", "--format", "json"}), env), cli::kChangesFound);
  const size_t item = console.out.find("{\"type\": \".txt\"");
  ASSERT_NE(item, std::string::npos) << console.out;
  const std::string json = console.out.substr(item, console.out.find('\n', item) - item);
  // Each text the report gives, unescaped, found in the window after the one before.
  size_t at = 0, found = 0;
  for (size_t q = json.find("\": \""); q != std::string::npos; q = json.find("\": \"", q + 1)) {
    const std::string name = json.substr(json.rfind('"', q - 1) + 1, q - json.rfind('"', q - 1) - 1);
    std::string value;
    size_t i = q + 4;
    for (; json[i] != '"'; ++i) value += json[i] == '\\' ? json[++i] : json[i];
    if (value.empty() || name == "changed") continue;  // the window says when in local time
    const size_t where = text.find(value, at);
    EXPECT_NE(where, std::string::npos) << name << " \"" << value << "\" after " << at << " in:\n" << text;
    if (where != std::string::npos) at = where + value.size(), ++found;
  }
  EXPECT_GE(found, 10u) << json;
  for (const char* fact : {"Key written: ", "Signals: unsigned, user-folder", "Why: unsigned",
                           "Why: in a user folder (C:\\Users\\ada\\AppData\\Local\\Temp)", "Decided by: machine classes",
                           "Base file: "})
    EXPECT_TRUE(Holds(text, fact));
}

}  // namespace
}  // namespace hollin
