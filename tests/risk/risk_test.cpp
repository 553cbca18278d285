// What an open command really runs, and the risk signals of the program
// that now opens a type, over the stand-in for the facts of files.
#include <gtest/gtest.h>

#include "common/wtf8.h"
#include "compare/changed_when.h"
#include "messages/window_texts.h"
#include "risk/command_target.h"
#include "registry/layers.h"
#include "risk/risk.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "support/fake_file_facts.h"

namespace hollin {
namespace {

using K = CommandTarget::Kind;
using P = CommandTarget::Payload;
using H = CommandHost;

// Real-world commands with the answer a Windows user expects: what runs,
// whether it is there, the name an unquoted path gives away, the host and
// what it runs. The files that exist are those of FileSet below.
struct Case {
  const char* command;
  const char* program;
  bool found;
  const char* takeover;
  H host;
  const char* payload;
  P payloadKind;
};
const Case kCases[] = {
    {"\"C:\\Program Files\\Grab\\grab.exe\" \"%1\"", "C:\\Program Files\\Grab\\grab.exe", true, "", H::None, "", P::None},
    {"C:\\Program Files\\Grab\\grab.exe %1", "C:\\Program Files\\Grab\\grab.exe", true, "C:\\Program.exe", H::None, "", P::None},
    // An unquoted path whose first prefix exists: that file runs.
    {"C:\\Tools Box\\tb.exe %1", "C:\\Tools.exe", true, "C:\\Tools.exe", H::None, "", P::None},
    {"C:\\Program Files\\Gone\\gone.exe %1", "C:\\Program Files\\Gone\\gone.exe", false, "C:\\Program.exe", H::None, "", P::None},
    {"C:\\WINDOWS\\NOTEPAD.EXE %1", "C:\\WINDOWS\\NOTEPAD.EXE", true, "", H::None, "", P::None},
    {"%SystemRoot%\\system32\\NOTEPAD.EXE %1", "C:\\Windows\\system32\\NOTEPAD.EXE", true, "", H::None, "", P::None},
    {"%ProgramFiles%\\Grab\\grab.exe \"%1\"", "C:\\Program Files\\Grab\\grab.exe", true, "C:\\Program.exe", H::None, "", P::None},
    {"\"%ProgramFiles%\\Grab\\grab.exe\" \"%1\"", "C:\\Program Files\\Grab\\grab.exe", true, "", H::None, "", P::None},
    {"%NoSuchVariable%\\x.exe %1", "%NoSuchVariable%\\x.exe", false, "", H::None, "", P::None},
    // Names without a folder, searched as CreateProcess searches; ".exe" added.
    {"notepad.exe %1", "C:\\Windows\\notepad.exe", true, "", H::None, "", P::None},
    {"notepad %1", "C:\\Windows\\notepad.exe", true, "", H::None, "", P::None},
    {"write %1", "C:\\Windows\\write.exe", true, "", H::None, "", P::None},
    {"nowhere.exe %1", "nowhere.exe", false, "", H::None, "", P::None},
    {"C:\\Apps\\viewer %1", "C:\\Apps\\viewer.exe", true, "", H::None, "", P::None},
    // An executable type runs itself.
    {"\"%1\" %*", "%1", false, "", H::None, "", P::None},
    // Hosts, looked through to what they run.
    {"rundll32.exe \"C:\\Users\\ada\\AppData\\Roaming\\x\\y.dll\",Run %1", "C:\\Windows\\System32\\rundll32.exe", true, "",
     H::Rundll32, "C:\\Users\\ada\\AppData\\Roaming\\x\\y.dll", P::File},
    {"%SystemRoot%\\System32\\rundll32.exe shimgvw.dll,ImageView_Fullscreen %1", "C:\\Windows\\System32\\rundll32.exe",
     true, "", H::Rundll32, "C:\\Windows\\System32\\shimgvw.dll", P::File},
    {"rundll32 url.dll,FileProtocolHandler %1", "C:\\Windows\\System32\\rundll32.exe", true, "", H::Rundll32,
     "C:\\Windows\\System32\\url.dll", P::File},
    {"cmd.exe /c \"C:\\Users\\ada\\AppData\\Local\\Temp\\a.bat\" \"%1\"", "C:\\Windows\\System32\\cmd.exe", true, "", H::Cmd,
     "C:\\Users\\ada\\AppData\\Local\\Temp\\a.bat", P::File},
    {"C:\\Windows\\System32\\cmd.exe /Q /C start \"\" /min powershell -ep bypass -File C:\\Users\\Public\\p.ps1 %1",
     "C:\\Windows\\System32\\cmd.exe", true, "", H::Cmd, "C:\\Users\\Public\\p.ps1", P::File},
    {"cmd /c \"\"C:\\Program Files\\Grab\\grab.exe\" \"%1\"\"", "C:\\Windows\\System32\\cmd.exe", true, "", H::Cmd,
     "C:\\Program Files\\Grab\\grab.exe", P::File},
    {"cmd /k gone.bat", "C:\\Windows\\System32\\cmd.exe", true, "", H::Cmd, "gone.bat", P::File},
    // All that follows /c or /k is the command, a switch included (cmd /?).
    {"cmd /k /q x.bat", "C:\\Windows\\System32\\cmd.exe", true, "", H::Cmd, "/q.exe", P::File},
    {"powershell.exe -NoProfile -ExecutionPolicy Bypass -File \"C:\\Users\\ada\\s.ps1\" \"%1\"",
     "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", true, "", H::PowerShell, "C:\\Users\\ada\\s.ps1", P::File},
    {"powershell -w hidden -c \"iex (gc '%1')\"", "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", true, "",
     H::PowerShell, "\"iex (gc '%1')\"", P::Inline},
    {"mshta.exe \"%1\"", "C:\\Windows\\System32\\mshta.exe", true, "", H::Mshta, "%1", P::Document},
    {"mshta https://example.invalid/a.hta", "C:\\Windows\\System32\\mshta.exe", true, "", H::Mshta,
     "https://example.invalid/a.hta", P::Address},
    {"\"%SystemRoot%\\System32\\WScript.exe\" \"%1\" %*", "C:\\Windows\\System32\\WScript.exe", true, "", H::WScript, "%1",
     P::Document},
    {"cscript.exe //nologo //B C:\\Users\\ada\\AppData\\Roaming\\r.vbs", "C:\\Windows\\System32\\cscript.exe", true, "",
     H::CScript, "C:\\Users\\ada\\AppData\\Roaming\\r.vbs", P::File},
    {"", "", false, "", H::None, "", P::None},
};

struct FileSet : test::FakeFileFacts {
  FileSet() {
    search.push_back("C:\\Windows\\System32\\WindowsPowerShell\\v1.0");
    for (const char* f :
         {"C:\\Program Files\\Grab\\grab.exe", "C:\\Tools.exe", "C:\\Tools Box\\tb.exe", "C:\\Windows\\System32\\notepad.exe", "C:\\Windows\\notepad.exe",
          "C:\\Windows\\write.exe", "C:\\Apps\\viewer.exe", "C:\\Windows\\System32\\rundll32.exe",
          "C:\\Users\\ada\\AppData\\Roaming\\x\\y.dll", "C:\\Windows\\System32\\shimgvw.dll", "C:\\Windows\\System32\\url.dll", "C:\\Windows\\System32\\cmd.exe",
          "C:\\Users\\ada\\AppData\\Local\\Temp\\a.bat", "C:\\Users\\Public\\p.ps1",
          "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", "C:\\Users\\ada\\s.ps1",
          "C:\\Windows\\System32\\mshta.exe", "C:\\Windows\\System32\\WScript.exe", "C:\\Windows\\System32\\cscript.exe",
          "C:\\Users\\ada\\AppData\\Roaming\\r.vbs"})
      Add(f);
  }
};

ResolveContext ContextOf(IFileFacts& facts) {
  return {[&facts](const std::string& p) { return facts.Exists(p); },
          [&facts](std::string_view n) { return facts.Variable(n); }, facts.SearchFolders(), nullptr};
}

TEST(ResolveCommand, RealWorldCommands) {
  FileSet files;
  const ResolveContext ctx = ContextOf(files);
  for (const Case& c : kCases) {
    const CommandTarget t = ResolveCommand(c.command, ctx);
    EXPECT_TRUE(EqualsNoCase(t.program, c.program)) << c.command << "\n  runs " << t.program;
    EXPECT_EQ(t.found, c.found) << c.command;
    EXPECT_TRUE(EqualsNoCase(t.takeover, c.takeover)) << c.command << "\n  takeover " << t.takeover;
    EXPECT_EQ(t.host, c.host) << c.command;
    EXPECT_TRUE(EqualsNoCase(t.payload, c.payload)) << c.command << "\n  payload " << t.payload;
    EXPECT_EQ(t.payloadKind, c.payloadKind) << c.command;
    EXPECT_EQ(t.kind, !*c.command ? K::Nothing : std::string(c.program) == "%1" ? K::Document : K::Program) << c.command;
  }
}

// A command from a hostile registry costs a bounded number of file-system
// probes however many blanks it holds: no prefix past MAX_PATH is tried.
// Counted, not timed; a path with blanks that fits is still found.
TEST(ResolveCommand, ProbesAreBoundedByThePathLimit) {
  std::string blanks;
  for (int i = 0; i < 4000; ++i) blanks += " y";
  std::string fits = "C:\\Long Folder";
  while (fits.size() < 240) fits += " sub";
  fits += "\\app.exe";
  // A path of letters outside ASCII: under the limit in UTF-16 units,
  // although its UTF-8 bytes are far more.
  std::string wide = "C:\\Ordner";
  while (Utf16Length(wide) < 230) wide += " \xC3\xA4\xC3\xB6\xC3\xBC";
  wide += "\\app.exe";
  const struct {
    std::string command;
    size_t probesAtMost;
    const char* program;
    bool found;
  } kLong[] = {
      {"C:\\x" + blanks, 130, "C:\\x.exe", false},
      {"x" + blanks, 2 * 130, "x.exe", false},  // in each search folder
      {"cmd /c x" + blanks, 4 * 2 * 130 + 4, "C:\\Windows\\System32\\cmd.exe", true},  // cmd's four extensions
      {fits + " %1", 130, fits.c_str(), true},
      {wide + " %1", 130, wide.c_str(), true},
  };
  for (const auto& c : kLong) {
    size_t probes = 0;
    ResolveContext ctx;
    ctx.exists = [&](const std::string& p) {
      ++probes;
      return EqualsNoCase(p, "C:\\Windows\\System32\\cmd.exe") || p == fits || p == wide;
    };
    ctx.searchFolders = {"C:\\Windows\\System32", "C:\\Windows"};
    const CommandTarget t = ResolveCommand(c.command, ctx);
    EXPECT_LE(probes, c.probesAtMost) << c.command.substr(0, 40);
    EXPECT_TRUE(EqualsNoCase(t.program, c.program)) << c.command.substr(0, 40) << "\n  runs " << t.program;
    EXPECT_EQ(t.found, c.found) << c.command.substr(0, 40);
  }
}

// The signals of one type's handler, over a registry of its own.
class SignalTest : public ::testing::Test {
 protected:
  Assessment Assess(const char* ext, const char* progId, const char* command) {
    AssocEntry e;
    e.Ext(ext);
    e.ProgramID(progId);
    e.ProgramFullPath(command);
    return Assessor(reg, files).Assess(e);
  }
  RegistryStore reg;
  FileSet files;
};

TEST_F(SignalTest, EachSignalFromTheFactsOfItsFile) {
  using T = IFileFacts::Trust;
  using S = std::vector<Signal>;
  files.Add("C:\\Program Files\\Signed\\s.exe", T::Signed, "Sample Signer Ltd", "Sample Co", "Sample Viewer");
  files.Add("C:\\Program Files\\Broken\\b.exe", T::BadSignature);
  files.Add("C:\\Program.exe");

  Assessment a = Assess(".txt", "Signed.Doc", "\"C:\\Program Files\\Signed\\s.exe\" \"%1\"");
  EXPECT_EQ(a.signals, S{});
  EXPECT_EQ(a.signer, "Sample Signer Ltd");
  EXPECT_EQ(a.company + "/" + a.product, "Sample Co/Sample Viewer");
  EXPECT_EQ(Assess(".txt", "B", "\"C:\\Program Files\\Broken\\b.exe\" %1").signals, S{Signal::BadSignature});
  EXPECT_EQ(Assess(".txt", "G", "\"C:\\Program Files\\Grab\\grab.exe\" %1").signals, S{Signal::Unsigned});
  EXPECT_EQ(Assess(".txt", "G", "\"C:\\Program Files\\Gone\\g.exe\" %1").signals, S{Signal::Missing});
  a = Assess(".txt", "G", "C:\\Users\\ada\\AppData\\Roaming\\x\\gone.exe %1");
  EXPECT_EQ(a.signals, (S{Signal::Missing, Signal::UserFolder}));
  EXPECT_EQ(a.folder, "C:\\Users\\ada\\AppData\\Roaming");
  // The temporary folder is named rather than the profile that holds it.
  a = Assess(".txt", "G", "cmd /c C:\\Users\\ada\\AppData\\Local\\Temp\\a.bat %1");
  EXPECT_EQ(a.signals, (S{Signal::Unsigned, Signal::UserFolder, Signal::ScriptHost}));
  EXPECT_EQ(a.folder, "C:\\Users\\ada\\AppData\\Local\\Temp");
  // An unquoted path with blanks: the planted prefix runs, and is told.
  a = Assess(".txt", "G", "C:\\Program Files\\Grab\\grab.exe %1");
  EXPECT_EQ(a.target.program, "C:\\Program.exe");
  EXPECT_EQ(a.signals, (S{Signal::Unsigned, Signal::Unquoted}));
  EXPECT_NE(msg::RiskPanel(a).find("unquoted: C:\\Program.exe runs in place of C:\\Program Files\\Grab\\grab.exe"),
            std::string::npos)
      << msg::RiskPanel(a);
  files.files.erase(FoldCase("C:\\Program.exe"));
  EXPECT_EQ(Assess(".txt", "G", "C:\\Program Files\\Grab\\grab.exe %1").signals, (S{Signal::Unsigned, Signal::Unquoted}));
  // A script type opened by its own host is no sign; another type is.
  EXPECT_EQ(Assess(".vbs", "VBSFile", "\"C:\\Windows\\System32\\WScript.exe\" \"%1\" %*").signals,
            (S{Signal::Unsigned, Signal::RunsCode}));
  EXPECT_EQ(Assess(".txt", "x", "\"C:\\Windows\\System32\\WScript.exe\" \"%1\" %*").signals,
            (S{Signal::Unsigned, Signal::ScriptHost}));
  // The standard command of an executable class, and a type taken from its class.
  EXPECT_EQ(Assess(".exe", "exefile", "\"%1\" %*").signals, S{Signal::RunsCode});
  EXPECT_EQ(Assess(".exe", "exefile", "\"%1\"  %*  ").signals, S{Signal::RunsCode});
  EXPECT_EQ(Assess(".exe", "exefile", "\"C:\\Program Files\\Grab\\grab.exe\" \"%1\" %*").signals,
            (S{Signal::Unsigned, Signal::RunsCode, Signal::CommandChanged}));
  EXPECT_EQ(Assess(".exe", "Grab.Exe", "\"%1\" %*").signals, (S{Signal::RunsCode, Signal::CommandChanged}));
  EXPECT_EQ(Assess(".scr", "scrfile", "\"%1\" /S").signals, S{Signal::RunsCode});
  // A host that is there running a script or library that is not.
  EXPECT_EQ(Assess(".txt", "G", "cmd /c C:\\Tools\\gone.bat %1").signals, (S{Signal::Missing, Signal::ScriptHost}));
  EXPECT_EQ(Assess(".txt", "G", "rundll32 C:\\Tools\\gone.dll,Run %1").signals, (S{Signal::Missing}));
  // rundll32 running a library of the system is no script host; a folder
  // is a user folder only as a whole name.
  EXPECT_EQ(Assess(".txt", "G", "rundll32 url.dll,FileProtocolHandler %1").signals, S{Signal::Unsigned});
  files.Add("C:\\Windows\\TempSvc\\t.exe");
  EXPECT_EQ(Assess(".txt", "G", "C:\\Windows\\TempSvc\\t.exe %1").signals, S{Signal::Unsigned});
}

// A verb's COM handler and a packaged app have no command to resolve: they
// are named as what they are, and no file signal is made up for them.
TEST_F(SignalTest, DelegateExecuteAndPackagedAppsAreNamed) {
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\Folder.Handler\\shell\\open\\command]\n@=\"\"\n"
               "\"DelegateExecute\"=\"{11dbb47c-a525-400b-9e80-a54615a090c0}\"\n"
               "[HKEY_CLASSES_ROOT\\AppXq4m8\\Application]\n\"AppUserModelID\"=\"Sample.Photos_8wekyb3d8bbwe!App\"\n",
               "handlers");
  Assessment a = Assess(".dir", "Folder.Handler", "");
  EXPECT_EQ(a.delegateExecute, "{11dbb47c-a525-400b-9e80-a54615a090c0}");
  EXPECT_TRUE(a.signals.empty());
  EXPECT_NE(msg::RiskPanel(a).find("DelegateExecute {11dbb47c"), std::string::npos) << msg::RiskPanel(a);
  AssocEntry e;
  e.Ext(".jpg");
  e.ProgramID("AppXq4m8");
  e.OpenerName("Photos");
  a = Assessor(reg, files).Assess(e);
  EXPECT_EQ(a.packagedApp, "Photos");
  EXPECT_TRUE(a.signals.empty());
  EXPECT_EQ(files.signatureChecks, 0);
}

// A takeover that leaves the open command alone and makes another verb the
// default (or a link's, or a handler's) is assessed by what runs: the
// entries as the scan reads them from the layers, each takeover's program
// with its signals.
TEST_F(SignalTest, WhatRunsIsAssessedNotTheUntouchedOpenCommand) {
  using S = std::vector<Signal>;
  const std::string machine = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\";
  const std::string user = "[HKEY_CURRENT_USER\\Software\\Classes\\";
  files.Add("C:\\Program Files\\Web\\web.exe", IFileFacts::Trust::Signed, "Web Signer");
  files.Add("C:\\Users\\ada\\AppData\\Local\\zq\\server.exe");
  const std::string classes("REGEDIT4\n" + machine + ".txt]\n@=\"txtfile\"\n" + machine +
                   "txtfile\\shell\\open\\command]\n@=\"notepad.exe %1\"\n" + machine + ".doc]\n@=\"docfile\"\n" +
                   machine + "docfile\\shell\\open\\command]\n@=\"notepad.exe %1\"\n" + machine +
                   "http]\n\"URL Protocol\"=\"\"\n" + machine +
                   "http\\shell\\open\\command]\n@=\"\\\"C:\\\\Program Files\\\\Web\\\\web.exe\\\" %1\"\n" + machine +
                   "CLSID\\{00000000-0000-0000-0000-0000000000A1}\\LocalServer32]\n@=\"C:\\\\Users\\\\ada\\\\AppData\\\\Local\\\\zq\\\\server.exe\"\n");
  const auto assess = [&](const std::string& change, const char* name) {
    RegistryStore store;
    store.LoadText(classes, "machine");
    if (!change.empty()) store.LoadText(change, "takeover");
    OpenClassLayers layers(store);
    const ScanResult scan = ScanCurrentEntries(store, HKEY_CLASSES_ROOT, &layers.layers());
    const AssocEntry* e = scan.entries->Lookup(name);
    EXPECT_NE(e, nullptr) << name;
    return e ? Assessor(store, files).Assess(*e) : Assessment{};
  };
  EXPECT_EQ(assess("", ".txt").signals, S{Signal::Unsigned});
  EXPECT_EQ(assess("", "http").signals, S{});

  struct Takeover {
    const char* name;
    std::string change;
    const char* entry;
    S signals;
    const char* runs;  // in the panel's RUNS line
  };
  const Takeover takeovers[] = {
      {"a verb made the default", "REGEDIT4\n" + user + "txtfile\\shell]\n@=\"grab\"\n" + user +
           "txtfile\\shell\\grab\\command]\n@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
       ".txt", S{Signal::Missing}, "RUNS: C:\\zq\\nothere.exe"},
      {"a link's verb made the default", "REGEDIT4\n" + user + "http\\shell]\n@=\"grab\"\n" + user +
           "http\\shell\\grab\\command]\n@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
       "http", S{Signal::Missing}, "RUNS: C:\\zq\\nothere.exe"},
      {"a link taken in the user classes", "REGEDIT4\n" + user + "http\\shell\\open\\command]\n@=\"C:\\\\zq\\\\nothere.exe %1\"\n",
       "http", S{Signal::Missing}, "RUNS: C:\\zq\\nothere.exe"},
      {"a handler put before the command", "REGEDIT4\n" + user + "docfile\\shell\\open\\command]\n\"DelegateExecute\"=\"{00000000-0000-0000-0000-0000000000A1}\"\n",
       ".doc", S{Signal::Unsigned, Signal::UserFolder},
       "RUNS: a COM handler (DelegateExecute {00000000-0000-0000-0000-0000000000A1}) in C:\\Users\\ada\\AppData\\Local\\zq\\server.exe"},
  };
  for (const Takeover& t : takeovers) {
    SCOPED_TRACE(t.name);
    const Assessment a = assess(t.change, t.entry);
    EXPECT_EQ(a.signals, t.signals) << msg::RiskPanel(a);
    EXPECT_NE(msg::RiskPanel(a).find(t.runs), std::string::npos) << msg::RiskPanel(a);
  }
}

// A command that names no program (quotes around nothing, blanks) runs
// nothing: no program is made up for it (".exe"), and it says so in one
// signal. A type with no command at all has nothing to say.
TEST_F(SignalTest, ACommandThatNamesNoProgramRunsNothing) {
  using S = std::vector<Signal>;
  const struct {
    const char* command;
    S signals;
  } cases[] = {
      {"", S{}},
      {"\"\"", S{Signal::NoProgram}},
      {"\"", S{Signal::NoProgram}},
      {"\" \"", S{Signal::NoProgram}},
      {"  \"\t\"  ", S{Signal::NoProgram}},
      {"\"\" \"%1\"", S{Signal::NoProgram}},
      {"   ", S{Signal::NoProgram}},
  };
  for (const auto& c : cases) {
    const Assessment a = Assess(".txt", "txtfile", c.command);
    EXPECT_EQ(a.target.kind, CommandTarget::Kind::Nothing) << "[" << c.command << "] runs " << a.target.program;
    EXPECT_EQ(a.target.program, "") << "[" << c.command << "]";
    EXPECT_EQ(a.signals, c.signals) << "[" << c.command << "] " << a.Words();
    EXPECT_EQ(msg::RiskPanel(a).find("RUNS"), std::string::npos) << msg::RiskPanel(a);
  }
  EXPECT_EQ(msg::RiskPanel(Assess(".txt", "txtfile", "\"\"")), "SIGNALS: the command names no program");
  EXPECT_EQ(files.signatureChecks, 0);
}

// One file's signature is checked once, however many types it opens.
TEST_F(SignalTest, AFileIsAskedOnce) {
  Assessor assessor(reg, files);
  for (const char* ext : {".a", ".b", ".c"}) {
    AssocEntry e;
    e.Ext(ext);
    e.ProgramFullPath("\"C:\\Program Files\\Grab\\grab.exe\" \"%1\"");
    EXPECT_EQ(assessor.Assess(e).signals, std::vector<Signal>{Signal::Unsigned});
  }
  EXPECT_EQ(files.signatureChecks, 1);
}

// A handler's server is read once per check, however many types run it.
TEST(AssessorOnce, AHandlersServerIsReadOnce) {
  struct Opens : RegistryStore {
    int clsidOpens = 0;
    LONG RegOpenKeyExA(HKEY k, LPCSTR sub, DWORD o, REGSAM s, PHKEY r) override {
      if (sub && std::string_view(sub).rfind("CLSID\\", 0) == 0) ++clsidOpens;
      return RegistryStore::RegOpenKeyExA(k, sub, o, s, r);
    }
  } reg;
  reg.LoadText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{11dbb47c-0000}\\LocalServer32]\n"
               "@=\"C:\\\\Program Files\\\\H\\\\h.exe\"\n",
               "server");
  FileSet files;
  Assessor assessor(reg, files);
  for (const char* ext : {".a", ".b", ".c"}) {
    AssocEntry e;
    e.Ext(ext);
    e.VerbsRead(true);
    e.Handler("{11dbb47c-0000}");
    EXPECT_NE(msg::RiskPanel(assessor.Assess(e)).find("h.exe"), std::string::npos) << ext;
  }
  EXPECT_EQ(reg.clsidOpens, 1);
}

// The key whose change a type shows, in the layer that changed, and its
// time as the registry keeps it.
TEST(ChangedWhen, TheKeyOfTheLayerThatChangedAndItsTime) {
  RegistryStore reg;
  reg.LoadText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.t]\n@=\"M.Doc\"\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Classes\\M.Doc\\shell\\open\\command]\n@=\"m.exe %1\"\n"
               "[HKEY_CURRENT_USER\\Software\\Classes\\.t]\n@=\"U.Doc\"\n"
               "[HKEY_CURRENT_USER\\Software\\Classes\\U.Doc\\shell\\open\\command]\n@=\"u.exe %1\"\n"
               "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.t\\UserChoice]\n"
               "\"ProgId\"=\"C.Doc\"\n",
               "layers");
  const auto entry = [](bool layered, const char* machine, const char* user, const char* choice, const char* command) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(".t");
    e->ProgramID(machine);
    e->OpenCmdRegKey(std::string(machine) + "\\shell\\open\\command");
    e->MachineProgID(machine);
    e->UserProgID(user);
    e->ChoiceProgID(choice);
    e->OpenerCommand(command);
    e->ProgramFullPath(command);
    e->Layered(layered);
    return e;
  };
  // The class root's command beside the one in force.
  const auto root = [](std::shared_ptr<AssocEntry> e, const char* command) {
    e->ProgramFullPath(command);
    return e;
  };
  const std::string classes = "Software\\Classes\\";
  struct Case {
    std::shared_ptr<AssocEntry> now, before;
    HKEY root;
    std::string path;
  } cases[] = {
      {entry(true, "M.Doc", "U.Doc", "", "u.exe %1"), entry(true, "M.Doc", "", "", "m.exe %1"), HKEY_CURRENT_USER,
       classes + ".t"},
      {entry(true, "M.Doc", "U.Doc", "C.Doc", "c.exe %1"), entry(true, "M.Doc", "U.Doc", "", "u.exe %1"),
       HKEY_CURRENT_USER, std::string(kFileExtsPath) + "\\.t\\UserChoice"},
      {entry(true, "M.Doc", "", "", "m.exe /x %1"), entry(true, "M.Doc", "", "", "m.exe %1"), HKEY_LOCAL_MACHINE,
       classes + "M.Doc\\shell\\open\\command"},
      {entry(true, "M.Doc", "U.Doc", "", "u.exe /x %1"), entry(true, "M.Doc", "U.Doc", "", "u.exe %1"),
       HKEY_CURRENT_USER, classes + "U.Doc\\shell\\open\\command"},
      {entry(false, "X.Doc", "", "", "x.exe %1"), entry(false, "M.Doc", "", "", "m.exe %1"), HKEY_CLASSES_ROOT, ".t"},
      {entry(false, "M.Doc", "", "", "x.exe %1"), entry(false, "M.Doc", "", "", "m.exe %1"), HKEY_CLASSES_ROOT,
       "M.Doc\\shell\\open\\command"},
      {nullptr, entry(true, "M.Doc", "", "", "m.exe %1"), nullptr, ""},
      // Latent under Explorer's choice: the user classes' identifier; the
      // command the class root runs, where its key stands.
      {entry(true, "M.Doc", "U.Doc", "C.Doc", "c.exe %1"), entry(true, "M.Doc", "", "C.Doc", "c.exe %1"),
       HKEY_CURRENT_USER, classes + ".t"},
      {root(entry(true, "M.Doc", "", "C.Doc", "c.exe %1"), "m.exe /x %1"),
       root(entry(true, "M.Doc", "", "C.Doc", "c.exe %1"), "m.exe %1"), HKEY_LOCAL_MACHINE,
       classes + "M.Doc\\shell\\open\\command"},
  };
  for (const Case& c : cases) {
    const ChangedKey key = ChangedKeyOf(reg, c.now.get(), c.before.get());
    EXPECT_EQ(key.root, c.root) << c.path;
    EXPECT_EQ(key.path, c.path);
  }
  // Windows 11's place of the choice, where it exists, is the one that tells.
  reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(kFileExtsPath) + "\\.t\\UserChoiceLatest\\ProgId]\n"
               "\"ProgId\"=\"C.Doc\"\n", "latest");
  EXPECT_EQ(ChangedKeyOf(reg, cases[1].now.get(), cases[1].before.get()).path,
            std::string(kFileExtsPath) + "\\.t\\UserChoiceLatest\\ProgId");
  reg.SetLastWriteTime(HKEY_CURRENT_USER, classes + ".t", 1796712840);
  std::int64_t seconds = 0;
  ASSERT_TRUE(KeyLastWritten(reg, {HKEY_CURRENT_USER, classes + ".t"}, seconds));
  EXPECT_EQ(seconds, 1796712840);  // 2026-12-08 07:34 UTC
  EXPECT_FALSE(KeyLastWritten(reg, {HKEY_CURRENT_USER, classes + ".none"}, seconds));
}

}  // namespace
}  // namespace hollin
