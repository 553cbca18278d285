// Runs for scripts on the stand-in registry: every exit code from a real
// check, what is written and what is left alone, and the three report
// formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "command_run.h"
#include "support/counting_registry.h"
#include "support/hand_made_base.h"
#include "base/base_test_util.h"
#include "base/data_file.h"
#include "records/report.h"
#include "common/base_turn.h"
#include "common/file_system.h"
#include "common/text.h"
#include "registry/layers.h"
#include "registry/merged_class_root.h"
#include "registry/scan.h"

namespace hollin::cli {
namespace {

class CommandTest : public ::testing::Test, public test::CommandRun {
 protected:
  using test::CommandRun::Run;
  void SetUp() override { reg.LoadText(test::Data("classes.reg"), "classes"); }  // .txt and .bmp
  void TearDown() override { EXPECT_TRUE(platform.pages.empty()) << "a run for scripts opens no window"; }
  // The kinds of the events written, in order, and clears them.
  std::vector<EventKind> Events() {
    std::vector<EventKind> kinds;
    for (const auto& e : events.events) {
      for (EventKind k : {EventKind::ChangesFound, EventKind::Restored, EventKind::RestoreRefused, EventKind::Accepted,
                          EventKind::FirstRun, EventKind::Failure})
        if (EventId(k) == e.id) kinds.push_back(k);
    }
    events.events.clear();
    return kinds;
  }
  std::string Base() const { return dir.File("Prev.isd"); }
  void Hijack() {
    reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n"
                 "@=\"C:\\\\Grab\\\\grab.exe %1\"\n",
                 "hijack");
    // The key's time, an hour before the check.
    reg.SetLastWriteTime(HKEY_CLASSES_ROOT, ".txt", 1796673600 - 3600);
  }
};

// The first line of every CSV report.
const std::string kCsvHeader =
    "type,change,base_progid,base_command,base_program,current_progid,current_command,current_program,"
    "current_runs,signals,signer,company,product,changed,kind,base_verb,base_handler,current_verb,current_handler,"
    "base_not_honoured,current_not_honoured\r\n";

// Every exit code from a real check, and the events the runs leave: one for
// each check that finds changes, each restore, each accept, a first run and
// a failure, carrying the report; a log that refuses them changes nothing of
// the run.
TEST_F(CommandTest, EveryExitCodeAndEventFromARealCheck) {
  using K = EventKind;
  EXPECT_EQ(Run({"--check", "--bogus"}), kUsage);
  EXPECT_FALSE(std::filesystem::exists(Base())) << "a wrong command line reads and writes nothing";
  EXPECT_TRUE(Holds(console.err, "\"--bogus\" is not an option"));

  EXPECT_EQ(Run({"--check"}), kFirstRun);
  EXPECT_TRUE(std::filesystem::exists(Base()));
  EXPECT_EQ(Run({"/check"}), kNoChanges);
  EXPECT_EQ(Events(), std::vector<K>{K::FirstRun});
  Hijack();
  EXPECT_EQ(Run({"--check"}), kChangesFound);
  EXPECT_TRUE(Holds(console.out, ".txt\tchanged\tNOTEPAD (txtfile) -> grab (Grab.Doc)\n"));
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_TRUE(Holds(events.events[0].text, ".txt\tchanged\t"));
  EXPECT_EQ(Events(), std::vector<K>{K::ChangesFound});

  // A restore the registry refuses in part, and one of a type the base
  // does not know, do not claim success.
  reg.DenyAccess(HKEY_CLASSES_ROOT, ".txt", KEY_SET_VALUE);
  EXPECT_EQ(Run({"--restore", "all"}), kWritesRefused);
  // Worded as the window words it, with the same advice.
  EXPECT_TRUE(Holds(console.out, "The registry refused to restore .txt (its program identifier in the machine classes): "
                                 "error 5 (Access is denied.).\nSettings that all users share can be written only with "
                                 "administrator rights"));
  reg.DenyAccess(HKEY_CLASSES_ROOT, ".txt", 0);
  EXPECT_EQ(Run({"--restore", ".zip"}), kWritesRefused);
  EXPECT_EQ(Run({"--restore", "TXT"}), kNoChanges);
  EXPECT_EQ(platform.notices, 1);
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, ".txt"), "txtfile");
  EXPECT_EQ(Run({"--check"}), kNoChanges);

  Hijack();
  EXPECT_EQ(Run({"--accept"}), kNoChanges);
  EXPECT_EQ(Run({"--check"}), kNoChanges);
  EXPECT_EQ(Events(), (std::vector<K>{K::RestoreRefused, K::RestoreRefused, K::Restored, K::Accepted}));

  // A damaged base is named and left as it was; one that cannot be read at
  // all is another failure.
  const std::string damaged = test::ReadFileBytes(Base()).substr(0, 50);
  test::WriteFileBytes(Base(), damaged);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--check"}, {"--accept"}, {"--restore", "all"}}) {
    EXPECT_EQ(Run(args), kBaseDamaged) << args[0];
    EXPECT_TRUE(Holds(console.err, "Prev.isd"));
    EXPECT_EQ(test::ReadFileBytes(Base()), damaged) << args[0];
  }
  EXPECT_EQ(Events(), std::vector<K>(3, K::Failure));
  events.fail = true;
  std::filesystem::remove(Base());
  std::filesystem::create_directory(Base());
  EXPECT_EQ(Run({"--check"}), kBaseDamaged);  // a folder holds no base: set it aside

  // Another base, named on the command line, relative to the current folder.
  EXPECT_EQ(Run({"--check", "--base", "other.isd"}), kFirstRun);
  EXPECT_TRUE(std::filesystem::exists(dir.File("other.isd")));
  EXPECT_EQ(Run({"--check", "--base", "other"}), kNoChanges);
}

TEST_F(CommandTest, AReportFileIsWrittenWholeAndTheConsoleGetsNothing) {
  Run({"--check"});
  Hijack();
  EXPECT_EQ(Run({"--check", "--format", "csv", "--report", "r.csv"}), kChangesFound);
  EXPECT_EQ(console.out, "");
  EXPECT_EQ(test::ReadFileBytes(dir.File("r.csv")),
            kCsvHeader +
            ".txt,changed,txtfile,C:\\WINDOWS\\NOTEPAD.EXE %1,NOTEPAD,Grab.Doc,C:\\Grab\\grab.exe %1,grab,,,,,,"
            "2026-12-07T19:00:00Z,type,,,,,,\r\n");
}

// The administrators' associations file: the base written as one, and a
// check against one written by hand (only the types it names, by program
// identifier; the file only read, never the base written).
TEST_F(CommandTest, AssociationsFilesOutAndIn) {
  EXPECT_EQ(Run({"--export-defaults", "d.xml"}), kFailure);  // no base yet
  EXPECT_FALSE(std::filesystem::exists(dir.File("d.xml")));
  Run({"--check"});
  EXPECT_EQ(Run({"--export-defaults", "d.xml"}), kNoChanges);
  const std::string written = test::ReadFileBytes(dir.File("d.xml"));
  EXPECT_TRUE(Holds(written, "<Association Identifier=\".bmp\" ProgId=\"Paint.Picture\" ApplicationName=\"zpaint\""));
  EXPECT_EQ(Run({"--check", "--base", "d.xml"}), kNoChanges);
  // Identifiers that name no key of a type or link are none of the check's.
  test::WriteFileBytes(dir.File("keyless.xml"),
                       "<DefaultAssociations><Association Identifier=\".bmp\" ProgId=\"Paint.Picture\"/>"
                       "<Association Identifier=\"a\\b\" ProgId=\"x\"/><Association Identifier="
                       "\"{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}\" ProgId=\"y\"/></DefaultAssociations>");
  EXPECT_EQ(Run({"--check", "--base", "keyless.xml"}), kNoChanges) << console.out;

  // .txt as TXTFILE, .pdf, and a protocol this registry does not have.
  test::WriteFileBytes(dir.File("dism.xml"), test::Data("dism.xml"));
  const std::string base = test::ReadFileBytes(Base());
  Hijack();
  EXPECT_EQ(Run({"--check", "--base", "dism.xml", "--format", "csv"}), kChangesFound);
  EXPECT_EQ(console.out,
            kCsvHeader +
            ".txt,changed,TXTFILE,,Notepad,Grab.Doc,C:\\Grab\\grab.exe %1,grab,,,,,,,type,,,,,,\r\n"
            ".pdf,removed,Reader.Document,,Reader,,,,,,,,,,type,,,,,,\r\n"
            "http,removed,Browser.Url,,Browser,,,,,,,,,,protocol,,,,,,\r\n");
  EXPECT_EQ(test::ReadFileBytes(Base()), base);

  for (const std::string bad : {"<DefaultAssociations><Association Identifier=\".txt\" ProgId=\"a\">",
                                "<DefaultAssociations><Association Identifier=\".txt\" ProgId=\"a\"/>"
                                "<Association Identifier=\".TXT\" ProgId=\"b\"/></DefaultAssociations>"}) {
    test::WriteFileBytes(dir.File("bad.xml"), bad);
    EXPECT_EQ(Run({"--check", "--base", "bad.xml"}), kFailure) << bad;
    EXPECT_TRUE(Holds(console.err, "bad.xml"));
    EXPECT_TRUE(Holds(console.err, ". Nothing was written.")) << console.err;
    EXPECT_EQ(console.out, "");
  }
  EXPECT_EQ(Run({"--accept", "--base", "dism.xml"}), kUsage);
  EXPECT_EQ(test::ReadFileBytes(Base()), base);
}

// Every file of the run's folder with its bytes: what "nothing was written"
// means.
std::map<std::string, std::string> Snapshot(const test::TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& f : std::filesystem::recursive_directory_iterator(dir.path()))
    if (f.is_regular_file()) files[f.path().string()] = test::ReadFileBytes(f.path().string());
  return files;
}

constexpr const char* kFields = "Ext\tPath\tKey\tProgID\tMachine\tUser\tChoice\tCommand\tOpener\tTypes";

// A report or an export never lands on the base, its backup, the names of
// its temporaries and set-aside copies, or the associations file being
// read, however the name is spelled or linked; the run is refused before
// it reads or writes anything.
TEST_F(CommandTest, NoOutputLandsOnWhatTheRunReadsOrKeeps) {
  Run({"--check"});
  Hijack();
  ASSERT_EQ(Run({"--accept"}), kNoChanges);  // the backup exists from now on
  test::WriteFileBytes(dir.File("dism.xml"), test::Data("dism.xml"));
  std::filesystem::create_hard_link(Base(), dir.File("alias.txt"));
  std::filesystem::create_hard_link(Base() + ".bak", dir.File("alias.bak"));
  std::vector<std::string> spellings = {"Prev.isd",          "PREV.ISD.",
                                        "Prev.isd . .",      "./Prev.isd",
                                        "sub/../Prev.isd",   dir.File("Prev.isd"),
                                        "Prev.isd.bak",      "prev.ISD.bak.",
                                        "Prev.isd.4242.1.tmp", "Prev.damaged-20261208-101500.isd",
                                        "Prev.isd:x",        "Prev.isd::$DATA",
                                        ".",                 "alias.txt",
                                        "alias.bak",         "Prev.history/notes.txt",
                                        "prev.HISTORY./00000001-20261208T101500Z.isd"};
#ifdef _WIN32
  spellings.insert(spellings.end(), {".\\Prev.isd", "sub\\..\\PREV.isd"});
#else
  std::filesystem::create_directory_symlink(dir.path(), dir.File("via"));
  spellings.insert(spellings.end(), {"via/Prev.isd.bak", "via/prev.damaged-x.isd"});
#endif
  const auto before = Snapshot(dir);
  events.events.clear();
  for (const std::string& to : spellings) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--check", "--report", to},
                                                 {"--export-defaults", to},
                                                 {"--check", "--base", "other.isd", "--report", to}}) {
      EXPECT_EQ(Run(args), kUsage) << args[0] << " " << to;
      EXPECT_TRUE(Holds(console.err, "nothing was read or written"));
    }
  }
  EXPECT_EQ(Run({"--check", "--base", "dism.xml", "--report", "DISM.XML."}), kUsage);
  EXPECT_EQ(Run({"--export-defaults", "e.xml", "--report", "./E.xml"}), kUsage);
  EXPECT_EQ(Snapshot(dir), before);
  EXPECT_TRUE(events.events.empty()) << "a refused run leaves no event";
  // The base's name in another folder is another file.
  std::filesystem::create_directory(dir.File("sub"));
  EXPECT_EQ(Run({"--check", "--report", "sub/Prev.isd"}), kNoChanges) << console.err;
  auto after = Snapshot(dir);
  EXPECT_EQ(after.erase((dir.path() / "sub" / "Prev.isd").string()), 1u) << "the report";
  EXPECT_EQ(after, before);
}

// A base whose records name keys other than their type's own (a file the
// user can write, planted for an administrator's restore) is damaged:
// neither a restore nor an export acts on it, and nothing is written.
TEST_F(CommandTest, AHostileBaseIsRefusedBeforeAnythingIsWritten) {
  const std::string records[] = {
      ".ini\tC:\\evil.dll\tCLSID\\{0C0A}\\InprocServer32\tinifile\t\t\t\t\t\t",
      ".ini\tC:\\evil.dll\tCLSID\\{0C0A}\\shell\\open\\command\tCLSID\\{0C0A}\t\t\t\t\t\t",
      ".ini\tC:\\evil.dll\t\\\\server\\share\\shell\\open\\command\t\t\t\t\t\t\t",
      ".ini\tC:\\evil.dll\t..\\txtfile\\shell\\open\\command\t..\t\t\t\t\t\t",
      "CLSID\\{0C0A}\\InprocServer32\tC:\\evil.dll\t\tinifile\t\t\t\t\t\t",
      ".ini`1B[2J`0Aforged\tC:\\evil.dll\tx\\InprocServer32\tinifile\t\t\t\t\t\t",  // escapes in the message
      ".txt`00x\tC:\\evil.exe\t\tevilfile\t\t\t\t\t\t",  // a zero character: .txt's key would be written
  };
  for (const std::string& record : records) {
    test::WriteFileBytes(Base(), test::HandMadeBase(2, kFields, {record}));
    const auto before = Snapshot(dir);
    const std::string registry = reg.ToText();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--restore", "all"},
                                                 {"--restore", ".ini"},
                                                 {"--export-defaults", "e.xml"}}) {
      EXPECT_EQ(Run(args), kBaseDamaged) << record << " " << args[0];
      EXPECT_TRUE(Holds(console.err, "is damaged"));
      EXPECT_EQ(console.err.find_first_of("\x1B\n"), console.err.size() - 1) << "one line, no escape sequence";
      EXPECT_EQ(reg.ToText(), registry) << record;
      EXPECT_EQ(Snapshot(dir), before) << record;
    }
  }
  EXPECT_EQ(platform.notices, 0);
}

// A record names only what a restore may write: a handler is a class
// identifier or nothing, a verb one key's name other than "." and "..".
// Anything else makes the base, or the generation, damaged on every way
// into a restore, and nothing is written; what is sound restores.
TEST_F(CommandTest, ARecordNamesOnlyAClassIdentifierAndOneVerb) {
  const auto v3 = [](const std::string& verb, const std::string& handler) {
    return test::HandMadeBase(3, std::string(kFields) + "\tVerb\tVerbCommand\tHandler\tVerbAt\tChoiceAt",
                              {".txt\tC:\\WINDOWS\\NOTEPAD.EXE %1\ttxtfile\\shell\\open\\command\ttxtfile\ttxtfile\t\t\t"
                               "C:\\WINDOWS\\NOTEPAD.EXE %1\tNOTEPAD\t1 1 1 0 1 1\t" + verb + "\t" +
                               (verb.empty() ? "" : "notepad.exe /p %1") + "\t" + handler + "\t" +
                               (verb.empty() ? "" : "machine") + "\t"});
  };
  const struct {
    const char* verb;
    const char* handler;
    bool sound;
  } cases[] = {
      {"", "CLSID\\{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}\\InprocServer32", false},
      {"", "{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}\\x", false},
      {"", "{4ED3A719-CEA8-4BD9-910D-E252F997AFC}", false},
      {"", " {4ED3A719-CEA8-4BD9-910D-E252F997AFC2}", false},
      {"", "{4ED3A719-CEA8-4BD9-910D-E252F997AFCG}", false},
      {"", "4ED3A719-CEA8-4BD9-910D-E252F997AFC2", false},
      {"..", "", false},
      {".", "", false},
      {"print\\..\\..", "", false},
      {"", "{4ed3a719-cea8-4bd9-910d-e252f997afc2}", true},
      {"edit", "", true},
      {"...", "", true},
  };
  Run({"--check"});
  const std::string good = test::ReadFileBytes(Base());
  const std::string generation = JoinPath(dir.File("Prev.history"), "00000001-20261208T101500Z.isd");
  std::filesystem::create_directory(dir.File("Prev.history"));
  for (const auto& c : cases) {
    const std::string record = v3(c.verb, c.handler);
    const std::string registry = reg.ToText();
    // The base itself, then the same record as generation 1 of a sound base.
    test::WriteFileBytes(Base(), record);
    EXPECT_NE(Run({"--check"}), kBaseDamaged) << "every base that was written loads: " << c.verb << c.handler;
    for (const bool fromHistory : {false, true}) {
      if (fromHistory) {
        test::WriteFileBytes(Base(), good);
        test::WriteFileBytes(generation, record);
      }
      const auto before = Snapshot(dir);
      const int code = Run(fromHistory ? std::vector<std::string>{"--restore-from", "1"}
                                       : std::vector<std::string>{"--restore", "all"});
      if (c.sound) {
        EXPECT_NE(code, kBaseDamaged) << c.verb << c.handler << " " << console.err;
        continue;
      }
      EXPECT_EQ(code, kBaseDamaged) << c.verb << c.handler << (fromHistory ? " in the history" : "");
      EXPECT_TRUE(Holds(console.err, *c.handler ? "is not a class identifier" : "is not one key's name"));
      EXPECT_EQ(reg.ToText(), registry) << c.verb << c.handler;
      EXPECT_EQ(Snapshot(dir), before) << c.verb << c.handler;
    }
    reg.LoadText(test::Data("classes.reg"), "classes");
  }
}

// An identifier that names a path is a change the check shows, with what it
// runs, but no key a record then names: the base an accept writes of it
// loads and restores as any other.
TEST_F(CommandTest, AnIdentifierThatNamesAPathIsSeenAndRecordedSafely) {
  Run({"--check"});
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"CLSID\\\\{0C0A}\"\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{0C0A}\\shell\\open\\command]\n@=\"evil.exe %1\"\n",
               "path");
  EXPECT_EQ(Run({"--check", "--format", "csv"}), kChangesFound);
  EXPECT_TRUE(Holds(console.out, ",CLSID\\{0C0A},evil.exe %1,evil,,,,,,"));
  EXPECT_EQ(Run({"--accept"}), kNoChanges);
  EXPECT_FALSE(Holds(test::ReadFileBytes(Base()), "{0C0A}\\shell"));
  EXPECT_EQ(Run({"--restore", ".txt"}), kNoChanges);
  EXPECT_EQ(Run({"--check"}), kNoChanges);
}

// Only a first run or an accept records a base: an export never records
// one, let alone from nothing. A base that does not load (of a newer
// format, or with records whose header lost its field names) is refused as
// damage would be, not taken for new, and stays as it is.
TEST_F(CommandTest, OnlyAFirstRunOrAnAcceptRecordsABase) {
  DataFile vsd;
  vsd.FileName(JoinPath(dir.path().string(), "Prev"));
  vsd.Create();
  vsd.Layout("$*256$$$$$$$$$");
  vsd.MakeTable();
  vsd.Close();
  const std::string neverFilled = test::ReadFileBytes(Base());
  EXPECT_EQ(Run({"--export-defaults", "e.xml"}), kFailure);
  EXPECT_TRUE(Holds(console.err, "no base is recorded"));
  EXPECT_EQ(test::ReadFileBytes(Base()), neverFilled);
  EXPECT_FALSE(std::filesystem::exists(dir.File("e.xml")));
  EXPECT_EQ(Run({"--check"}), kFirstRun);

  std::string newer = test::ReadFileBytes(Base());
  newer = test::Reseal(newer.replace(newer.find("HOLLINBASE\t4"), 12, "HOLLINBASE\t5"));
  const std::string nameless = test::HandMadeBase(
      2, "\t\t\t\t\t\t\t\t\t", {".txt\tnotepad %1\ttxtfile\\shell\\open\\command\ttxtfile\t\t\t\t\t\t"});
  for (const std::string& base : {newer, nameless}) {
    test::WriteFileBytes(Base(), base);
    for (const char* action : {"--check", "--accept"}) {
      EXPECT_EQ(Run({action}), kBaseDamaged) << action << "\n" << base;
      EXPECT_EQ(test::ReadFileBytes(Base()), base) << action;
    }
  }
}

// An action that was done keeps its exit code when its report file cannot
// be written, and says both; a report that is the whole product (a check)
// fails. A folder as the report is refused before anything is done. The
// same holds for a report on standard output that takes nothing (a full
// disk behind a redirection, a pipe closed early).
TEST_F(CommandTest, AnActionDoneIsToldEvenWhenItsReportCannotBeWritten) {
  EXPECT_EQ(Run({"--check", "--report", "."}), kUsage);
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = dir.File("fifo");
  ASSERT_EQ(mkfifo(device.c_str(), 0600), 0);
#endif
  EXPECT_EQ(Run({"--check", "--report", device}), kUsage) << "a device takes no report file";
  EXPECT_EQ(Run({"--export-defaults", device}), kUsage);
  EXPECT_FALSE(std::filesystem::exists(Base()));
  const std::string nowhere = "missing/r.txt";
  EXPECT_EQ(Run({"--check", "--report", nowhere}), kFirstRun);
  EXPECT_TRUE(std::filesystem::exists(Base()));
  EXPECT_TRUE(Holds(console.err, "recorded as the base, but the report was not written"));
  Hijack();
  EXPECT_EQ(Run({"--check", "--report", nowhere}), kFailure);
  EXPECT_EQ(Run({"--restore", "all", "--report", nowhere}), kNoChanges);
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, ".txt"), "txtfile");
  EXPECT_TRUE(Holds(console.err, "restored, but the report was not written"));
  Hijack();
  EXPECT_EQ(Run({"--accept", "--report", nowhere}), kNoChanges);
  EXPECT_EQ(Run({"--check"}), kNoChanges) << "the accept was done";
  EXPECT_EQ(Run({"--export-defaults", "e.xml", "--report", nowhere}), kNoChanges);
  EXPECT_TRUE(std::filesystem::exists(dir.File("e.xml")));
  // The report's name is shown escaped, as every message shows one, and the
  // sentence ends.
  EXPECT_EQ(Run({"--accept", "--report", "missing/r\x01.txt"}), kNoChanges);
  EXPECT_TRUE(Holds(console.err, "r\\x01.txt\"")) << console.err;
  EXPECT_TRUE(console.err.ends_with(".\n")) << console.err;
  EXPECT_FALSE(Holds(console.err, "\x01")) << console.err;

  console.outFails = "Standard output cannot be written (error 112).";
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n", "back");  // the base has Grab.Doc now
  EXPECT_EQ(Run({"--check"}), kFailure);
  EXPECT_TRUE(Holds(console.err, "Standard output cannot be written"));
  EXPECT_EQ(Run({"--restore", "all"}), kNoChanges);
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, ".txt"), "Grab.Doc");
  EXPECT_TRUE(Holds(console.err, "restored, but the report was not written: Standard output"));
  console.outFails.clear();
}

// A type that appeared since the base is undone by --restore: what opens it
// is removed from the layer it stands in, so the next check is clean; an
// Explorer's choice is never written, and a type nobody knows stays an
// error.
TEST_F(CommandTest, RestoreUndoesTypesTheBaseNeverHad) {
  Run({"--check"});
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.new]\n@=\"New.Doc\"\n[HKEY_CLASSES_ROOT\\New.Doc\\shell\\open\\command]\n"
               "@=\"new.exe %1\"\n[HKEY_CURRENT_USER\\Software\\Classes\\.usr]\n@=\"Usr.Doc\"\n"
               "[HKEY_CURRENT_USER\\Software\\Classes\\Usr.Doc\\shell\\open\\command]\n@=\"usr.exe %1\"\n",
               "new types");
  EXPECT_EQ(Run({"--check"}), kChangesFound);
  EXPECT_EQ(Run({"--restore", "all"}), kNoChanges) << console.out;
  EXPECT_TRUE(Holds(console.out, ".new: removed"));
  EXPECT_EQ(Run({"--check"}), kNoChanges) << console.out;
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, "New.Doc\\shell\\open\\command"), "new.exe %1")
      << "the identifier's own registration stays";

  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(kFileExtsPath) +
                   "\\.chosen\\UserChoice]\n\"ProgId\"=\"txtfile\"\n",
               "choice");
  const std::string registry = reg.ToText();
  EXPECT_EQ(Run({"--restore", "all"}), kWritesRefused);
  EXPECT_TRUE(Holds(console.out, ".chosen: Explorer's choice differs from the base. Windows protects it, so Hollin does not "
                                 "write it: choose the program in Settings > Apps > Default apps (ms-settings:defaultapps)."));
  EXPECT_EQ(reg.ToText(), registry);
  EXPECT_EQ(Run({"--restore", ".zip"}), kWritesRefused);
}

// Another copy (the window, the guard, a script) writing the base holds its
// turn: a run that would read what it writes waits for it, a bounded time,
// and does nothing where it does not come. Every key a check, an accept
// or a restore reads or writes, it reads and writes in its own turn: none
// acts on a base or a registry another is halfway through writing.
TEST_F(CommandTest, ARunReadsAndWritesOnlyInTheBasesTurn) {
  ASSERT_EQ(Run({"--check"}), kFirstRun);
  const std::string turn = BaseTurnName(Base());
  struct InTurn : test::CountingRegistry {
    InTurn(IRegistry& inner, const std::string& name, const test::FakePlatform& run)
        : CountingRegistry(inner), name(name), run(run) {}
    LONG RegOpenKeyExA(HKEY key, LPCSTR sub, DWORD options, REGSAM sam, PHKEY out) override {
      Note();
      return CountingRegistry::RegOpenKeyExA(key, sub, options, sam, out);
    }
    LONG RegSetValueExA(HKEY key, LPCSTR value, DWORD reserved, DWORD type, const BYTE* data, DWORD size) override {
      Note();
      return CountingRegistry::RegSetValueExA(key, value, reserved, type, data, size);
    }
    void Note() {
      const auto it = test::FakePlatform::Turns().find(name);
      ++(it != test::FakePlatform::Turns().end() && it->second.first == &run ? in : out);
    }
    const std::string name;
    const test::FakePlatform& run;
    int in = 0, out = 0;
  } inTurn(reg, turn, platform);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--restore", "all"}, {"--accept"}, {"--check"}}) {
    Hijack();
    Run(args, &inTurn);
    EXPECT_EQ(inTurn.out, 0) << args[0] << ": keys read or written outside the turn";
    EXPECT_GT(inTurn.in, 0) << args[0];
    inTurn.in = inTurn.out = 0;
  }
  EXPECT_TRUE(test::FakePlatform::Turns().empty()) << "each run gave its turn back";

  test::FakePlatform other;
  ASSERT_TRUE(other.TakeTurn(turn, 0));
  Hijack();
  const std::string base = test::ReadFileBytes(Base()), registry = reg.ToText();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--restore", "all"}, {"--accept"}}) {
    platform.waits.clear();
    EXPECT_EQ(Run(args), kFailure) << args[0];
    EXPECT_EQ(platform.waits, std::vector<unsigned>{kBaseTurnWaitMs}) << "one bounded wait";
    EXPECT_TRUE(Holds(console.err, "waiting up to 30 seconds for it to finish"));
    EXPECT_TRUE(Holds(console.err, ShownText("was still writing the base \"" + AbsolutePath(Base()) +
                                                 "\" or restoring from it after 30 seconds, so nothing was done.")))
        << console.err;
    EXPECT_EQ(test::ReadFileBytes(Base()), base);
    EXPECT_EQ(reg.ToText(), registry);
  }
  // Given back within the wait: the run goes on.
  platform.whileWaiting = [&](const std::string& name) { other.GiveTurn(name); };
  EXPECT_EQ(Run({"--restore", "all"}), kNoChanges) << console.err;
  EXPECT_EQ(Run({"--check"}), kNoChanges);
}

// Ctrl+C during a restore (the request arrives with its first write): the
// type being written is finished whole, the others are left as they are,
// what was done is reported, and the run ends with 4.
TEST_F(CommandTest, CtrlCStopsARestoreBetweenTwoTypes) {
  struct StopAtFirstWrite : RegistryStore {
    StopRequest* request = nullptr;
    LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) override {
      const LONG status = RegistryStore::RegSetValueExA(key, name, reserved, type, data, size);
      if (request) request->requested = true;
      return status;
    }
  } store;
  store.LoadText(test::Data("classes.reg"), "classes");
  EXPECT_EQ(Run({"--check"}, &store), kFirstRun);
  // Two writes to undo in each type: its identifier and its command.
  store.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n[HKEY_CLASSES_ROOT\\.bmp]\n@=\"Grab.Doc\"\n"
                 "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n@=\"grab.exe %1\"\n"
                 "[HKEY_CLASSES_ROOT\\Paint.Picture\\shell\\open\\command]\n@=\"grab.exe %1\"\n",
                 "hijack");
  EXPECT_EQ(Run({"--check"}, &store), kChangesFound);
  StopRequest request;
  stop = &request;
  store.request = &request;
  EXPECT_EQ(Run({"--restore", "all"}, &store), kWritesRefused);
  EXPECT_TRUE(Holds(console.out, "Stopped on request (Ctrl+C): 1 of 2 types and links were not restored"));
  EXPECT_TRUE(Holds(console.out, ": restored."));
  EXPECT_TRUE(Holds(console.out, "Outcome: not all restored."));
  EXPECT_FALSE(request.honoured) << "the request is the restore's only while it runs";
  store.request = nullptr;
  request.requested = false;
  // One type back whole, the other as the takeover left it.
  EXPECT_EQ(Run({"--check"}, &store), kChangesFound);
  const bool txtLeft = console.out.find(".txt\t") != std::string::npos;
  const bool bmpLeft = console.out.find(".bmp\t") != std::string::npos;
  EXPECT_NE(txtLeft, bmpLeft) << console.out;
  EXPECT_EQ(Run({"--restore", "all"}, &store), kNoChanges) << console.out;
}

// On Windows the class root is merged: a restore that wrote through it would
// land in the user classes wherever their key exists (programs make one for
// their "Open with" lists) and call the type restored, leaving a per-user
// setting the base never had. Each layer is written itself: a refused
// machine write leaves the type not restored, in any letter case.
TEST_F(CommandTest, ARefusedMachineWriteIsNeverMadeGoodInTheUserClasses) {
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.txt\\OpenWithProgids]\n\"Grab.Doc\"=\"\"\n", "list");
  MergedClassRoot merged(reg);
  EXPECT_EQ(Run({"--check"}, &merged), kFirstRun);
  Hijack();
  reg.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", KEY_SET_VALUE);
  const std::string before = reg.ToText();
  for (const char* type : {".txt", "TXT"}) {
    EXPECT_EQ(Run({"--restore", type}, &merged), kWritesRefused) << type;
    EXPECT_TRUE(Holds(console.out, "in the machine classes): error 5"));
    EXPECT_EQ(reg.ToText(), before) << type;
  }
}

// A key the user may not read is no type removed: the check lists it as
// unreadable and never answers 0, an accept keeps the base's record of it,
// and a restore writes nothing over it (4), while the others are restored;
// once the key may be read again, nothing has changed. On Wine's class root
// and on Windows' merged one alike.
TEST_F(CommandTest, AKeyThatCannotBeReadIsNeverRemovedForgottenOrWrittenOver) {
  const std::string user = "HKEY_CURRENT_USER\\Software\\Classes\\";
  reg.LoadText("REGEDIT4\n[" + user + ".tlock]\n@=\"Grab.1\"\n[" + user + "Grab.1\\shell\\open\\command]\n@=\"g.exe %1\"\n",
               "grab");
  MergedClassRoot merged(reg);
  for (IRegistry* on : {static_cast<IRegistry*>(&reg), static_cast<IRegistry*>(&merged)}) {
    std::filesystem::remove(Base());
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.tlock", 0);
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.zzz", 0);
    reg.LoadText("REGEDIT4\n[-" + user + ".zzz]\n", "none yet");
    ASSERT_EQ(Run({"--check"}, on), kFirstRun);
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.tlock", KEY_READ);
    // Another type that appeared since, whose key cannot be read either.
    reg.LoadText("REGEDIT4\n[" + user + ".zzz]\n@=\"Grab.1\"\n", "new");
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.zzz", KEY_READ);
    struct Format {
      const char* name;
      std::string wanted;
    };
    for (const Format& f : {Format{"text", ".tlock\tunreadable\tg (Grab.1) -> (unreadable)\n"},
                            Format{"json", "\"type\": \".tlock\", \"change\": \"unreadable\""},
                            Format{"csv", ".tlock,unreadable,Grab.1,g.exe %1,g,,,,"}}) {
      EXPECT_EQ(Run({"--check", "--format", f.name}, on), kChangesFound) << f.name;
      EXPECT_NE(console.out.find(f.wanted), std::string::npos) << console.out;
      for (const char* removed : {"\tremoved\t", "\"removed\"", ",removed,"})
        EXPECT_EQ(console.out.find(removed), std::string::npos) << console.out;
    }
    EXPECT_NE(console.out.find(".zzz,unreadable,,,,,,,"), std::string::npos) << console.out;
    // Against an associations file it is unreadable too.
    test::WriteFileBytes(dir.File("wanted.xml"),
                         "<DefaultAssociations><Association Identifier=\".tlock\" ProgId=\"Grab.1\" "
                         "ApplicationName=\"G\" /></DefaultAssociations>");
    EXPECT_EQ(Run({"--check", "--base", "wanted.xml", "--format", "csv"}, on), kChangesFound);
    EXPECT_NE(console.out.find(".tlock,unreadable,Grab.1,"), std::string::npos) << console.out;
    EXPECT_EQ(Run({"--check"}, on), kChangesFound);
    EXPECT_NE(console.out.find("The key HKEY_CURRENT_USER\\Software\\Classes\\.tlock is there but cannot be read"),
              std::string::npos)
        << console.out;

    // A restore writes nothing over either key, and restores what it can.
    Hijack();
    const auto keyText = [&](const std::string& name) {
      reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\" + name, 0);
      const std::string value = ReadDefaultValue(reg, HKEY_CURRENT_USER, "Software\\Classes\\" + name);
      reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\" + name, KEY_READ);
      return value;
    };
    EXPECT_EQ(Run({"--restore", "all"}, on), kWritesRefused) << console.out;
    EXPECT_NE(console.out.find(".txt: restored."), std::string::npos) << console.out;
    EXPECT_NE(console.out.find("its key HKEY_CURRENT_USER\\Software\\Classes\\.tlock cannot be read with your rights"),
              std::string::npos)
        << console.out;
    EXPECT_NE(console.out.find("look at its permissions with the system's registry editor"), std::string::npos)
        << console.out;
    EXPECT_EQ(console.out.find(".tlock: restored"), std::string::npos) << console.out;
    EXPECT_EQ(keyText(".tlock"), "Grab.1");
    EXPECT_EQ(keyText(".zzz"), "Grab.1");

    // An accept keeps the record of .tlock, and records nothing of .zzz.
    EXPECT_EQ(Run({"--accept"}, on), kNoChanges) << console.out;
    EXPECT_NE(console.out.find("The base keeps its record of .tlock as it was."), std::string::npos) << console.out;
    EXPECT_EQ(Run({"--check"}, on), kChangesFound);

    // Readable again: .tlock is as the base has it, .zzz is new.
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.tlock", 0);
    reg.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\.zzz", 0);
    EXPECT_EQ(Run({"--check", "--format", "csv"}, on), kChangesFound);
    EXPECT_EQ(console.out.find(".tlock"), std::string::npos) << console.out;
    EXPECT_NE(console.out.find(".zzz,new,"), std::string::npos) << console.out;
  }
}

// Explorer's choice (where Windows 11 keeps it) decides over both classes
// layers, and its command is the user classes' over the machine's; a
// restore never writes the choice, so it never calls the type restored,
// however well every other write went.
TEST_F(CommandTest, ExplorersChoiceDecidesAndIsNeverClaimedRestored) {
  Run({"--check"});
  const std::string exts = "[HKEY_CURRENT_USER\\" + std::string(kFileExtsPath) + "\\.txt\\";
  reg.LoadText("REGEDIT4\n" + exts + "UserChoice]\n\"ProgId\"=\"Old.Doc\"\n" + exts +
                   "UserChoiceLatest\\ProgId]\n\"ProgId\"=\"Grab.Doc\"\n"
                   "[HKEY_CURRENT_USER\\Software\\Classes\\.txt]\n@=\"Other.Doc\"\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Grab.Doc\\shell\\open\\command]\n@=\"m.exe %1\"\n"
                   "[HKEY_CURRENT_USER\\Software\\Classes\\Grab.Doc\\shell\\open\\command]\n@=\"u.exe %1\"\n",
               "choice");
  EXPECT_EQ(Run({"--check", "--format", "csv"}), kChangesFound);
  EXPECT_TRUE(Holds(console.out, ".txt,changed,txtfile,C:\\WINDOWS\\NOTEPAD.EXE %1,NOTEPAD,Grab.Doc,u.exe %1,u,,,,,,"));
  EXPECT_EQ(Run({"--restore", ".txt"}), kWritesRefused);
  EXPECT_TRUE(Holds(console.out, ".txt: Explorer's choice differs"));
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CURRENT_USER, std::string(kFileExtsPath) + "\\.txt\\UserChoiceLatest\\ProgId"),
            "");
  DWORD type;
  EXPECT_EQ(ReadValue(reg, HKEY_CURRENT_USER, std::string(kFileExtsPath) + "\\.txt\\UserChoiceLatest\\ProgId",
                      "ProgId", type),
            "Grab.Doc");
}

// --base reads the file it names, whatever its name; a folder is no base.
TEST_F(CommandTest, TheBaseNamedIsTheFileRead) {
  Run({"--check"});
  std::filesystem::copy_file(Base(), dir.File("copy.bak"));
  std::filesystem::copy_file(Base(), dir.File("OTHER.ISD"));
  Hijack();
  const auto before = Snapshot(dir);
  EXPECT_EQ(Run({"--check", "--base", "copy.bak"}), kChangesFound);
  EXPECT_EQ(Run({"--check", "--base", "OTHER.ISD"}), kChangesFound);
  EXPECT_EQ(Snapshot(dir), before);
  std::filesystem::create_directory(dir.File("folder"));
  EXPECT_EQ(Run({"--check", "--base", "folder"}), kBaseDamaged);
  EXPECT_EQ(Snapshot(dir), before);
  // A name that does not exist may be a script's first run, or a slip: the
  // new file is recorded and named in full, so that a slip is seen.
  EXPECT_EQ(Run({"--check", "--base", "nosuch.isd"}), kFirstRun);
  EXPECT_TRUE(Holds(console.out, ShownText("The base file \"" + AbsolutePath(dir.File("nosuch.isd")) +
                                               "\" did not exist: it was made now")))
      << console.out;
  EXPECT_EQ(Run({"--check"}), kChangesFound);
  EXPECT_FALSE(Holds(console.out, "did not exist")) << "the program's own base is not named so";
}

// The risk signals of a changed type's new program, in the reports; none
// asked of a check without changes; and the health check, which needs no
// base and writes none.
TEST_F(CommandTest, RiskSignalsOfChangedTypesAndTheHealthCheck) {
  using T = IFileFacts::Trust;
  withFacts = true;
  files.Add("C:\\WINDOWS\\NOTEPAD.EXE", T::Unsigned);  // told, but no count of health
  files.Add("C:\\Program Files\\Paint\\zpaint.exe", T::Signed, "Sample Paint Ltd");
  // Programs and batch files with their standard classes are no risk.
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.exe]\n@=\"exefile\"\n[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\n"
               "@=\"\\\"%1\\\" %*\"\n[HKEY_CLASSES_ROOT\\.bat]\n@=\"batfile\"\n"
               "[HKEY_CLASSES_ROOT\\batfile\\shell\\open\\command]\n@=\"\\\"%1\\\" %*\"\n",
               "standard");
  EXPECT_EQ(Run({"--check", "--health"}), kNoChanges) << console.out;
  EXPECT_FALSE(std::filesystem::exists(Base()));
  EXPECT_EQ(Run({"--check", "--health", "--base", "b.isd"}), kUsage);
  EXPECT_EQ(Run({"--accept", "--health"}), kUsage);
  EXPECT_EQ(Run({"--check"}), kFirstRun);
  files.signatureChecks = 0;
  EXPECT_EQ(Run({"--check"}), kNoChanges);
  EXPECT_EQ(files.signatureChecks, 0) << "a check without changes asks nothing of the files";

  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n"
               "@=\"%TEMP%\\\\grab.exe %1\"\n"
               "[HKEY_CLASSES_ROOT\\Paint.Picture\\shell\\open\\command]\n@=\"C:\\\\Program Files\\\\Paint\\\\zpaint.exe %1\"\n"
               "[HKEY_CLASSES_ROOT\\.exe]\n@=\"exefile\"\n[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\n"
               "@=\"C:\\\\Gone\\\\g.exe \\\"%1\\\" %*\"\n",
               "hijack");
  files.Add("C:\\Users\\ada\\AppData\\Local\\Temp\\grab.exe", T::Unsigned, "", "Grab, Inc.", "Grab");
  EXPECT_EQ(Run({"--check", "--format", "json"}), kChangesFound);
  for (const char* member :
       {"\"schema\": \"hollin-report/3\"",
        "\"runs\": \"C:\\\\Users\\\\ada\\\\AppData\\\\Local\\\\Temp\\\\grab.exe\", \"signals\": [\"unsigned\", "
        "\"user-folder\"], \"signer\": \"\", \"company\": \"Grab, Inc.\", \"product\": \"Grab\", \"verb\": \"\"",
        "\"runs\": \"C:\\\\Program Files\\\\Paint\\\\zpaint.exe\", \"signals\": [\"unquoted\"], \"signer\": "
        "\"Sample Paint Ltd\"",
        "\"runs\": \"C:\\\\Gone\\\\g.exe\", \"signals\": [\"missing\", \"runs-code\", \"command-changed\"]"})
    EXPECT_TRUE(Holds(console.out, member)) << member;

  // The health check lists what counts, whatever the base says.
  EXPECT_EQ(Run({"--accept"}), kNoChanges);
  EXPECT_EQ(Run({"--check", "--health"}), kChangesFound);
  EXPECT_TRUE(Holds(console.out, ".txt\trisk\t(none) -> grab (Grab.Doc)\t[unsigned user-folder]\n"));
  EXPECT_TRUE(Holds(console.out, ".exe\trisk\t"));
  EXPECT_TRUE(Holds(console.out, "3 type(s) with risk signals."));
  withFacts = false;
  EXPECT_EQ(Run({"--check", "--health"}), kFailure);
}

// The account the run is for: the system's service accounts and a profile
// that is not loaded (the default profile's HKEY_CURRENT_USER) are refused
// with exit code 5 before anything is read or written, and the message
// says why and what to do; another account than the one signed in is
// checked and named.
TEST_F(CommandTest, OnlyAUsersOwnSettingsAreChecked) {
  const struct {
    const char* what;
    AccountFacts facts;
    const char* why;
  } refused[] = {
      {"LocalSystem", {"NT AUTHORITY\\SYSTEM", "S-1-5-18", "PC-7\\ada"}, "LocalSystem"},
      {"LocalService", {"NT AUTHORITY\\LOCAL SERVICE", "S-1-5-19", ""}, "LocalService"},
      {"NetworkService", {"NT AUTHORITY\\NETWORK SERVICE", "S-1-5-20", ""}, "NetworkService"},
      {"the default profile", {"PC-7\\ada", "S-1-5-21-1-2-3-1001", "PC-7\\ada", true}, "HKEY_USERS\\.DEFAULT"},
  };
  Hijack();
  const std::string registry = reg.ToText();
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    account = row.facts;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--check", "--report", "r.txt"},
                                                 {"--accept", "--report", "r.txt"},
                                                 {"--restore", "all", "--report", "r.txt"}}) {
      EXPECT_EQ(Run(args), kFailure) << args[0];
      EXPECT_TRUE(Holds(console.err, row.why));
      EXPECT_TRUE(Holds(console.err, "nothing was read or written"));
      EXPECT_TRUE(Holds(console.err, "/RU \"BUILTIN\\Users\""));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no base, no report";
    EXPECT_EQ(reg.ToText(), registry);
    EXPECT_TRUE(events.events.empty());
  }
  // Elevated with another administrator's account: that account's settings,
  // said in the report and its event.
  account = {"PC-7\\admin", "S-1-5-21-1-2-3-500", "PC-7\\ada", false, true};
  EXPECT_EQ(Run({"--check"}), kFirstRun);
  EXPECT_EQ(Run({"--check", "--format", "json"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "those of PC-7\\\\admin (elevated), not those of PC-7\\\\ada, who is signed in."));
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_TRUE(Holds(events.events[0].text, "not those of PC-7\\ada"));
}

// An export leaves out a type recorded without a program identifier (its
// command stood under the extension itself), which an associations file
// cannot name, and says so.
TEST_F(CommandTest, AnExportLeavesOutATypeWithoutAnIdentifier) {
  test::WriteFileBytes(Base(), test::HandMadeBase(2, kFields, {".raw\traw.exe %1\t.raw\\shell\\open\\command\t\t\t\t\t\t\t",
                                                     ".txt\tnp.exe %1\ttxtfile\\shell\\open\\command\ttxtfile\t\t\t\t\t\t"}));
  EXPECT_EQ(Run({"--export-defaults", "out.xml"}), kNoChanges);
  const std::string xml = test::ReadFileBytes(dir.File("out.xml"));
  EXPECT_TRUE(Holds(xml, "Identifier=\".txt\""));
  EXPECT_FALSE(Holds(xml, ".raw"));
  EXPECT_TRUE(Holds(console.out, ".raw: left out (no program identifier)."));
}

// A report of changes with everything but its items.
Report SampleReport(const std::string& user) {
  Report r;
  r.program = "Hollin", r.version = "1.0.0", r.machine = "PC-7", r.user = user, r.time = IsoUtc(1796673600);
  r.baseFile = "C:\\Base\\Prev.isd", r.outcome = "changes";
  return r;
}

TEST(Report, EachFormatKeepsAwkwardTextWhole) {
  Report r = SampleReport("Ада \"admin\"");
  r.items = {{".txt", "changed", {"txtfile", "\"C:\\Program Files\\N, P\\np.exe\" \"%1\"", "np"},
              {"Grab.Doc", "grab.exe %1\r\n/x\t\x01", "grab"},
              {"C:\\Users\\ada\\grab.exe", {"unsigned", "user-folder"}, "", "Grab, Inc.", "Grab"},
              "2026-12-07T19:14:00Z"},
             {".日本", "new", {}, {"J.Doc", "C:\\Программы\\日本.exe %1", "日本"}, {}, {}},
             {"mailto", "changed", {"Mail.Url", "m.exe \"%1\"", "m"},
              {"Grab.Url", "g.exe -c \"%1\"", "g", "compose", "{00000000-0000-0000-0000-0000000000AB}", "Grab.Mail \"x\""},
              {}, {}}};
  EXPECT_EQ(r.time, "2026-12-07T20:00:00Z");

  // data/report.json was read back with a JSON parser when it was written
  // down: one document, every value as the report holds it.
  EXPECT_EQ(FormatReport(r, Format::Json), test::Data("report.json"));
  EXPECT_EQ(FormatReport(r, Format::Csv),
            kCsvHeader +
            ".txt,changed,txtfile,\"\"\"C:\\Program Files\\N, P\\np.exe\"\" \"\"%1\"\"\",np,Grab.Doc,\"grab.exe %1\r\n/x\t\\x01\","
            "grab,C:\\Users\\ada\\grab.exe,unsigned user-folder,,\"Grab, Inc.\",Grab,2026-12-07T19:14:00Z,type,,,,,,\r\n"
            ".日本,new,,,,J.Doc,C:\\Программы\\日本.exe %1,日本,,,,,,,type,,,,,,\r\n"
            "mailto,changed,Mail.Url,\"m.exe \"\"%1\"\"\",m,Grab.Url,\"g.exe -c \"\"%1\"\"\",g,,,,,,,protocol,,,compose,"
            "{00000000-0000-0000-0000-0000000000AB},,\"Grab.Mail \"\"x\"\"\"\r\n");
  const std::string text = FormatReport(r, Format::Text);
  EXPECT_TRUE(Holds(text, "\n.日本\tnew\t(none) -> 日本 (J.Doc)\n"));
  EXPECT_TRUE(Holds(text, " -> grab (Grab.Doc)\t[unsigned user-folder]\n"));
  EXPECT_TRUE(Holds(text, "\nmailto:\tchanged\tm (Mail.Url) -> g (Grab.Url), verb \"compose\", Explorer's choice "
                          "Grab.Mail \"x\" not honoured\n"));
  EXPECT_TRUE(Holds(text, "3 type(s) changed."));
}

// Text chosen by whoever took a type over, in each format: the text report
// (and with it the event) and CSV show control characters, lone surrogates
// and bytes that are no text escaped, so that no line is forged and nothing
// steers a console; JSON holds exactly what the registry holds; a CSV cell
// never begins as a formula.
TEST(Report, HostileTextIsShownSafelyInEachFormat) {
  using namespace std::string_literals;
  struct Row {
    std::string value, text, json, csv;
  };
  const Row rows[] = {  // the value; the text report's, JSON's and CSV's form of it
      {R"~(=HYPERLINK("x"))~", R"~(=HYPERLINK("x"))~", R"~("=HYPERLINK(\"x\")")~", R"~("'=HYPERLINK(""x"")")~"},
      {"=cmd|' /C calc'!A0", "=cmd|' /C calc'!A0", R"~("=cmd|' /C calc'!A0")~", "'=cmd|' /C calc'!A0"},
      {"+1", "+1", R"~("+1")~", "'+1"}, {"-2", "-2", R"~("-2")~", "'-2"},
      {"@SUM(A1)", "@SUM(A1)", R"~("@SUM(A1)")~", "'@SUM(A1)"},
      {"\tlead", R"~(\tlead)~", R"~("\tlead")~", "'\tlead"}, {"\rlead", R"~(\rlead)~", R"~("\rlead")~", "\"'\rlead\""},
      {"a\nb\rc\td", R"~(a\nb\rc\td)~", R"~("a\nb\rc\td")~", "\"a\nb\rc\td\""},
      {"\x1B[31mred\x1B]0;t\x07", R"~(\x1B[31mred\x1B]0;t\x07)~", R"~("\u001b[31mred\u001b]0;t\u0007")~",
       R"~(\x1B[31mred\x1B]0;t\x07)~"},
      {"nul\0!"s, R"~(nul\x00!)~", R"~("nul\u0000!")~", R"~(nul\x00!)~"},
      {"c1 \u0085\u009B\x7F", R"~(c1 \u0085\u009B\x7F)~", R"~("c1 \u0085\u009b\u007f")~", R"~(c1 \u0085\u009B\x7F)~"},
      {"lone \xED\xA0\x80", R"~(lone \uD800)~", R"~("lone \ud800")~", R"~(lone \uD800)~"},
      {"caf\xE9", R"~(caf\xE9)~", "\"caf\uFFFD\"", R"~(caf\xE9)~"},
      {R"~(C:\new\x41\\srv\u0041\)~", R"~(C:\\new\\x41\\\srv\\u0041\)~", R"~("C:\\new\\x41\\\\srv\\u0041\\")~",
       R"~(C:\new\\x41\\\srv\\u0041\)~"},
      {"😀 Кириллица", "😀 Кириллица", "\"😀 Кириллица\"", "😀 Кириллица"},
      {"plain.exe", "plain.exe", R"~("plain.exe")~", "plain.exe"},
  };
  Report r = SampleReport("ada");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    // A signer's or maker's name is chosen by whoever made the file.
    // So is an Explorer's choice that Windows sets aside.
    r.items = {{".t", "changed", {"txtfile", "np.exe %1", "np"}, {row.value, row.value, row.value, "", "", row.value},
                {row.value, {"unsigned"}, row.value, row.value, row.value}, {}}};
    EXPECT_EQ(FormatReport(r, Format::Text), "Hollin 1.0.0 on PC-7 (ada), 2026-12-07T20:00:00Z\nBase: C:\\Base\\Prev.isd\n"
                                             ".t\tchanged\tnp (txtfile) -> " + row.text + " (" + row.text +
                                                 "), Explorer's choice " + row.text +
                                                 " not honoured\t[unsigned]\n1 type(s) changed.\n");
    EXPECT_TRUE(Holds(FormatReport(r, Format::Json), "\"current\": {\"progId\": " + row.json + ", \"command\": " + row.json +
                                                     ", \"program\": " + row.json + ", \"runs\": " + row.json +
                                                     ", \"signals\": [\"unsigned\"], \"signer\": " + row.json +
                                                     ", \"company\": " + row.json + ", \"product\": " + row.json +
                                                     ", \"verb\": \"\", \"handler\": \"\", \"notHonoured\": " + row.json + "}"));
    EXPECT_EQ(FormatReport(r, Format::Csv).substr(FormatReport(r, Format::Csv).find("\r\n") + 2),
              ".t,changed,txtfile,np.exe %1,np," + row.csv + "," + row.csv + "," + row.csv + "," + row.csv + ",unsigned," +
                  row.csv + "," + row.csv + "," + row.csv + ",,type,,,,,," + row.csv + "\r\n");
  }
}

// Every control character in a JSON string is escaped: \u00XX, or its short
// escape where JSON has one.
TEST(Report, JsonEscapesEveryControlCharacter) {
  for (int c = 0; c < 0x20; ++c) {
    Report r;
    r.outcome = std::string("a") + static_cast<char>(c) + "b";
    const std::string json = FormatReport(r, Format::Json);
    const size_t from = json.find("\"outcome\": \"a") + 13, to = json.find("b\"", from);
    ASSERT_NE(to, std::string::npos) << c;
    char hex[7];
    std::snprintf(hex, sizeof hex, "\\u%04x", c);
    const std::map<int, std::string> shortForms{{8, "\\b"}, {9, "\\t"}, {10, "\\n"}, {12, "\\f"}, {13, "\\r"}};
    const std::string got = json.substr(from, to - from);
    const auto shortForm = shortForms.find(c);
    EXPECT_TRUE(FoldCase(got) == hex || (shortForm != shortForms.end() && got == shortForm->second))
        << "U+" << c << " as " << got;
  }
}

// The history's report tells the base's age where it tells when it was
// written, as every other report does.
TEST_F(CommandTest, TheHistoryTellsTheBasesAgeWithItsTime) {
  EXPECT_EQ(Run({"--check"}), kFirstRun);
  EXPECT_EQ(Run({"--history", "--format", "json"}), kNoChanges);
  EXPECT_FALSE(Holds(console.out, "\"written\": null")) << console.out;
  EXPECT_FALSE(Holds(console.out, "\"ageSeconds\": null")) << console.out;
}

// The history on the command line: three bases in turn, listed newest first
// with what each next base changed; a restore from the oldest brings the
// whole registry back as it was and keeps the base it replaced; a damaged
// generation is told and refused, a missing one too, and the command line's
// mistakes are caught before anything is read.
TEST_F(CommandTest, HistoryListsEarlierBasesAndRestoresFromOne) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } usage[] = {
      {{"--restore-from"}, "needs the number of a generation"},
      {{"--restore-from", "0"}, "not \"0\""},
      {{"--restore-from", "-1"}, "not \"-1\""},
      {{"--restore-from", "1", "--restore", "all"}, "cannot be combined with --restore"},
      {{"--history", "--base", "d.xml"}, "has no history"},
      {{"--history", "--accept"}, "cannot be combined"},
  };
  for (const auto& u : usage) {
    EXPECT_EQ(Run(u.args), kUsage) << u.args[0];
    EXPECT_TRUE(Holds(console.err, u.says));
  }
  EXPECT_FALSE(std::filesystem::exists(Base()));

  // The classes the takeovers name are there from the start: a restore
  // brings the registry back byte for byte.
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n", "grab");
  EXPECT_EQ(Run({"--check"}), kFirstRun);
  const std::string before = reg.ToText();
  EXPECT_EQ(Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "0 earlier base(s)."));
  // A file where the history's folder would be: why there is none.
  test::WriteFileBytes(dir.File("Prev.history"), "x");
  EXPECT_EQ(Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "Prev.history\" is a file")) << console.out;
  std::filesystem::remove(dir.File("Prev.history"));
  EXPECT_EQ(Run({"--restore-from", "1"}), kFailure);
  EXPECT_TRUE(Holds(console.err, "there is no generation 1 of the base: the history holds 0"));
  auto takeOver = [&](const char* type) {
    reg.LoadText(std::string("REGEDIT4\n[HKEY_CLASSES_ROOT\\") + type + "]\n@=\"Grab.Doc\"\n", "takeover");
    EXPECT_EQ(Run({"--accept"}), kNoChanges);
  };
  takeOver(".txt");
  takeOver(".bmp");
  const std::string taken = reg.ToText();

  EXPECT_EQ(Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "\n1\t2026-"));
  EXPECT_TRUE(Holds(console.out, "\t2 types\tchanged .bmp\n2\t"));
  EXPECT_TRUE(Holds(console.out, "\t2 types\tchanged .txt\n"));
  EXPECT_EQ(Run({"--history", "--format", "json"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "\"schema\": \"hollin-report/3\""));
  EXPECT_TRUE(Holds(console.out, "\"outcome\": \"history\",\n  \"changes\": [],\n  \"generations\": [\n    {\"number\": 1"));
  EXPECT_TRUE(Holds(console.out, "\"types\": 2, \"damaged\": null, \"next\": {\"changed\": [\".txt\"], \"new\": [], "
                                 "\"removed\": []}}\n  ],"));
  EXPECT_EQ(Run({"--history", "--format", "csv"}), kNoChanges);
  EXPECT_EQ(console.out.substr(0, console.out.find('\n')), "number,recorded,types,changed,new,removed,file,damaged\r");
  EXPECT_TRUE(Holds(console.out, "\n2,2026-"));

  EXPECT_EQ(Run({"--restore-from", "2"}), kNoChanges);
  EXPECT_EQ(reg.ToText(), before) << "the whole registry as it was when generation 2 was the base";
  EXPECT_TRUE(Holds(console.out, "Generation 2 (recorded 2026-"));
  EXPECT_EQ(Run({"--check"}), kNoChanges);
  EXPECT_EQ(Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "\t2 types\tchanged .bmp .txt\n2\t"));
  EXPECT_TRUE(Holds(console.out, "3 earlier base(s)."));
  // And back: the base the restore replaced is generation 1.
  EXPECT_EQ(Run({"--restore-from", "1"}), kNoChanges);
  EXPECT_EQ(reg.ToText(), taken);

  // Generation 2 damaged: listed as such, refused with exit code 3, and
  // nothing changed; the others still tell.
  std::vector<std::string> files;
  for (const auto& f : std::filesystem::directory_iterator(dir.File("Prev.history"))) files.push_back(f.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 4u);
  const std::string second = files[2];  // generation 2: the second newest
  const std::string bytes = test::ReadFileBytes(second);
  test::WriteFileBytes(second, bytes.substr(0, bytes.size() / 2));
  const std::string base = test::ReadFileBytes(Base());
  EXPECT_EQ(Run({"--history"}), kNoChanges);
  EXPECT_TRUE(Holds(console.out, "\n2\t2026-"));
  EXPECT_TRUE(Holds(console.out, "\tdamaged\n3\t"));
  EXPECT_TRUE(Holds(console.out, "(next base unknown)"));
  EXPECT_TRUE(Holds(console.out, "Generation 2 cannot be used: The base file"));
  EXPECT_EQ(Run({"--restore-from", "2"}), kBaseDamaged);
  EXPECT_TRUE(Holds(console.err, "Nothing was restored, and the base was left as it was."));
  EXPECT_EQ(test::ReadFileBytes(Base()), base);
  EXPECT_EQ(reg.ToText(), taken);

  // A write refused: exit code 4, as a restore from the base.
  reg.DenyAccess(HKEY_CLASSES_ROOT, ".txt", KEY_SET_VALUE);
  EXPECT_EQ(Run({"--restore-from", "4"}), kWritesRefused);
  EXPECT_TRUE(Holds(console.out, "The registry refused to restore .txt"));
}

}  // namespace
}  // namespace hollin::cli
