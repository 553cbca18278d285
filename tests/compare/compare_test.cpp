// Change detection: the display names, the changed types and the window state
// each outcome leaves.
#include <gtest/gtest.h>

#include "compare/exe_name.h"
#include "compare/show_delta.h"

namespace hollin {
namespace {

TEST(ProgramNameFromCommand, WorkedExamples) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\WINDOWS\\NOTEPAD.EXE %1", "NOTEPAD"},
      {"\"C:\\Program Files\\Foo\\foo.exe\" \"%1\"", "foo"},
      {"notepad.exe", "notepad"},
      {"C:\\WINDOWS\\WRITE %1", "-"},
      {"C:\\WINDOWS\\RUNDLL32.EXE C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,OpenAs_RunDLL %1", "SHELL32"},
      {"rundll32 url.dll,FileProtocolHandler %1", "rundll32 url"},
      {"my.tool.exe %1", "tool"},
      {"my.tool.exe", "my"},
      {"a.b.c.exe x", "c"},
      {".exe", ""},
      {"", "-"},
      {"  spaced.exe  ", "spaced"},
      {"C:\\Apps\\Ünïcode.exe \"%1\"", "Ünïcode"},
  };
  for (const auto& [command, name] : cases) EXPECT_EQ(ProgramNameFromCommand(command), name) << command;
}

std::shared_ptr<AssocEntries> Entries(std::initializer_list<std::pair<const char*, const char*>> items) {
  auto entries = std::make_shared<AssocEntries>();
  for (const auto& [ext, command] : items) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(ext);
    e->ProgramFullPath(command);
    entries->Add(e, ext);
  }
  return entries;
}

// Records what ShowDelta does to the window, in order.
struct FakeWindow : IDeltaWindow {
  std::vector<std::string> calls;
  std::vector<std::string> rows;
  void SetSecondColumn(const std::string& caption, int extra) override {
    calls.push_back("column " + caption + " +" + std::to_string(extra));
  }
  void AddRow(const std::string& text, const std::string& sub) override { rows.push_back(text + "|" + sub); }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  void EnableAccept(bool on) override { calls.push_back(on ? "accept on" : "accept off"); }
  void ShowMainWindow(bool beep) override { calls.push_back(beep ? "main+beep" : "main"); }
  void QuietStartNoChanges() override { calls.push_back("quiet ok"); }
  void SetInfo(const std::string&) override { calls.push_back("welcome"); }
  void SetStatus(Led led, const std::string& text) override {
    calls.push_back("led " + std::to_string(static_cast<int>(led)) + " " + text);
  }
};

TEST(FindChanges, ListsEachChangedTypeOnceWithTheProgramThatNowOpensIt) {
  const auto current = Entries({{".txt", "C:\\Other\\hijack.exe %1"},   // command changed
                                {".new", "C:\\New\\fresh.exe %1"},      // not in BASE
                                {".same", "C:\\a.exe %1"},              // unchanged
                                {".case", "C:\\A.EXE %1"},              // differs in case only
                                {".Mixed", "C:\\m2.exe"}});             // BASE spells it .mixed
  const auto base = Entries({{".txt", "C:\\WINDOWS\\NOTEPAD.EXE %1"},
                             {".same", "C:\\a.exe %1"},
                             {".case", "C:\\a.exe %1"},
                             {".gone", "C:\\old.exe %1"},                // no longer registered
                             {".mixed", "C:\\m1.exe"}});
  std::vector<std::string> got;
  for (const auto& item : FindChanges(*current, *base)) got.push_back(item.Ext + "|" + item.EXEName);
  EXPECT_EQ(got, (std::vector<std::string>{".txt|hijack", ".new|fresh", ".case|A", ".Mixed|m2",
                                           ".gone|(none)"}));
}

struct OutcomeCase {
  const char* name;
  bool changes, newDB, restored, updated, hidden;
  std::vector<std::string> calls;
  bool restoredAfter, updatedAfter, pending;
};

// A base recorded before the layers were (format version 1) is compared by
// the merged command alone: the layers a check reads now change nothing;
// two layered entries differ where the identifier in force or its command do.
TEST(FindChanges, LayersCountOnlyWhereBothSidesHaveThem) {
  AssocEntry older, now;
  for (AssocEntry* e : {&older, &now}) {
    e->Ext(".pdf");
    e->ProgramID("Reader.Doc");
    e->ProgramFullPath("C:\\Reader\\reader.exe %1");
  }
  now.Layered(true);
  now.MachineProgID("Reader.Doc");
  now.ChoiceProgID("AppXbrowser");
  now.OpenerName("Browser");
  EXPECT_FALSE(OpensDifferently(older, now));
  EXPECT_FALSE(OpensDifferently(now, older));
  AssocEntry recorded = now;
  recorded.ChoiceProgID("APPXBROWSER");  // letter case is no change
  EXPECT_FALSE(OpensDifferently(recorded, now));
  recorded.ChoiceProgID("");
  recorded.OpenerName("");
  recorded.OpenerCommand("C:\\Reader\\reader.exe %1");
  EXPECT_TRUE(OpensDifferently(recorded, now));
  EXPECT_EQ(OpenerOf(now), "Browser");
  EXPECT_EQ(OpenerOf(recorded), "reader");
  EXPECT_EQ(OpenerOf(older), "reader");
}

TEST(ShowDelta, OutcomesSetTheWholeWindowState) {
  const std::string column = "column Changed To Open With +10";
  const std::string changed = " CHANGED item(s) - select from list to view details.";
  const OutcomeCase cases[] = {
      {"first run", false, true, false, false, false,
       {column, "accept off", "welcome", "led 0 New BASE record created."}, false, false, false},
      {"first run, quiet", false, true, false, false, true,
       {column, "accept off", "main", "welcome", "led 0 New BASE record created."}, false, false, false},
      {"no changes", false, false, false, false, false,
       {column, "accept off", "led 3 OK! No changed entries found."}, false, false, false},
      {"no changes, quiet", false, false, false, false, true,
       {column, "accept off", "quiet ok", "led 3 OK! No changed entries found."}, false, false, false},
      {"restored and accepted: only the restore is told", false, false, true, true, false,
       {column, "accept off", "led 3 Base settings restored. No changed entries found."}, false, true, false},
      {"accepted", false, false, false, true, false,
       {column, "accept off", "led 3 Updated BASE created. No changed entries found."}, false, false, false},
      {"changes", true, false, false, false, false,
       {column, "led 2 1" + changed, "accept on"}, false, false, true},
      {"changes, quiet", true, false, false, false, true,
       {column, "main+beep", "led 2 1" + changed, "accept on"}, false, false, true},
      {"changes after a restore; an accept stays untold", true, false, true, true, false,
       {column, "led 2 Base settings restored. 1" + changed, "accept on"}, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppState g;
    g.CurrentEntries = Entries({{".txt", c.changes ? "x.exe" : "n.exe"}});
    g.BaseEntries = Entries({{".txt", "n.exe"}});
    g.RestoreConfirmed = c.restored;
    g.HiddenStart = c.hidden;
    DeltaFlags flags{c.newDB, c.updated, !c.changes};
    FakeWindow w;
    ShowDelta(g, flags, w);
    EXPECT_EQ(w.calls, c.calls);
    EXPECT_EQ(g.RestoreConfirmed, c.restoredAfter);
    EXPECT_EQ(flags.BaseUpdated, c.updatedAfter);
    EXPECT_EQ(flags.ChangesPending, c.pending);
    EXPECT_FALSE(flags.NewDBCreated);
    // Changes end a quiet start; the other outcomes leave it to the paint.
    EXPECT_EQ(g.HiddenStart, c.hidden && !c.changes);
  }
}

TEST(ShowDelta, WelcomeText) {
  EXPECT_EQ(WelcomeText(),
            "Welcome to Brellmark! Hollin has just recorded a base list of the file types registered "
            "on your system and which applications are used to open them.\r\rFor now, just close this "
            "program and continue with your work. The next time Hollin starts, it will notify you if "
            "any changes have been made to these file associations in your Windows Registry.");
}

}  // namespace
}  // namespace hollin
