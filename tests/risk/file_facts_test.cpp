// The facts of files as the risk signals use them: what a signature's
// verification answered (a chain this machine cannot complete without the
// network is no bad signature), and a program named without a folder found
// as the shell finds it.
#include <gtest/gtest.h>

#include "messages/window_texts.h"
#include "risk/command_target.h"
#include "risk/signature.h"
#include "support/registry_store.h"
#include "support/fake_file_facts.h"

namespace hollin {
namespace {

using T = IFileFacts::Trust;

// What the signals make of a type opened with command, on reg and files.
Assessment AssessCommand(IRegistry& reg, IFileFacts& files, const std::string& command) {
  AssocEntry e;
  e.Ext(".txt");
  e.ProgramFullPath(command);
  return Assessor(reg, files).Assess(e);
}

TEST(TrustOfStatus, OfflineChainsAreNotVerifiableTamperingIsBad) {
  EXPECT_EQ(TrustOfStatus(0), T::Signed);
  for (long s : {kTrustNoSignature, kTrustSubjectFormUnknown, kTrustProviderUnknown}) EXPECT_EQ(TrustOfStatus(s), T::Unsigned) << s;
  // A root Windows would download on demand, a chain the local stores cannot
  // complete, a revocation server out of reach.
  for (long s : {kCertUntrustedRoot, kCertChaining, kCertRevocationFailure, kCryptRevocationOffline})
    EXPECT_EQ(TrustOfStatus(s), T::NotVerifiable) << std::hex << s;
  for (long s : {kTrustBadDigest, kTrustCertSignature, kTrustExplicitDistrust, kCertRevoked, kCertExpired, kTrustNoSignerCert,
                 kTrustSubjectNotTrusted, kCertUntrustedTestRoot})
    EXPECT_EQ(TrustOfStatus(s), T::BadSignature) << std::hex << s;
  EXPECT_EQ(TrustOfStatus(static_cast<long>(0x80070005)), T::Unknown);  // access denied: nothing told
}

TEST(TrustOfStatus, NotVerifiableIsToldNotCounted) {
  RegistryStore reg;
  test::FakeFileFacts files;
  files.Add("C:\\Program Files\\Fresh\\fresh.exe", T::NotVerifiable);
  const Assessment a = AssessCommand(reg, files, "\"C:\\Program Files\\Fresh\\fresh.exe\" \"%1\"");
  EXPECT_EQ(a.signals, std::vector<Signal>{Signal::NotVerifiable});
  EXPECT_EQ(a.Words(), "not-verifiable");
  EXPECT_NE(msg::RiskPanel(a).find("cannot be verified here"), std::string::npos) << msg::RiskPanel(a);
  EXPECT_FALSE(CountsForHealth(Signal::NotVerifiable));
  EXPECT_TRUE(CountsForHealth(Signal::BadSignature));
}

// "notepad.exe %1", "wordpad %1": App Paths (the user's key before the
// machine's) names the program; else the search folders, in the order the
// stand-in keeps (Explorer's: the Windows folder first). A registered file
// that is not there, and a host's own search (cmd), skip App Paths.
TEST(AppPaths, ABareNameIsFoundAsTheShellFindsIt) {
  RegistryStore reg;
  reg.LoadText("REGEDIT4\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wordpad.exe]\n"
               "@=\"\\\"%ProgramFiles%\\\\Windows NT\\\\Accessories\\\\WORDPAD.EXE\\\"\"\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\grab.exe]\n"
               "@=\"C:\\\\Program Files\\\\Grab\\\\grab.exe\"\n"
               "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\grab.exe]\n"
               "@=\"C:\\\\Users\\\\ada\\\\AppData\\\\Local\\\\Grab\\\\grab.exe\"\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe]\n"
               "@=\"C:\\\\Gone\\\\gone.exe\"\n",
               "app paths");
  test::FakeFileFacts files;
  for (const char* f : {"C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE", "C:\\Program Files\\Grab\\grab.exe",
                        "C:\\Users\\ada\\AppData\\Local\\Grab\\grab.exe", "C:\\Windows\\notepad.exe",
                        "C:\\Windows\\System32\\notepad.exe", "C:\\Windows\\System32\\gone.exe",
                        "C:\\Windows\\System32\\cmd.exe"})
    files.Add(f);
  files.variables["programfiles"] = "C:\\Program Files";
  using Src = CommandTarget::Source;
  const struct {
    const char* command;
    const char* runs;
    Src source;
  } cases[] = {
      {"wordpad %1", "C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE", Src::AppPaths},
      {"WordPad.exe \"%1\"", "C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE", Src::AppPaths},
      {"grab.exe %1", "C:\\Users\\ada\\AppData\\Local\\Grab\\grab.exe", Src::AppPaths},
      {"gone.exe %1", "C:\\Windows\\System32\\gone.exe", Src::SearchFolders},
      {"notepad.exe %1", "C:\\Windows\\notepad.exe", Src::SearchFolders},
      {"C:\\Windows\\System32\\notepad.exe %1", "C:\\Windows\\System32\\notepad.exe", Src::AsWritten},
  };
  for (const auto& c : cases) {
    const Assessment a = AssessCommand(reg, files, c.command);
    EXPECT_EQ(a.target.program, c.runs) << c.command;
    EXPECT_TRUE(a.target.found) << c.command;
    EXPECT_EQ(a.target.source, c.source) << c.command;
  }
  const std::string panel = msg::RiskPanel(AssessCommand(reg, files, "wordpad %1"));
  EXPECT_NE(panel.find("WORDPAD.EXE (registered under App Paths)"), std::string::npos) << panel;
  // cmd runs what follows /c by its own search: App Paths is not its.
  const Assessment a = AssessCommand(reg, files, "cmd /c grab.exe %1");
  EXPECT_EQ(a.target.payload, "grab.exe");
  EXPECT_FALSE(a.target.payloadFound);
}

// A program's user-writability decides the signal, whatever folder it lies
// in: a folder at the root of a drive or under ProgramData that the user may
// write is told, Program Files is not, a folder whose rights cannot be read
// is no proof of anything, and the program that runs a host's payload is
// asked only where the payload is not the user's.
TEST(UserWritable, TheUsersRightsDecideNotTheFolderName) {
  RegistryStore reg;
  test::FakeFileFacts files;
  files.writable.push_back("C:\\Tools");
  files.writable.push_back("C:\\ProgramData\\Vendor");
  files.unreadable.push_back("C:\\Locked");
  for (const char* f : {"C:\\Tools\\t.exe", "C:\\ProgramData\\Vendor\\v.exe", "C:\\Program Files\\Grab\\grab.exe",
                        "C:\\Locked\\l.exe", "C:\\Windows\\System32\\cmd.exe", "C:\\Tools\\run.bat"})
    files.Add(f);
  const auto assess = [&](const char* command) { return AssessCommand(reg, files, command); };
  Assessment a = assess("\"C:\\Tools\\t.exe\" \"%1\"");
  EXPECT_TRUE(a.Has(Signal::UserFolder));
  EXPECT_EQ(a.folder, "C:\\Tools");
  EXPECT_NE(msg::RiskPanel(a).find("(C:\\Tools)"), std::string::npos) << msg::RiskPanel(a);
  EXPECT_TRUE(assess("\"C:\\ProgramData\\Vendor\\v.exe\" %1").Has(Signal::UserFolder));
  EXPECT_FALSE(assess("\"C:\\Program Files\\Grab\\grab.exe\" %1").Has(Signal::UserFolder));
  EXPECT_FALSE(assess("\"C:\\Locked\\l.exe\" %1").Has(Signal::UserFolder));
  a = assess("cmd /c C:\\Tools\\run.bat %1");
  EXPECT_TRUE(a.Has(Signal::UserFolder)) << "the script cmd runs";
  EXPECT_EQ(a.folder, "C:\\Tools");
  // A file not there yet, in a folder the user may write: the user can put one there.
  EXPECT_EQ(assess("\"C:\\Tools\\gone.exe\" %1").signals, (std::vector<Signal>{Signal::Missing, Signal::UserFolder}));
}

}  // namespace
}  // namespace hollin

#ifdef _WIN32
#include <sddl.h>

#include <filesystem>

#include "common/win32_text.h"
#include "risk/win32_file_facts.h"

namespace hollin {
namespace {

// The binding: AccessCheck with the user's token on a folder of the test's
// own, one whose rights allow only reading, and one that is not there.
TEST(Win32UserWritable, AccessCheckWithTheUsersToken) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("hollin-writable-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(root / "open");
  std::filesystem::create_directories(root / "closed");
  PSECURITY_DESCRIPTOR readOnly = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FRFX;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                   nullptr));
  ASSERT_TRUE(SetFileSecurityW((root / "closed").c_str(), DACL_SECURITY_INFORMATION, readOnly));
  LocalFree(readOnly);
  Win32FileFacts facts;
  std::string where;
  const std::string open = Utf8((root / "open").wstring());
  EXPECT_EQ(facts.UserWritable(open + "\\a.exe", where), IFileFacts::Writable::Yes);
  EXPECT_EQ(where, open);
  where.clear();
  EXPECT_EQ(facts.UserWritable(Utf8((root / "closed").wstring()) + "\\a.exe", where), IFileFacts::Writable::No);
  EXPECT_EQ(facts.UserWritable(Utf8((root / "nowhere").wstring()) + "\\a.exe", where), IFileFacts::Writable::Unknown);
  EXPECT_EQ(where, "");
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

}  // namespace
}  // namespace hollin
#endif
