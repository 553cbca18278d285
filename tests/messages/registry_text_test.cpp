// Names and commands that a program wrote into the registry, as the windows
// and the guard's notice show them: whoever wrote them chose every character
// and the length, so neither may fake a line of the program's own, push the
// rest of a notice out of sight, or hold a window's text box for minutes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "messages/guard_texts.h"
#include "messages/window_texts.h"
#include "registry/reg_entry.h"
#include "risk/risk.h"

namespace hollin {
namespace {

std::shared_ptr<const AssocEntry> Opener(const std::string& ext, const std::string& command) {
  auto e = std::make_shared<AssocEntry>();
  e->Ext(ext);
  e->ProgramFullPath(command);
  return e;
}

// The lines of a text, broken where a window breaks them (CR, LF, CR LF).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      lines.back().push_back(text[i]);
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.emplace_back();
  }
  return lines;
}

const std::string kHuge = "C:\\big\\" + std::string(200000, 'a') + ".exe \"%1\"";

TEST(RegistryTextShown, TheNoticeCutsAHugeNameAndKeepsItsOtherLines) {
  const auto lines = Lines(msg::GuardNotice(
      {".big", ".txt"}, {Opener(".big", kHuge), Opener(".txt", "C:\\Grab\\grab.exe %1")}, {".rtf"}, {}, {}, ""));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(lines[0].size(), 200u);
  EXPECT_EQ(lines[0].substr(0, 33), "2 file types now open with aaaaaa");
  EXPECT_TRUE(lines[0].ends_with("... and 1 other program (.big, .txt).")) << lines[0];
  EXPECT_EQ(lines[1], "Restored as your base has it: 1 file type (.rtf).");
  // A name no longer than the bound stays whole.
  const std::string name80 = "." + std::string(79, 'n');
  EXPECT_EQ(msg::GuardNotice({name80}, {nullptr}, {}, {}, {}, ""),
            "1 file type no longer opens with anything (" + name80 + ").");
}

TEST(RegistryTextShown, AControlCharacterBeginsNoLineOfItsOwn) {
  const std::string fake = ".x\r\nRestored as your base has it: 1 file type (.txt)";
  const std::string notice = msg::GuardNotice({fake}, {Opener(fake, "C:\\a.exe\x1b[2J %1")}, {}, {}, {}, "");
  EXPECT_EQ(Lines(notice).size(), 1u) << notice;
  EXPECT_NE(notice.find(".x\xE2\x90\x8D\xE2\x90\x8ARestored"), std::string::npos) << notice;

  const auto now = Opener(".x", "C:\\good.exe \"%1\"\r\n\r\nBASE (previous) default Open command:\r\nC:\\good.exe");
  EXPECT_EQ(Lines(msg::ChangePanel(".x", now.get(), nullptr)).size(), 6u);
  EXPECT_EQ(Lines(msg::EntryPanel(true, *now)).size(), 8u);

  msg::DetailFacts facts;
  facts.type = ".x";
  facts.change = "new";
  facts.current.present = true;
  facts.current.command = now->ProgramFullPath();
  facts.current.program = "good\tRuns: C:\\Windows\\notepad.exe\x7f";
  const std::string details = msg::DetailsText(facts);
  EXPECT_NE(details.find("  Command: C:\\good.exe \"%1\"\xE2\x90\x8D\xE2\x90\x8A\xE2\x90\x8D\xE2\x90\x8A"),
            std::string::npos);
  EXPECT_NE(details.find("  Program: good\xE2\x90\x89Runs: C:\\Windows\\notepad.exe\xE2\x90\xA1\r"), std::string::npos);
}

// The panel's lines of facts: what runs and who made it come from the file
// and the registry, each shown in its line.
TEST(RegistryTextShown, ThePanelsFactsBeginNoLineOfTheirOwn) {
  const std::string fake = "\r\nSIGNALS: none";
  Assessment a;
  a.target.program = "C:\\Grab\\grab.exe" + fake;
  a.company = "Grab" + fake;
  a.product = "Tool\n";
  a.signer = "Nobody\r";
  a.signals = {Signal::UserFolder, Signal::Unquoted};
  a.folder = "C:\\Users" + fake;
  a.target.takeover = "C:\\Program.exe" + fake;
  a.target.meant = "x\n";
  const std::string panel = msg::RiskPanel(a);
  EXPECT_EQ(Lines(panel).size(), 3u) << panel;
  EXPECT_NE(panel.find("RUNS: C:\\Grab\\grab.exe\xE2\x90\x8D\xE2\x90\x8ASIGNALS: none\r"), std::string::npos)
      << panel;

  AssocEntry now, before;
  now.Ext(".x");
  before.Ext(".x");
  now.MachineProgID("Grab.Doc\r\nFAKE: notepad");
  now.ProgramFullPath("C:\\grab.exe %1");
  before.MachineProgID("txtfile");
  before.ProgramFullPath("C:\\notepad.exe %1");
  for (AssocEntry* e : {&now, &before}) {
    e->VerbsRead(true);
    e->Handler("{1}\r\nFAKE: open");
  }
  now.IgnoredChoice("Grab\nFAKE: none");
  const std::string facts = msg::ChangeFacts(&now, &before, "", "", AssocEntry::Layer::Classes) + "\r" +
                            msg::IgnoredChoiceLine(&now, &before) + "\r" +
                            msg::WindowsRunsLine("Grab\r\nFAKE: none", "");
  for (const auto& l : Lines(facts)) {
    const std::string head = l.substr(0, l.find(':'));
    EXPECT_TRUE(head == "NOW" || head == "WAS" || head == "LAYERS" || head == "VERB" || head == "NOT HONOURED" ||
                head == "WINDOWS RUNS")
        << l << "\nin\n" << facts;
  }
}

TEST(RegistryTextShown, TheDetailsShowAHugeCommandWholeInShortLines) {
  msg::DetailFacts facts;
  facts.type = ".big";
  facts.change = "new";
  facts.current.present = true;
  facts.current.command = kHuge;
  facts.current.runs = "C:\\Windows\\notepad.exe";
  std::string command;  // the command's lines joined again
  bool in = false;
  for (const auto& l : Lines(msg::DetailsText(facts))) {
    EXPECT_LT(l.size(), 160u);
    if (l.starts_with("  Program: ")) in = false;
    if (l.starts_with("  Command: ")) command = l.substr(11), in = true;
    else if (in) command += l;
  }
  EXPECT_EQ(command, kHuge);
  EXPECT_NE(msg::DetailsText(facts).find("\r  Runs: C:\\Windows\\notepad.exe\r"), std::string::npos);
}

}  // namespace
}  // namespace hollin
