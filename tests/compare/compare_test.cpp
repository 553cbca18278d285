// Change detection: the display names and the changed types.
#include <gtest/gtest.h>

#include "compare/exe_name.h"
#include "compare/changes.h"
#include "compare/check.h"
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
    got.push_back(item.ext + "|" + kinds[static_cast<int>(item.kind)] + "|" + item.opener);
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

// An Explorer's choice that Windows sets aside decides nothing, but where
// it changes (written, replaced, gone) that is a change of its own, ahead
// of a latent one; letter case is none, and a base that could not record
// one (before format version 4) counts none.
TEST(FindChanges, AChoiceWindowsSetsAsideCountsWhereItChanges) {
  const auto entry = [](std::string ignored, bool read = true) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(".txt");
    e->ProgramID("txtfile");
    e->ProgramFullPath("C:\\Windows\\notepad.exe %1");
    e->Layered(true);
    e->UserProgID("txtfile");
    e->MachineProgID("txtfile");
    e->OpenerCommand(e->ProgramFullPath());
    e->IgnoredChoice(std::move(ignored));
    e->IgnoredRead(read);
    return e;
  };
  const auto kinds = [](const AssocEntry& now, const AssocEntry& before) {
    AssocEntries c, b;
    c.Add(std::make_shared<AssocEntry>(now), now.Ext());
    b.Add(std::make_shared<AssocEntry>(before), before.Ext());
    std::string out;
    const char* const names[] = {"changed", "new", "removed", "latent"};
    for (const auto& item : FindChanges(c, b, true, true))
      out += std::string(names[static_cast<int>(item.kind)]) + "|" + item.opener;
    return out;
  };
  EXPECT_EQ(kinds(*entry("Grab.Doc"), *entry("")), "changed|notepad") << "written";
  EXPECT_EQ(kinds(*entry("Grab.Doc"), *entry("Other.Doc")), "changed|notepad") << "replaced";
  EXPECT_EQ(kinds(*entry(""), *entry("Grab.Doc")), "changed|notepad") << "gone";
  EXPECT_EQ(kinds(*entry("GRAB.DOC"), *entry("Grab.Doc")), "");
  EXPECT_EQ(kinds(*entry("Grab.Doc"), *entry("", false)), "") << "a base that could not record it";
  EXPECT_EQ(kinds(*entry("Grab.Doc", false), *entry("")), "");
  auto latent = entry("Grab.Doc");
  latent->MachineProgID("Grab.Doc");  // under the user classes: latent alone
  EXPECT_EQ(kinds(*latent, *entry("Grab.Doc")), "latent|notepad");
  EXPECT_EQ(kinds(*latent, *entry("")), "changed|notepad") << "a choice set aside is no latent change";
  EXPECT_TRUE(OnlySetAsideDiffers(*entry("Grab.Doc"), *entry("")));
  EXPECT_FALSE(OnlySetAsideDiffers(*entry("Grab.Doc"), *entry("Grab.Doc")));
  auto other = entry("Grab.Doc");
  other->ProgramFullPath("C:\\Grab\\grab.exe %1");
  EXPECT_FALSE(OnlySetAsideDiffers(*other, *entry(""))) << "what opens it changed too";
}

// The silent upgrade of a base that recorded neither verbs nor a choice set
// aside takes both from now where the type opens as recorded: a choice
// Windows set aside long ago is then no change.
TEST(BaseWithLinks, TakesTheChoiceSetAsideNowWhereTheTypeOpensAsRecorded) {
  AssocEntry older;
  older.Ext(".txt");
  older.ProgramID("txtfile");
  older.ProgramFullPath("C:\\Windows\\notepad.exe %1");
  older.Layered(true);
  older.MachineProgID("txtfile");
  older.OpenerCommand(older.ProgramFullPath());
  AssocEntry now = older;
  now.VerbsRead(true);
  now.IgnoredRead(true);
  now.IgnoredChoice("Grab.Doc");
  AssocEntries base, current;
  base.Add(std::make_shared<AssocEntry>(older), ".txt");
  current.Add(std::make_shared<AssocEntry>(now), ".txt");
  const auto upgraded = BaseWithLinks(base, current);
  const AssocEntry* kept = upgraded->Lookup(".txt");
  ASSERT_NE(kept, nullptr);
  EXPECT_TRUE(kept->IgnoredRead());
  EXPECT_EQ(kept->IgnoredChoice(), "Grab.Doc");
  EXPECT_TRUE(FindChanges(current, *upgraded).empty());
}

}  // namespace
}  // namespace hollin
