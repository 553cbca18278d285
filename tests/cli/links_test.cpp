// Links (URL protocols) and default verbs through whole runs on the stand-in:
// each case records a base, changes the registry, checks, restores, and
// compares every value of the store with what it held when the base was
// recorded. Explorer's choice is never written.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "command_run.h"
#include "common/text.h"
#include "registry/layers.h"
#include "registry/merged_class_root.h"

namespace hollin::cli {
namespace {

// Every value of the store as "[key] name=data", key names folded: empty
// keys, which no read tells from missing ones, are left out.
std::set<std::string> Values(const RegistryStore& reg) {
  std::set<std::string> values;
  std::string key;
  const std::string text = reg.ToText();
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line == "REGEDIT4" || line.rfind("Windows Registry", 0) == 0) continue;
    if (line[0] == '[') key = FoldCase(line);
    else values.insert(key + " " + line);
  }
  return values;
}

std::vector<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> out;
  for (const auto& v : a)
    if (!b.count(v)) out.push_back(v);
  return out;
}

const std::string kMachine = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\";
const std::string kUser = "[HKEY_CURRENT_USER\\Software\\Classes\\";
const std::string kUrl = "[HKEY_CURRENT_USER\\" + std::string(kUrlAssociationsPath) + "\\";

// The machine's links and a type with a second verb, as the base records
// them.
const std::string kMachineLinks =
    "REGEDIT4\n" + kMachine + "http]\n@=\"URL:HyperText\"\n\"URL Protocol\"=\"\"\n" + kMachine +
    "http\\shell\\open\\command]\n@=\"\\\"C:\\\\Web\\\\web.exe\\\" \\\"%1\\\"\"\n" + kMachine +
    "mailto]\n\"URL Protocol\"=\"\"\n" + kMachine + "mailto\\shell\\open\\command]\n@=\"C:\\\\Mail\\\\mail.exe %1\"\n" +
    kMachine + "tel]\n@=\"URL:Tel\"\n\"URL Protocol\"=\"\"\n" + kMachine + "tel\\shell\\open\\command]\n@=\"dial.exe %1\"\n" +
    kMachine + "txtfile\\shell\\print\\command]\n@=\"C:\\\\WINDOWS\\\\NOTEPAD.EXE /p %1\"\n" + kMachine +
    "Grab.Url\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n" + kMachine +
    "news]\n\"URL Protocol\"=\"\"\n" + kMachine + "news\\shell\\read\\command]\n@=\"reader.exe %1\"\n";

struct Case {
  const char* name;
  std::string change;      // a registry text applied after the base was recorded
  const char* listed;      // the text report's line for the change ("" for none)
  const char* restore;     // the names given to --restore
  int restoreExit;
  std::vector<std::string> left;  // values that differ from the base's afterwards, as "+" or "-" and the value
};

// A run of its own on classes.reg and more.
struct LinksRun : test::CommandRun {
  explicit LinksRun(const std::string& more) {
    reg.LoadText(test::Data("classes.reg"), "classes");
    reg.LoadText(more, "more");
  }
  // c's change listed by a check, as a link or a type, then restored: what
  // differs afterwards from recorded (the store when the base was
  // recorded) is c.left, in any order, and the base is as it was.
  void ChangeAndRestore(const Case& c, const std::set<std::string>& recorded) {
    const std::string base = test::ReadFileBytes(dir.File("Prev.isd"));
    reg.LoadText(c.change, "change");
    EXPECT_EQ(Run({"--check"}), kChangesFound);
    EXPECT_TRUE(Holds(console.out, "\n" + std::string(c.listed) + "\n"));
    EXPECT_EQ(Run({"--check", "--format", "json"}), kChangesFound);
    EXPECT_TRUE(Holds(console.out, std::string("\"kind\": \"") + (c.restore[0] == '.' ? "type" : "protocol")));
    EXPECT_EQ(Run({"--restore", c.restore}), c.restoreExit) << console.out;
    const std::set<std::string> now = Values(reg);
    std::vector<std::string> left, expected = c.left;
    for (const auto& v : Minus(now, recorded)) left.push_back("+" + v);
    for (const auto& v : Minus(recorded, now)) left.push_back("-" + v);
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    // What Explorer chose stays, and stays listed; the rest is as the base
    // recorded it, and the base itself unchanged.
    EXPECT_EQ(Run({"--check"}), c.restoreExit == kNoChanges ? kNoChanges : kChangesFound) << console.out;
    EXPECT_EQ(test::ReadFileBytes(dir.File("Prev.isd")), base);
  }
};

TEST(Links, EachLayerAndVerbIsCheckedRestoredAndRecorded) {
  const Case cases[] = {
      {"a link taken over in the user classes",
       "REGEDIT4\n" + kUser + "http]\n\"URL Protocol\"=\"\"\n" + kUser + "http\\shell\\open\\command]\n@=\"grab.exe %1\"\n",
       "http:\tchanged\tweb (http) -> grab (http)", "http", kNoChanges,
       {"+[hkey_current_user\\software\\classes\\http] \"URL Protocol\"=\"\""}},
      {"a link taken over through Explorer's choice",
       "REGEDIT4\n" + kUrl + "mailto\\UserChoice]\n\"ProgId\"=\"Grab.Url\"\n", "mailto:\tchanged\tmail (mailto) -> grab (Grab.Url)",
       "mailto", kWritesRefused,
       {"+" + FoldCase(kUrl) + "mailto\\userchoice] \"ProgId\"=\"Grab.Url\""}},
      {"Windows 11's place of Explorer's choice",
       "REGEDIT4\n" + kUrl + "http\\UserChoiceLatest\\ProgId]\n\"ProgId\"=\"Grab.Url\"\n",
       "http:\tchanged\tweb (http) -> grab (Grab.Url)", "http", kWritesRefused,
       {"+" + FoldCase(kUrl) + "http\\userchoicelatest\\progid] \"ProgId\"=\"Grab.Url\""}},
      {"a link removed", "REGEDIT4\n[-" + kMachine.substr(1) + "tel]\n", "tel:\tremoved\tdial (tel) -> (none)", "tel",
       kNoChanges, {"-[hkey_local_machine\\software\\classes\\tel] @=\"URL:Tel\""}},
      {"a link registered since",
       "REGEDIT4\n" + kUser + "evil]\n@=\"URL:Evil\"\n\"URL Protocol\"=\"\"\n" + kUser +
           "evil\\shell\\open\\command]\n@=\"C:\\\\Users\\\\ada\\\\evil.exe %1\"\n",
       "evil:\tnew\t(none) -> evil (evil)", "evil", kNoChanges, {"+[hkey_current_user\\software\\classes\\evil] @=\"URL:Evil\""}},
      {"the shell key names an existing verb",
       "REGEDIT4\n" + kMachine + "txtfile\\shell]\n@=\"print\"\n", ".txt\tchanged\tNOTEPAD (txtfile) -> NOTEPAD (txtfile), verb \"print\"",
       ".txt", kNoChanges, {}},
      {"the shell key names a missing verb: open still runs", "REGEDIT4\n" + kMachine + "txtfile\\shell]\n@=\"gone\"\n",
       "", "", kNoChanges, {"+[hkey_local_machine\\software\\classes\\txtfile\\shell] @=\"gone\""}},
      {"a new verb made the default in the user classes",
       "REGEDIT4\n" + kUser + "txtfile\\shell]\n@=\"grab\"\n" + kUser + "txtfile\\shell\\grab\\command]\n@=\"grab.exe %1\"\n",
       ".txt\tchanged\tNOTEPAD (txtfile) -> grab (txtfile), verb \"grab\"", ".txt", kNoChanges,
       {"+[hkey_current_user\\software\\classes\\txtfile\\shell\\grab\\command] @=\"grab.exe %1\""}},
      {"no open verb: the first listed runs, and a new first one changes it",
       "REGEDIT4\n" + kMachine + "news\\shell\\browse\\command]\n@=\"grab.exe %1\"\n",
       "news:\tchanged\treader (news), verb \"read\" -> grab (news), verb \"browse\"", "news", kNoChanges,
       {"+[hkey_local_machine\\software\\classes\\news\\shell\\browse\\command] @=\"grab.exe %1\"",
        "+[hkey_local_machine\\software\\classes\\news\\shell] @=\"read\""}},
      {"a program identifier marked as a link is no link", "REGEDIT4\n" + kMachine + "txtfile]\n\"URL Protocol\"=\"\"\n",
       "", "", kNoChanges, {}},
      {"a handler in place of the command",
       "REGEDIT4\n" + kMachine + "txtfile\\shell\\open\\command]\n\"DelegateExecute\"=\"{00000000-0000-0000-0000-0000000000AB}\"\n",
       ".txt\tchanged\tNOTEPAD (txtfile) -> {00000000-0000-0000-0000-0000000000AB} (handler) (txtfile)", ".txt", kNoChanges, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LinksRun r(kMachineLinks);
    // The system answers as Windows does: a link's own key opens it until
    // Explorer's choice names another identifier, which it then honours.
    for (const char* link : {"http", "mailto", "tel", "news", "evil"}) r.platform.opens[link] = {link, ""};
    ASSERT_EQ(r.Run({"--check"}), kFirstRun);
    EXPECT_EQ(r.Run({"--check"}), kNoChanges) << r.console.out;
    if (&c == &cases[0]) {
      // An export names each link by its own key, which no choice overrides.
      EXPECT_EQ(r.Run({"--export-defaults", "defaults.xml"}), kNoChanges) << r.console.err;
      const std::string xml = test::ReadFileBytes(r.dir.File("defaults.xml"));
      for (const char* link : {"\"http\" ProgId=\"http\"", "\"mailto\" ProgId=\"mailto\"", "\"news\" ProgId=\"news\""})
        EXPECT_TRUE(Holds(xml, std::string("Identifier=") + link));
      EXPECT_EQ(r.Run({"--check", "--base", "defaults.xml"}), kNoChanges) << r.console.out;
    }
    if (c.change.find("\"ProgId\"=\"Grab.Url\"") != std::string::npos)
      r.platform.opens[c.restore] = {"Grab.Url", "C:\\Grab\\grab.exe %1"};
    if (*c.listed) {
      r.ChangeAndRestore(c, Values(r.reg));
    } else {
      r.reg.LoadText(c.change, "change");
      EXPECT_EQ(r.Run({"--check"}), kNoChanges) << r.console.out;
    }
  }
}

// Types whose verb that runs is not open, each as the base records it:
// only cplopen (.cpl), only install (.inf), a shell key naming grab with no
// open (.grb), an ordered list whose first verb is missing (.lst), an open
// verb marked LegacyDisable (.dis: the first verb listed runs), an open
// verb with a handler only (.hnd) and a list whose first verb is missing
// behind another verb listed first (.edt).
const std::string kVerbTypes =
    "REGEDIT4\n" + kMachine + ".cpl]\n@=\"cplfile\"\n" + kMachine +
    "cplfile\\shell\\cplopen\\command]\n@=\"rundll32.exe shell32.dll,Control_RunDLL \\\"%1\\\",%*\"\n" + kMachine +
    ".inf]\n@=\"inffile\"\n" + kMachine + "inffile\\shell\\install\\command]\n@=\"InfDefaultInstall.exe \\\"%1\\\"\"\n" +
    kMachine + ".grb]\n@=\"grbfile\"\n" + kMachine + "grbfile\\shell]\n@=\"grab\"\n" + kMachine +
    "grbfile\\shell\\grab\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n" + kMachine + ".lst]\n@=\"lstfile\"\n" + kMachine +
    "lstfile\\shell]\n@=\"nothere, grab\"\n" + kMachine + "lstfile\\shell\\grab\\command]\n@=\"C:\\\\Grab\\\\list.exe %1\"\n" +
    kMachine + ".dis]\n@=\"disfile\"\n" + kMachine + "disfile\\shell\\open]\n\"LegacyDisable\"=\"\"\n" + kMachine +
    "disfile\\shell\\open\\command]\n@=\"C:\\\\Old\\\\old.exe %1\"\n" + kMachine +
    "disfile\\shell\\view\\command]\n@=\"C:\\\\View\\\\view.exe %1\"\n" + kMachine + ".hnd]\n@=\"hndfile\"\n" + kMachine +
    "hndfile\\shell\\open\\command]\n\"DelegateExecute\"=\"{00000000-0000-0000-0000-0000000000AB}\"\n" + kMachine +
    ".edt]\n@=\"edtfile\"\n" + kMachine + "edtfile\\shell]\n@=\"print,edit\"\n" + kMachine +
    "edtfile\\shell\\browse\\command]\n@=\"C:\\\\Web\\\\web.exe %1\"\n" + kMachine +
    "edtfile\\shell\\edit\\command]\n@=\"C:\\\\Edit\\\\edit.exe %1\"\n";

// Each type of kVerbTypes is recorded by the verb that runs, whatever its
// name; a takeover of that verb is listed, reported, restored (the store
// compared whole) and accepted.
TEST(Verbs, TheVerbThatRunsIsGuardedWhateverItsName) {
  const Case cases[] = {
      {"only cplopen", "REGEDIT4\n" + kMachine + "cplfile\\shell\\cplopen\\command]\n@=\"C:\\\\zq\\\\grab.exe %1\"\n",
       ".cpl\tchanged\trundll32 (cplfile), verb \"cplopen\" -> grab (cplfile), verb \"cplopen\"", ".cpl", kNoChanges, {}},
      {"only install, taken in the user classes",
       "REGEDIT4\n" + kUser + "inffile\\shell\\install\\command]\n@=\"C:\\\\zq\\\\grab.exe %1\"\n",
       ".inf\tchanged\tInfDefaultInstall (inffile), verb \"install\" -> grab (inffile), verb \"install\"", ".inf", kNoChanges,
       // The command goes back where it is read now.
       {"+[hkey_current_user\\software\\classes\\inffile\\shell\\install\\command] @=\"InfDefaultInstall.exe \\\"%1\\\"\""}},
      {"the shell key names grab and there is no open",
       "REGEDIT4\n" + kMachine + "grbfile\\shell\\grab\\command]\n@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
       ".grb\tchanged\tgrab (grbfile), verb \"grab\" -> nothere (grbfile), verb \"grab\"", ".grb", kNoChanges, {}},
      {"the missing first verb of the list made",
       "REGEDIT4\n" + kMachine + "lstfile\\shell\\nothere\\command]\n@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
       ".lst\tchanged\tlist (lstfile), verb \"grab\" -> nothere (lstfile), verb \"nothere\"", ".lst", kNoChanges,
       {"+[hkey_local_machine\\software\\classes\\lstfile\\shell\\nothere\\command] @=\"C:\\\\zq\\\\nothere.exe %1\"",
        "+[hkey_local_machine\\software\\classes\\lstfile\\shell] @=\"grab\"",
        "-[hkey_local_machine\\software\\classes\\lstfile\\shell] @=\"nothere, grab\""}},
      {"LegacyDisable taken off open",
       "REGEDIT4\n" + kMachine + "disfile\\shell\\open]\n\"LegacyDisable\"=-\n",
       ".dis\tchanged\tview (disfile), verb \"view\" -> old (disfile)", ".dis", kNoChanges,
       {"+[hkey_local_machine\\software\\classes\\disfile\\shell] @=\"view\"",
        "-[hkey_local_machine\\software\\classes\\disfile\\shell\\open] \"LegacyDisable\"=\"\""}},
      {"print,edit without print: edit runs",
       "REGEDIT4\n" + kMachine + "edtfile\\shell\\edit\\command]\n@=\"C:\\\\zq\\\\grab.exe %1\"\n",
       ".edt\tchanged\tedit (edtfile), verb \"edit\" -> grab (edtfile), verb \"edit\"", ".edt", kNoChanges, {}},
      {"a handler-only verb's handler replaced",
       "REGEDIT4\n" + kUser + "hndfile\\shell\\open\\command]\n\"DelegateExecute\"=\"{00000000-0000-0000-0000-0000000000A1}\"\n",
       ".hnd\tchanged\t{00000000-0000-0000-0000-0000000000AB} (handler) (hndfile) -> {00000000-0000-0000-0000-0000000000A1} (handler) (hndfile)", ".hnd", kNoChanges,
       {"+[hkey_current_user\\software\\classes\\hndfile\\shell\\open\\command] \"DelegateExecute\"=\"{00000000-0000-0000-0000-0000000000AB}\""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LinksRun r(kVerbTypes);
    ASSERT_EQ(r.Run({"--check"}), kFirstRun);
    const std::string base = test::ReadFileBytes(r.dir.File("Prev.isd"));
    for (const char* type : {"\n.cpl\t", "\n.inf\t", "\n.grb\t", "\n.lst\t", "\n.dis\t", "\n.hnd\t", "\n.edt\t"})
      EXPECT_TRUE(Holds(base, type)) << "recorded: " << type;
    EXPECT_EQ(r.Run({"--check"}), kNoChanges) << r.console.out;
    r.ChangeAndRestore(c, Values(r.reg));

    // The change taken again and accepted: the base records the verb that
    // runs now, and the next check finds nothing. (Where the restore named
    // the verb that ran, the change no longer changes it.)
    r.reg.LoadText(c.change, "change");
    const bool again = r.Run({"--check"}) == kChangesFound;
    EXPECT_EQ(r.Run({"--accept"}), kNoChanges) << r.console.out;
    EXPECT_EQ(r.Run({"--check"}), kNoChanges) << r.console.out;
    if (again) {
      EXPECT_NE(test::ReadFileBytes(r.dir.File("Prev.isd")), base);
    }
  }
}

// A base of format 2 (no links, no verbs) lists no link as new: the first
// check records them with it, once, and says so; later changes of a link
// are listed.
TEST(Links, AnEarlierBaseGetsTheLinksRecordedOnceWithoutAFlood) {
  LinksRun r(kMachineLinks);
  const std::string v2 = test::ReadFileBytes(HOLLIN_DATA_DIR "/../../base/golden/layers-v2.isd");
  test::WriteFileBytes(r.dir.File("Prev.isd"), v2);
  // A named copy is compared as it is, and never written.
  test::WriteFileBytes(r.dir.File("copy.isd"), v2);
  EXPECT_EQ(r.Run({"--check", "--base", "copy.isd"}), kChangesFound);
  EXPECT_FALSE(Holds(r.console.out, ":\t"));
  EXPECT_EQ(test::ReadFileBytes(r.dir.File("copy.isd")), v2);

  EXPECT_EQ(r.Run({"--check"}), kChangesFound);  // the golden file's types are not this registry's
  EXPECT_FALSE(Holds(r.console.out, ":\t")) << "no link listed: ";
  EXPECT_TRUE(Holds(r.console.out, "guarded from now on. The base records 4 link(s) now."));
  EXPECT_EQ(test::ReadFileBytes(r.dir.File("Prev.isd")).rfind("HOLLINBASE\t4\n", 0), 0u);
  EXPECT_EQ(test::ReadFileBytes(r.dir.File("Prev.isd.bak")), v2);
  EXPECT_EQ(r.Run({"--check"}), kChangesFound);
  EXPECT_FALSE(Holds(r.console.out, "guarded from now on")) << "said once: ";
  EXPECT_FALSE(Holds(r.console.out, ":\t"));

  r.reg.LoadText("REGEDIT4\n" + kMachine + "http\\shell\\open\\command]\n@=\"grab.exe %1\"\n", "grab");
  EXPECT_EQ(r.Run({"--check"}), kChangesFound);
  EXPECT_TRUE(Holds(r.console.out, "\nhttp:\tchanged\tweb (http) -> grab (http)\n"));

  // The earlier base, kept in the history, made the base again: the links
  // it never recorded are not undone.
  EXPECT_EQ(r.Run({"--accept"}), kNoChanges);
  EXPECT_EQ(r.Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(r.console.out, "2"));
  r.Run({"--restore-from", "2"});
  DWORD type;
  EXPECT_EQ(ReadValue(r.reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\shell\\open\\command", "", type),
            "grab.exe %1");
  EXPECT_NE(ReadValue(r.reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\tel", "URL Protocol", type), "x");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "tel keeps its mark";
  EXPECT_EQ(r.Run({"--check"}), kChangesFound);
  EXPECT_FALSE(Holds(r.console.out, ":\t")) << "no link listed: ";
}

// A change in a layer that does not decide today is latent: listed, never a
// change for the exit code unless --strict says so, put back by a restore
// like any other, and recorded by an accept.
TEST(Links, ALatentChangeIsListedRestoredAndAcceptedButCountsOnlyWhenStrict) {
  struct Latent {
    const char* name;
    std::string base;    // the registry beside the machine's links when the base is recorded
    std::string change;  // then this
    const char* listed;  // the text report's line
    const char* type = "http";
  };
  const Latent cases[] = {
      {"a link's command in the user classes under Explorer's choice",
       "REGEDIT4\n" + kUrl + "http\\UserChoice]\n\"ProgId\"=\"Grab.Url\"\n",
       "REGEDIT4\n" + kUser + "http\\shell\\open\\command]\n@=\"evil.exe %1\"\n",
       "http:\tlatent\tgrab (Grab.Url) -> grab (Grab.Url)"},
      {"the machine classes' command under the user classes' own",
       "REGEDIT4\n" + kUser + "http]\n\"URL Protocol\"=\"\"\n" + kUser + "http\\shell\\open\\command]\n@=\"mine.exe %1\"\n",
       "REGEDIT4\n" + kMachine + "http\\shell\\open\\command]\n@=\"evil.exe %1\"\n",
       "http:\tlatent\tmine (http) -> mine (http)"},
      {"the command of a type's identifier in the machine classes under Explorer's choice",
       "REGEDIT4\n" + kMachine + ".doc9]\n@=\"Doc9.File\"\n" + kMachine +
           "Doc9.File\\shell\\open\\command]\n@=\"C:\\\\Doc\\\\doc.exe %1\"\n[HKEY_CURRENT_USER\\" +
           kFileExtsPath + "\\.doc9\\UserChoice]\n\"ProgId\"=\"Grab.Url\"\n",
       "REGEDIT4\n" + kMachine + "Doc9.File\\shell\\open\\command]\n@=\"evil.exe %1\"\n",
       ".doc9\tlatent\tgrab (Grab.Url) -> grab (Grab.Url)", ".doc9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LinksRun r(kMachineLinks);
    MergedClassRoot merged(r.reg);  // the classes as Windows merges them
    const auto run = [&](std::vector<std::string> args) { return r.Run(std::move(args), &merged); };
    r.reg.LoadText(c.base, "base");
    ASSERT_EQ(run({"--check"}), kFirstRun);
    const std::set<std::string> recorded = Values(r.reg);
    r.reg.LoadText(c.change, "change");

    EXPECT_EQ(run({"--check"}), kNoChanges) << r.console.out;
    EXPECT_TRUE(Holds(r.console.out, std::string("\n") + c.listed + "\n"));
    EXPECT_EQ(run({"--check", "--strict"}), kChangesFound) << r.console.out;
    EXPECT_EQ(run({"--check", "--format", "json"}), kNoChanges);
    EXPECT_TRUE(Holds(r.console.out, "\"type\": \"" + std::string(c.type) + "\", \"change\": \"latent\""));
    EXPECT_TRUE(Holds(r.console.out, "\"outcome\": \"latent changes\""));

    EXPECT_EQ(run({"--restore", "all"}), kNoChanges) << r.console.out;
    EXPECT_EQ(Values(r.reg), recorded);
    EXPECT_EQ(run({"--check", "--strict"}), kNoChanges) << r.console.out;

    r.reg.LoadText(c.change, "change again");
    EXPECT_EQ(run({"--accept"}), kNoChanges) << r.console.out;
    EXPECT_EQ(run({"--check", "--strict"}), kNoChanges) << "recorded: " << r.console.out;
    EXPECT_FALSE(Holds(r.console.out, "latent"));
  }
  EXPECT_NE(ParseOptions({"--accept", "--strict"}).error, "");
}

}  // namespace
}  // namespace hollin::cli
