// Change detection: the display names and the changed types.
#include <gtest/gtest.h>

#include "compare/exe_name.h"
#include "compare/changes.h"
#include "support/entries.h"

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

using test::Entries;

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
  const char* const kinds[] = {"changed", "new", "removed"};
  for (const auto& item : FindChanges(*current, *base))
    got.push_back(item.Ext + "|" + kinds[static_cast<int>(item.kind)] + "|" + item.Opener);
  EXPECT_EQ(got, (std::vector<std::string>{".txt|changed|hijack", ".new|new|fresh", ".case|changed|A",
                                           ".Mixed|changed|m2", ".gone|removed|"}));
}

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

}  // namespace
}  // namespace hollin
