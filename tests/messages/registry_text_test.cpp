// Names and commands that a program wrote into the registry, as the windows
// and the guard's notice show them: whoever wrote them chose every character
// and the length, so neither may fake a line of the program's own, push the
// rest of a notice out of sight, or hold a window's text box for minutes.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "messages/guard_texts.h"
#include "messages/window_texts.h"
#include "registry/reg_entry.h"

namespace hollin {
namespace {

std::shared_ptr<const AssocEntry> Opener(const std::string& ext, const std::string& command) {
  auto e = std::make_shared<AssocEntry>();
  e->Ext(ext);
  e->ProgramFullPath(command);
  return e;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      if (c == '\r' || line.size()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  lines.push_back(line);
  return lines;
}

size_t Longest(const std::string& text) {
  size_t longest = 0;
  for (const auto& l : Lines(text)) longest = std::max(longest, l.size());
  return longest;
}

const std::string kHuge = "C:\\big\\" + std::string(200000, 'a') + ".exe \"%1\"";

TEST(RegistryTextShown, TheNoticeCutsAHugeNameAndKeepsItsOtherLines) {
  const std::string text =
      msg::GuardNotice({".big", ".txt"}, {Opener(".big", kHuge), Opener(".txt", "C:\\Grab\\grab.exe %1")}, {".rtf"},
                       {}, {}, "");
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 2u) << text.substr(0, 300);
  EXPECT_LT(lines[0].size(), 200u);
  EXPECT_EQ(lines[0].substr(0, 33), "2 file types now open with aaaaaa");
  EXPECT_NE(lines[0].find("... and 1 other program (.big, .txt)."), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "Restored as your base has it: 1 file type (.rtf).");

  // A name of a type no longer than the bound stays whole.
  const std::string name80 = "." + std::string(79, 'n');
  EXPECT_EQ(msg::GuardNotice({name80}, {nullptr}, {}, {}, {}, ""),
            "1 file type no longer opens with anything (" + name80 + ").");
}

TEST(RegistryTextShown, AControlCharacterBeginsNoLineOfItsOwn) {
  // A type's name and a command holding line breaks, as one may write them.
  const std::string fake = ".x\r\nRestored as your base has it: 1 file type (.txt)";
  const std::string notice = msg::GuardNotice({fake}, {Opener(fake, "C:\\a.exe\x1b[2J %1")}, {}, {}, {}, "");
  EXPECT_EQ(Lines(notice).size(), 1u) << notice;
  EXPECT_NE(notice.find(".x\xE2\x90\x8D\xE2\x90\x8ARestored"), std::string::npos) << notice;

  const auto now = Opener(".x", "C:\\good.exe \"%1\"\r\n\r\nBASE (previous) default Open command:\r\nC:\\good.exe");
  const std::string panel = msg::ChangePanel(".x", now.get(), nullptr);
  EXPECT_EQ(Lines(panel).size(), 6u) << panel;
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

TEST(RegistryTextShown, TheDetailsShowAHugeCommandWholeInShortLines) {
  msg::DetailFacts facts;
  facts.type = ".big";
  facts.change = "new";
  facts.current.present = true;
  facts.current.command = kHuge;
  facts.current.runs = "C:\\Windows\\notepad.exe";
  const std::string text = msg::DetailsText(facts);
  EXPECT_LT(Longest(text), 160u);
  // Every character of the command is there, in its order.
  std::string joined;
  const auto lines = Lines(text);
  bool in = false;
  for (const auto& l : lines) {
    if (l.rfind("  Command: ", 0) == 0) joined = l.substr(11), in = true;
    else if (in && l.rfind("  Program: ", 0) == 0) break;
    else if (in) joined += l;
  }
  EXPECT_EQ(joined, kHuge);
  EXPECT_NE(text.find("\r  Runs: C:\\Windows\\notepad.exe\r"), std::string::npos);
}

}  // namespace
}  // namespace hollin
