// The current scan, against every registry under test: the store, and in the
// Windows build the real registry, each filled through the registry layer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "registry/merged_class_root.h"
#include "registry/reg_key.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "registry_fixture.h"
#include "support/counting_registry.h"

namespace hollin {
namespace {

using namespace std::string_literals;

// The store with a view of its names: subkey names are handed out through
// toProcess where it is set, with the registry's buffer rule applied to the
// name it gives; an index fails with the status fail gives it (0 for none).
struct ConvertedNames : RegistryStore {
  std::function<std::string(std::string_view)> toProcess;
  std::function<LONG(DWORD index)> fail = [](DWORD) { return LONG(ERROR_SUCCESS); };
  LONG RegEnumKeyExA(HKEY k, DWORD i, LPSTR name, LPDWORD count, LPDWORD r, LPSTR c, LPDWORD cc,
                     PFILETIME t) override {
    if (const LONG status = fail(i)) return status;
    if (!toProcess) return RegistryStore::RegEnumKeyExA(k, i, name, count, r, c, cc, t);
    char raw[300];
    DWORD n = sizeof raw;
    if (const LONG status = RegistryStore::RegEnumKeyExA(k, i, raw, &n, nullptr, nullptr, nullptr, nullptr))
      return status;
    const std::string out = toProcess(std::string_view(raw, n));
    if (*count <= out.size()) return ERROR_MORE_DATA;
    std::copy(out.c_str(), out.c_str() + out.size() + 1, name);
    *count = DWORD(out.size());
    return ERROR_SUCCESS;
  }
};

// The scan on each registry; the store as ConvertedNames, which passes names
// on as they are until told.
class ScanTest : public test::OnEachRegistry {
 protected:
  ScanTest() {
    if (!Real()) Renew(std::make_unique<ConvertedNames>());
  }
  // Sets the default value of a path under the sandbox, creating the keys.
  void Default(const std::string& path, const std::string& value) {
    ASSERT_EQ(test::SetDefault(*reg, root(), path.c_str(), value.c_str()), 0) << path;
  }
  void RawDefault(const std::string& path, DWORD type, const std::string& bytes) {
    ASSERT_EQ(test::SetRegValue(*reg, root(), path, "", type, bytes), ERROR_SUCCESS) << path;
  }
  ScanResult Scan() { return ScanCurrentEntries(*reg, root()); }
  // A scan with the user classes (when named) and Explorer's choices in
  // the sandbox's keys of those names.
  ScanResult ScanLayers(const char* user, const char* exts) {
    const RegKey u = user ? RegKey::Open(*reg, root(), user, KEY_READ) : RegKey();
    const RegKey e = RegKey::Open(*reg, root(), exts, KEY_READ);
    EXPECT_TRUE(e && (u || !user));
    const ClassLayers layers{nullptr, u.get(), e.get()};
    return ScanCurrentEntries(*reg, root(), &layers);
  }
  ConvertedNames& Store() { return dynamic_cast<ConvertedNames&>(*reg); }
  std::vector<std::string> Exts(const ScanResult& r) {
    std::vector<std::string> out;
    for (const auto& e : *r.entries) out.push_back(e->Ext());
    return out;
  }
};

TEST_P(ScanTest, ProgramIdCommandThenExtensionFallbackAndNoOtherEntries) {
  const auto empty = Scan();
  EXPECT_EQ(empty.entries->Count(), 0);
  Default(".txt", "txtfile");
  Default("txtfile\\shell\\open\\command", "  \"C:\\Windows\\notepad.exe\" \"%1\"  ");
  // The program ID has no open command: the extension's own key serves.
  Default(".log", "logfile");
  Default("logfile", "Log File");
  Default(".log\\shell\\open\\command", "viewer.exe /log %1");
  // No entries: no default value on the extension, though it has its own
  // command (and it comes last: the last entry stays .txt);
  Default(".zz\\shell\\open\\command", "x.exe %1");
  // a default value of blanks only, which counts as none;
  Default(".blank", "   ");
  Default(".blank\\shell\\open\\command", "x.exe %1");
  // the program ID's command key exists but is empty: no fallback;
  Default(".emptycmd", "emptyfile");
  Default("emptyfile\\shell\\open\\command", "");
  Default(".emptycmd\\shell\\open\\command", "x.exe %1");
  // neither the program ID nor the extension has a command.
  Default(".none", "nonefile");
  Default("nonefile", "x");
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 2);
  const auto& txt = result.entries->Item(".txt");
  EXPECT_EQ(txt->ProgramID(), "txtfile");
  EXPECT_EQ(txt->OpenCmdRegKey(), "txtfile\\shell\\open\\command");
  EXPECT_EQ(txt->ProgramFullPath(), "\"C:\\Windows\\notepad.exe\" \"%1\"");
  const auto& log = result.entries->Item(".LOG");
  EXPECT_EQ(log->ProgramID(), "");
  EXPECT_EQ(log->OpenCmdRegKey(), ".log\\shell\\open\\command");
  EXPECT_EQ(log->ProgramFullPath(), "viewer.exe /log %1");
}

TEST_P(ScanTest, AwkwardValuesAreReadWhole) {
  // A command far longer than 256 bytes is still recorded in full.
  const std::string longCommand = "\"C:\\" + std::string(70000, 'L') + ".exe\" \"%1\"";
  Default(".long", "longfile");
  Default("longfile\\shell\\open\\command", longCommand);
  // Text outside ASCII passes unchanged, in the program's code page (UTF-8).
  Default(".café", "caféfile");
  Default("caféfile\\shell\\open\\command", "C:\\Программы\\ÆØÅ\\日本.exe %1");
  // Embedded zero characters stay; the terminating one goes.
  RawDefault(".nul", REG_SZ, "nulfile\0"s);
  RawDefault("nulfile\\shell\\open\\command", REG_SZ, "a.exe\0tail\0"s);
  // An expandable command is recorded as stored, unexpanded.
  Default(".exp", "expfile");
  RawDefault("expfile\\shell\\open\\command", REG_EXPAND_SZ, "%SystemRoot%\\notepad.exe %1\0"s);
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 4);
  EXPECT_EQ(result.entries->Item(".long")->ProgramFullPath(), longCommand);
  EXPECT_EQ(result.entries->Item(".CAFÉ")->ProgramFullPath(), "C:\\Программы\\ÆØÅ\\日本.exe %1");
  EXPECT_EQ(result.entries->Item(".nul")->ProgramFullPath(), "a.exe\0tail"s);
  EXPECT_EQ(result.entries->Item(".exp")->ProgramFullPath(), "%SystemRoot%\\notepad.exe %1");
}

// A program identifier ends at its first zero character, as Windows reads it:
// the command is read from that identifier's key, not from a key whose name
// holds the zero (which the A-functions would cut to the identifier's own
// key and read its default value as the command).
TEST_P(ScanTest, AProgramIdEndsAtItsFirstZero) {
  RawDefault(".one", REG_SZ, "pwtarget\0junk\0"s);
  RawDefault(".two", REG_MULTI_SZ, "pwtarget\0second\0\0"s);
  Default("pwtarget", "PW Target Document");
  Default("pwtarget\\shell\\open\\command", "pw.exe %1");
  const auto result = Scan();
  ASSERT_EQ(Exts(result), (std::vector<std::string>{".one", ".two"}));
  for (const auto& e : *result.entries) {
    EXPECT_EQ(e->ProgramID(), "pwtarget");
    EXPECT_EQ(e->OpenCmdRegKey(), "pwtarget\\shell\\open\\command");
    EXPECT_EQ(e->ProgramFullPath(), "pw.exe %1");
  }
}

// A lone surrogate in a type's name, its identifier or its command is kept
// as it is (WTF-8), not made U+FFFD: two such types stay two, each
// identifier opens its own key, each command is read exactly.
TEST_P(ScanTest, LoneSurrogatesAreKeptInNamesIdentifiersAndCommands) {
  for (const std::string unit : {"\xED\xA0\x80", "\xED\xA0\x81"}) {
    Default(".t" + unit, "prog" + unit);
    Default("prog" + unit + "\\shell\\open\\command", "C:\\" + unit + ".exe %1");
  }
  const auto result = Scan();
  ASSERT_EQ(Exts(result), (std::vector<std::string>{".t\xED\xA0\x80", ".t\xED\xA0\x81"}));
  for (const auto& e : *result.entries) {
    const std::string unit = e->Ext().substr(2);
    EXPECT_EQ(e->ProgramID(), "prog" + unit);
    EXPECT_EQ(e->ProgramFullPath(), "C:\\" + unit + ".exe %1");
  }
}

// Types that only the user classes or Explorer name are read from their
// layers, whatever the length of their names.
TEST_P(ScanTest, TypesOnlyTheLayersNameAreReadWithLongNames) {
  std::string longName = ".";
  for (int i = 0; i < 100; ++i) longName += "日";  // 300 bytes, 101 characters
  Default("user\\" + longName, "ufile");
  Default("user\\ufile\\shell\\open\\command", "u.exe %1");
  ASSERT_EQ(test::SetRegValue(*reg, root(), "exts\\.chosen\\UserChoice", "ProgId", REG_SZ, "ufile\0"s), 0);
  const auto result = ScanLayers("user", "exts");
  ASSERT_EQ(Exts(result), (std::vector<std::string>{longName, ".chosen"}));
  for (const auto& e : *result.entries) {
    EXPECT_EQ(e->InForceProgID(), "ufile") << e->Ext();
    EXPECT_EQ(e->OpenerCommand(), "u.exe %1") << e->Ext();
  }
}

// Explorer's choice comes from UserChoiceLatest\ProgId, else UserChoiceLatest
// itself, and from UserChoice only where no UserChoiceLatest exists; a key of
// Explorer's without a choice adds no type.
TEST_P(ScanTest, ExplorersChoiceComesFromTheNewestKeyThatExists) {
  Default(".r", "rfile");
  Default("rfile\\shell\\open\\command", "r.exe %1");
  // Keys of Explorer's and the ProgId each holds ("": a value of another name).
  const std::pair<const char*, std::string> values[] = {
      {".r\\UserChoiceLatest\\ProgId", "latest"}, {".r\\UserChoice", "legacy"},
      {".a\\UserChoiceLatest\\ProgId", "latest"}, {".a\\UserChoiceLatest", "direct"},
      {".b\\UserChoiceLatest", "direct"}, {".b\\UserChoice", "legacy"}, {".c\\UserChoice", "legacy"},
      {".d\\UserChoiceLatest", ""}, {".d\\UserChoice", "legacy"}, {".e\\OpenWithProgids", ""}};
  for (const auto& [path, id] : values) {
    const char* name = id.empty() ? "Other" : "ProgId";
    ASSERT_EQ(test::SetRegValue(*reg, root(), "exts\\"s + path, name, REG_SZ, id + '\0'), 0) << path;
  }
  const auto result = ScanLayers(nullptr, "exts");
  std::vector<std::string> chosen;
  for (const auto& e : *result.entries) chosen.push_back(e->Ext() + " " + e->ChoiceProgID());
  EXPECT_EQ(chosen, (std::vector<std::string>{".r latest", ".a latest", ".b direct", ".c legacy"}));
}

// A key name is used as the registry gives it: ".txt " is another type than
// ".txt", not a second ".txt" that would end the scan with a duplicate.
TEST_P(ScanTest, NamesThatTrimToTheSameTypeStayApart) {
  Default(".txt", "txtfile");
  Default(".txt ", "otherfile");
  Default("txtfile\\shell\\open\\command", "notepad.exe %1");
  Default("otherfile\\shell\\open\\command", "other.exe %1");
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 2);
  EXPECT_EQ(result.entries->Item(".txt")->ProgramFullPath(), "notepad.exe %1");
  EXPECT_EQ(result.entries->Item(".txt ")->ProgramFullPath(), "other.exe %1");
}

// A name holding a zero character (the system's native calls make one) is
// no type: the registry's functions would read it as the key its name
// stops at, a type listed twice with another key's program.
TEST_P(ScanTest, ANameWithAZeroCharacterIsNoType) {
  if (Real()) GTEST_SKIP() << "the registry's functions cannot make such a name";
  Default(".txt", "txtfile");
  Default(".txu", "txtfile");
  Default("txtfile\\shell\\open\\command", "notepad.exe %1");
  Store().toProcess = [](std::string_view n) { return n == ".txu" ? ".txt\0hidden"s : std::string(n); };
  EXPECT_EQ(Exts(Scan()), std::vector<std::string>{".txt"});
}

// A name that comes out as one the scan has already taken (a key made while
// the scan runs moves the later ones up an index, so one of them is listed
// twice), in its letters or in other letter case, is skipped and listed; the
// scan goes on. The store plays such a listing with a view of its names;
// the real registry cannot be made to.
TEST_P(ScanTest, ANameTakenAlreadyIsSkippedAndListed) {
  if (Real()) GTEST_SKIP() << "the system lists each key once while nothing changes";
  const struct {
    std::string first, second, shown;  // the names of two types, and the second's name as listed
    DWORD index;
    std::vector<std::string> read;
  } cases[] = {{".txt", ".tx~", ".txt", 1, {".txt", ".xyz"}}, {".ѣx", ".ѣ~", ".Ѣx", 2, {".xyz", ".ѣx"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    Renew(std::make_unique<ConvertedNames>());
    Default(".xyz", "txtfile");
    Default("txtfile\\shell\\open\\command", "notepad.exe %1");
    Default(c.first, "txtfile");
    Default(c.second, "");
    Store().toProcess = [&c](std::string_view s) { return s == c.second ? c.shown : std::string(s); };
    const auto result = Scan();
    EXPECT_EQ(Exts(result), c.read);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].index, c.index);
    EXPECT_EQ(result.skipped[0].name, c.shown);
    EXPECT_EQ(result.skipped[0].status, ERROR_SUCCESS);
  }
}

// A name longer than the first buffer (255 characters outside ASCII, two or
// three bytes each; under Wine, whose registry takes 256 characters, in any)
// is read again with the room it needs, and every later type is read too.
TEST_P(ScanTest, ALongNameIsReadAndHidesNoLaterType) {
  std::string longName;
  if (Real()) {
    longName = std::string(".").append(255, 'L');
    HKEY k = nullptr;
    if (reg->RegCreateKeyExA(root(), longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != 0)
      GTEST_SKIP() << "this registry refuses a 256-character name";
    reg->RegCloseKey(k);
  } else {
    longName = ".a";
    for (int i = 0; i < 253; ++i) longName += "é";  // 255 characters, 508 bytes
  }
  Default(longName, "prog");
  Default(".zz", "prog");
  Default("prog\\shell\\open\\command", "p.exe %1");
  const auto result = Scan();
  EXPECT_EQ(Exts(result), (std::vector<std::string>{longName, ".zz"}));
  EXPECT_TRUE(result.skipped.empty());
}

// An index that cannot be read is skipped and listed; a registry that fails
// at every index ends the scan after a bounded number of tries.
TEST(ScanFailures, AnUnreadableIndexIsSkippedAndEndlessFailureEnds) {
  ConvertedNames view;
  for (const char* ext : {".a", ".b", ".c"}) test::SetDefault(view, HKEY_CLASSES_ROOT, ext, "prog");
  test::SetDefault(view, HKEY_CLASSES_ROOT, "prog\\shell\\open\\command", "p.exe %1");
  view.fail = [](DWORD i) { return i == 1 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS; };
  auto result = ScanCurrentEntries(view);
  EXPECT_EQ(result.entries->Count(), 2);
  EXPECT_EQ(result.entries->Item(2)->Ext(), ".c");
  ASSERT_EQ(result.skipped.size(), 1u);
  EXPECT_EQ(result.skipped[0].index, 1u);
  EXPECT_EQ(result.skipped[0].status, ERROR_ACCESS_DENIED);
  view.fail = [](DWORD) { return ERROR_OUTOFMEMORY; };
  result = ScanCurrentEntries(view);
  EXPECT_EQ(result.entries->Count(), 0);
  EXPECT_EQ(result.skipped.size(), size_t(kMaxFailedIndexes));
}

// Failures spread out never add up: every other index failing for far longer
// than the limit of failures in a row still leaves every type checked.
TEST(ScanFailures, ScatteredFailuresDoNotEndTheScan) {
  ConvertedNames view;
  for (int i = 0; i < 200; ++i)
    test::SetDefault(view, HKEY_CLASSES_ROOT, (".t" + std::to_string(1000 + i)).c_str(), "prog");
  test::SetDefault(view, HKEY_CLASSES_ROOT, "prog\\shell\\open\\command", "p.exe %1");
  // The even indexes below 190 fail: 95 failures, never two in a row.
  view.fail = [](DWORD i) { return i < 190 && i % 2 == 0 ? ERROR_OUTOFMEMORY : ERROR_SUCCESS; };
  const auto result = ScanCurrentEntries(view);
  EXPECT_EQ(result.skipped.size(), 95u);
  EXPECT_EQ(result.entries->Count(), 105);
  EXPECT_EQ(result.entries->Item(105)->Ext(), ".t1199");
  EXPECT_EQ(result.entries->Item(".t1191")->Ext(), ".t1191");
}

// The class root as Windows merges it, with every listing recorded: the scan
// must list each classes layer itself, never the merged root.
struct ListingsSeen : MergedClassRoot {
  using MergedClassRoot::MergedClassRoot;
  std::atomic<int> rootListings{0};
  LONG RegEnumKeyExA(HKEY k, DWORD i, LPSTR name, LPDWORD count, LPDWORD r, LPSTR c, LPDWORD cc,
                     PFILETIME t) override {
    if (k == HKEY_CLASSES_ROOT) ++rootListings;
    return MergedClassRoot::RegEnumKeyExA(k, i, name, count, r, c, cc, t);
  }
};

// Everything a scan tells of its entries, one line each, in its order.
std::vector<std::string> Dump(const ScanResult& result) {
  std::vector<std::string> out;
  for (const auto& e : *result.entries)
    out.push_back(e->Ext() + "|" + e->ProgramID() + "|" + e->ProgramFullPath() + "|" + e->OpenCmdRegKey() + "|" +
                  e->MachineProgID() + "|" + e->UserProgID() + "|" + e->ChoiceProgID() + "|" + e->IgnoredChoice() +
                  "|" + e->OpenerCommand() + "|" + e->OpenerName() + "|" + e->Verb() + "|" + e->VerbCommand() + "|" +
                  e->Handler() + "|" + std::to_string(static_cast<int>(e->VerbAt())));
  for (const auto& s : result.skipped) out.push_back("skipped " + std::to_string(s.index) + " " + s.name);
  return out;
}

// The user classes over the machine classes: a type of each, a type of the
// machine's that the user's names another identifier for, an identifier of
// the machine's whose command (or default verb) the user's change, a link
// the user's mark, and keys of both that say nothing.
constexpr const char* kLayered =
    "REGEDIT4\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.a]\n@=\"afile\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\afile\\shell\\open\\command]\n@=\"a.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.b]\n@=\"bfile\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\bfile\\shell\\open\\command]\n@=\"b.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\bfile\\shell\\open\\command]\n@=\"grab.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.c]\n@=\"cfile\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\cfile\\shell\\open\\command]\n@=\"c.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\.c]\n@=\"mycfile\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\mycfile\\shell\\open\\command]\n@=\"myc.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.d]\n@=\"dfile\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\dfile\\shell\\open\\command]\n@=\"d.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\dfile\\shell]\n@=\"grab\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\dfile\\shell\\grab\\command]\n@=\"dgrab.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.e]\n@=\"efile\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\efile\\shell\\edit\\command]\n@=\"e.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\.u]\n@=\"ufile\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\ufile\\shell\\open\\command]\n@=\"u.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\web]\n\"URL Protocol\"=\"\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\web\\shell\\open\\command]\n@=\"web.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\late]\n@=\"not yet a link\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\late\\shell\\open\\command]\n@=\"late.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\late]\n\"URL Protocol\"=\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\mine]\n\"URL Protocol\"=\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\mine\\shell\\open\\command]\n@=\"mine.exe %1\"\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Some.Class]\n@=\"nothing\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software]\n@=\"nothing\"\n";

// Each layer is listed and read itself, and merged as Windows merges the
// class root: the entries are the same whether the class root merges the
// user classes (as on Windows: MergedClassRoot) or shows the machine
// classes alone (as Wine's does: the store's own), and never listed.
TEST(ScanLayers, EachLayerIsReadItselfAndMergedAsWindowsMergesThem) {
  RegistryStore store;
  store.LoadText(kLayered, "layers");
  ListingsSeen windows(store);
  OpenClassLayers merged(windows);
  const ScanResult onWindows = ScanCurrentEntries(windows, HKEY_CLASSES_ROOT, &merged.layers());
  EXPECT_EQ(windows.rootListings, 0);
  OpenClassLayers own(store);
  const ScanResult onWine = ScanCurrentEntries(store, HKEY_CLASSES_ROOT, &own.layers());
  EXPECT_EQ(Dump(onWine), Dump(onWindows));

  const auto& all = *onWine.entries;
  std::vector<std::string> listed;
  for (const auto& e : all) listed.push_back(e->Ext());
  EXPECT_EQ(listed, (std::vector<std::string>{".a", ".b", ".c", ".d", ".e", ".u", "late", "web", "mine"}));
  // The user classes' command of a machine identifier is what runs.
  EXPECT_EQ(all.Item(".b")->ProgramFullPath(), "grab.exe %1");
  EXPECT_EQ(all.Item(".b")->OpenerCommand(), "grab.exe %1");
  EXPECT_EQ(all.Item(".b")->MachineProgID(), "bfile");
  // Each layer's own identifier; the user's is in force, with its command.
  EXPECT_EQ(all.Item(".c")->MachineProgID(), "cfile");
  EXPECT_EQ(all.Item(".c")->UserProgID(), "mycfile");
  EXPECT_EQ(all.Item(".c")->OpenerCommand(), "myc.exe %1");
  // A default verb the user classes give a machine identifier, told as theirs.
  EXPECT_EQ(all.Item(".d")->Verb(), "grab");
  EXPECT_EQ(all.Item(".d")->VerbCommand(), "dgrab.exe %1");
  EXPECT_EQ(all.Item(".d")->VerbAt(), AssocEntry::VerbSource::User);
  EXPECT_EQ(all.Item(".d")->ProgramFullPath(), "d.exe %1");
  EXPECT_EQ(all.Item(".e")->Verb(), "edit");
  EXPECT_EQ(all.Item(".u")->OpenerCommand(), "u.exe %1");
  // A machine key the user classes mark as a link is one, with its command.
  EXPECT_EQ(all.Item("late")->ProgramFullPath(), "late.exe %1");
  EXPECT_EQ(all.Item("mine")->UserProgID(), "mine.exe %1");
  EXPECT_TRUE(onWine.skipped.empty());
}

// A key that is there but refuses to be read is no missing key: the type
// (or link, or choice) it holds, or whose opening it holds (an identifier's
// shell, verb or command key), is an entry of its own, marked with the layer
// and key that refused, on Windows' merged root and on Wine's alike; the
// other entries read as they always did. A link's key is told only where
// something else says it is one; any other name is listed apart.
TEST(ScanLayers, AKeyThatRefusesToBeReadIsUnreadableNotGone) {
  constexpr auto kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  constexpr auto kUrlAssociations = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations";
  const std::string extra =
      "[HKEY_CURRENT_USER\\Software\\Classes\\.tlock]\n@=\"ufile\"\n"
      "[HKEY_CURRENT_USER\\" + std::string(kFileExts) + "\\.e\\UserChoice]\n\"ProgId\"=\"afile\"\n"
      "[HKEY_CURRENT_USER\\" + std::string(kUrlAssociations) + "\\web\\UserChoice]\n\"ProgId\"=\"afile\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.f]\n@=\"ffile\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Classes\\ffile\\shell\\open\\command]\n@=\"f.exe %1\"\n"
      "[HKEY_CURRENT_USER\\" + std::string(kFileExts) + "\\.f\\UserChoice]\n\"ProgId\"=\"Pick.F\"\n"
      "[HKEY_CURRENT_USER\\Software\\Classes\\Pick.F\\shell\\open\\command]\n@=\"pick.exe %1\"\n";
  using Layer = AssocEntry::Layer;
  struct Case {
    const char* what;
    HKEY root;
    std::string path;
    const char* entry;  // the entries that are unreadable, in order, separated by blanks; "" for none
    Layer at;
    const char* key;          // the key named, under the layer: "" for the entry's own
    const char* listedApart;  // in unreadableNames, "" for none
  };
  const Case cases[] = {
      {"a type only the user classes hold", HKEY_CURRENT_USER, "Software\\Classes\\.tlock", ".tlock", Layer::User, "",
       ""},
      {"a type of the machine classes", HKEY_LOCAL_MACHINE, "Software\\Classes\\.a", ".a", Layer::Machine, "", ""},
      {"the user's key over a machine type", HKEY_CURRENT_USER, "Software\\Classes\\.c", ".c", Layer::User, "", ""},
      {"the machine's key under a user type", HKEY_LOCAL_MACHINE, "Software\\Classes\\.c", ".c", Layer::Machine, "",
       ""},
      {"Explorer's choice of a type", HKEY_CURRENT_USER, std::string(kFileExts) + "\\.e\\UserChoice", ".e",
       Layer::Choice, "", ""},
      {"Explorer's choice of a link", HKEY_CURRENT_USER, std::string(kUrlAssociations) + "\\web\\UserChoice", "web",
       Layer::Choice, "", ""},
      {"a link only the user classes mark", HKEY_CURRENT_USER, "Software\\Classes\\mine", "", Layer::User, "",
       "mine"},
      {"a name that may be no link", HKEY_LOCAL_MACHINE, "Software\\Classes\\Some.Class", "", Layer::Machine, "",
       "Some.Class"},
      // The keys read for what opens a type or link (Explorer chose the
      // identifier of .a for .e and web too).
      {"an identifier's shell key", HKEY_LOCAL_MACHINE, "Software\\Classes\\afile\\shell", ".a .e web", Layer::Machine,
       "afile\\shell", ""},
      {"an identifier's open verb", HKEY_LOCAL_MACHINE, "Software\\Classes\\afile\\shell\\open", ".a .e web",
       Layer::Machine, "afile\\shell\\open", ""},
      {"an identifier's open command", HKEY_LOCAL_MACHINE, "Software\\Classes\\afile\\shell\\open\\command", ".a .e web",
       Layer::Machine, "afile\\shell\\open\\command", ""},
      {"the user's command over a machine identifier's", HKEY_CURRENT_USER,
       "Software\\Classes\\bfile\\shell\\open\\command", ".b", Layer::User, "bfile\\shell\\open\\command", ""},
      {"the user's default verb's command", HKEY_CURRENT_USER, "Software\\Classes\\dfile\\shell\\grab\\command",
       ".d", Layer::User, "dfile\\shell\\grab\\command", ""},
      {"the command of the identifier Explorer chose", HKEY_CURRENT_USER,
       "Software\\Classes\\Pick.F\\shell\\open\\command", ".f", Layer::User, "Pick.F\\shell\\open\\command", ""},
      {"a link's command", HKEY_LOCAL_MACHINE, "Software\\Classes\\web\\shell\\open\\command", "web",
       Layer::Machine, "web\\shell\\open\\command", ""},
      {"the shell key of a link only the user classes mark", HKEY_CURRENT_USER, "Software\\Classes\\mine\\shell",
       "mine", Layer::User, "mine\\shell", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryStore store;
    store.LoadText(std::string(kLayered) + extra, "layers");
    store.DenyAccess(c.root, c.path, KEY_READ);
    ListingsSeen windows(store);
    OpenClassLayers merged(windows), own(store);
    for (const ScanResult& scan : {ScanCurrentEntries(windows, HKEY_CLASSES_ROOT, &merged.layers()),
                                   ScanCurrentEntries(store, HKEY_CLASSES_ROOT, &own.layers())}) {
      std::vector<std::string> unreadable;
      for (const auto& e : *scan.entries)
        if (e->Unreadable()) {
          unreadable.push_back(e->Ext());
          EXPECT_EQ(e->UnreadableAt(), c.at);
          EXPECT_EQ(e->UnreadablePath(), c.key);
          // Nothing is guessed for it.
          EXPECT_EQ(e->ProgramFullPath() + e->InForceProgID() + e->OpenerCommand(), "");
        }
      std::string names;
      for (const auto& name : unreadable) names.append(names.empty() ? "" : " ").append(name);
      EXPECT_EQ(names, c.entry);
      std::vector<std::string> apart;
      for (const auto& u : scan.unreadableNames) apart.push_back(u.name);
      EXPECT_EQ(apart, *c.listedApart ? std::vector<std::string>{c.listedApart} : std::vector<std::string>{});
      // What may be read reads as before.
      if (std::string(c.entry).find(".b") == std::string::npos) {
        EXPECT_EQ(scan.entries->Item(".b")->ProgramFullPath(), "grab.exe %1");
      }
      if (std::string(c.entry) != ".tlock") {
        EXPECT_EQ(scan.entries->Item(".tlock")->UserProgID(), "ufile");
      }
      if (std::string(c.entry) != ".f") {
        EXPECT_EQ(scan.entries->Item(".f")->OpenerCommand(), "pick.exe %1");
      }
    }
  }
}

// Many scans of one registry, on several readers, give the same entries as
// one reader does, every time; and so they do while the system, asked which
// identifier it uses, closes the key it opened twice (as Wine's association
// object does for a name without a dot).
TEST(ScanDeterminism, ManyScansOnSeveralReadersGiveWhatOneReaderGives) {
  std::string text = kLayered;
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.t" + n + "]\n@=\"T.File." + n + "\"\n";
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\T.File." + n + "\\shell" + (i % 3 ? "" : "\\cplopen") +
            (i % 3 ? "\\open" : "") + "\\command]\n@=\"t" + n + ".exe %1\"\n";
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Other." + n + "]\n@=\"class\"\n";
    if (i % 10 == 0) {
      text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\link" + n + "]\n\"URL Protocol\"=\"\"\n";
      text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\link" + n + "\\shell\\open\\command]\n@=\"l.exe %1\"\n";
      text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\link" + n +
              "\\UserChoice]\n\"ProgId\"=\"link" + n + "\"\n";
    }
    if (i % 4 == 0)
      text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.t" + n +
              "\\UserChoice]\n\"ProgId\"=\"T.File." + n + "\"\n";
  }
  // The store gives out the number of a closed handle again, as the system
  // does: a key closed twice closes whatever another thread was given under
  // that number in between.
  RegistryStore reg;
  reg.LoadText(text, "many");
  const auto scan = [&](bool concurrent) {
    reg.concurrentReads = concurrent;
    OpenClassLayers layers(reg);
    return Dump(ScanCurrentEntries(reg, HKEY_CLASSES_ROOT, &layers.layers(), {}, [&](const std::string& name) {
      HKEY key = nullptr;
      if (reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        reg.RegCloseKey(key);
        std::this_thread::yield();
        reg.RegCloseKey(key);
      }
      return std::string();
    }));
  };
  const std::vector<std::string> one = scan(false);
  ASSERT_GT(one.size(), 300u);
  for (int run = 0; run < 20; ++run) ASSERT_EQ(scan(true), one) << "run " << run;
}

// Sizes that a hijacker or a careless installer can write, and that must
// not make a check crawl: one program identifier whose verbs take many calls
// to read (listed, named in a long list, passed over), named by any number of
// types, is read once for all of them; each type then costs what a plain one
// costs, and reads what a lone type naming it reads.
TEST(ScanHostileSizes, AnIdentifierManyTypesNameIsReadOnceForAll) {
  constexpr auto kMachine = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\";
  constexpr auto kUser = "[HKEY_CURRENT_USER\\Software\\Classes\\";
  constexpr int kVerbs = 200;
  const auto verbs = [&](const char* layer, bool off) {
    std::string text;
    for (int i = 0; i < kVerbs; ++i) {
      const std::string v = "v" + std::to_string(1000 + i);
      text += layer + "Shared.File\\shell\\"s + v + "]\n" + (off ? "\"LegacyDisable\"=\"\"\n" : "");
      text += layer + "Shared.File\\shell\\"s + v + "\\command]\n@=\"" + v + ".exe %1\"\n";
    }
    return text;
  };
  const auto named = [&](const char* prefix, const char* last) {
    std::string list;
    for (int i = 0; i < kVerbs; ++i) list += prefix + std::to_string(1000 + i) + ",";
    return kMachine + "Shared.File\\shell]\n@=\""s + list + last + "\"\n";
  };
  const std::string go = kMachine + "Shared.File\\shell\\go\\command]\n@=\"go.exe %1\"\n"s;
  // Listed after every other verb.
  const std::string zz = kMachine + "Shared.File\\shell\\zz\\command]\n@=\"zz.exe %1\"\n"s;
  struct Case {
    const char* what;
    std::string identifier;
    bool chosen;         // Explorer chose it for types of their own identifiers
    const char* verb;    // the verb that runs for every type
    const char* denied;  // a key under the machine classes that may not be read
  };
  const Case cases[] = {
      {"verbs listed, none named", verbs(kMachine, false), false, "v1000", nullptr},
      {"listed in the user classes too", verbs(kMachine, false) + verbs(kUser, false), false, "v1000", nullptr},
      {"a long list of names not there", named("gone", "go") + go, false, "go", nullptr},
      {"verbs named, listed and passed over", verbs(kMachine, true) + named("v", "") + zz, false, "zz", nullptr},
      {"chosen in Explorer for each type", verbs(kMachine, false), true, "v1000", nullptr},
      {"a verb's command that may not be read", verbs(kMachine, false), false, "", "Shared.File\\shell\\v1000\\command"},
  };
  // The identifier spelled three ways: the registry takes them for one key.
  const char* spellings[] = {"Shared.File", "SHARED.FILE", "shared.File"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto scan = [&](int types, long& calls) {
      std::string text = "REGEDIT4\n" + c.identifier;
      for (int i = 0; i < types; ++i) {
        const std::string t = ".t" + std::to_string(i);
        if (!c.chosen) {
          text += kMachine + t + "]\n@=\"" + spellings[i % 3] + "\"\n";
          continue;
        }
        text += kMachine + t + "]\n@=\"Own." + std::to_string(i) + "\"\n";
        text += kMachine + "Own."s + std::to_string(i) + "\\shell\\open\\command]\n@=\"own.exe %1\"\n";
        text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\" + t +
                "\\UserChoice]\n\"ProgId\"=\"" + spellings[i % 3] + "\"\n";
      }
      RegistryStore store;
      store.LoadText(text, "hostile");
      if (c.denied) store.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Classes\\"s + c.denied, KEY_READ);
      test::CountingRegistry counted(store);
      OpenClassLayers layers(counted);
      const long before = counted.calls;
      ScanResult result = ScanCurrentEntries(counted, HKEY_CLASSES_ROOT, &layers.layers());
      calls = counted.calls - before;
      return result;
    };
    long one = 0, many = 0;
    const ScanResult alone = scan(1, one);
    const ScanResult all = scan(61, many);
    // A reading costs hundreds of calls; a type beside it a few dozen.
    EXPECT_GT(one, kVerbs);
    EXPECT_LT((many - one) / 60, 40) << one << " calls for one type, " << many << " for 61";
    ASSERT_EQ(alone.entries->Count(), 1);
    ASSERT_EQ(all.entries->Count(), 61);
    const AssocEntry& lone = *alone.entries->Item(1);
    EXPECT_EQ(lone.Verb(), c.verb);
    for (const auto& e : *all.entries) {
      SCOPED_TRACE(e->Ext());
      EXPECT_EQ(e->Verb(), lone.Verb());
      EXPECT_EQ(e->VerbCommand(), lone.VerbCommand());
      EXPECT_EQ(e->VerbAt(), lone.VerbAt());
      EXPECT_EQ(e->OpenerCommand(), lone.OpenerCommand());
      EXPECT_EQ(e->Unreadable(), lone.Unreadable());
      // A key that may not be read is named as the type names the identifier.
      if (c.denied) {
        const std::string spelled = spellings[std::stoi(e->Ext().substr(2)) % 3];
        EXPECT_EQ(e->UnreadablePath(), spelled + std::string(c.denied).substr(spelled.size()));
      }
    }
  }
}

// One reading looks for each verb's key once: a name the shell key's list
// gives again (in any case), and a verb it passed over that the registry
// lists too, are not looked for again.
TEST(ScanHostileSizes, AReadingLooksForEachVerbOnce) {
  std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\Off.File\\shell]\n@=\"";
  for (int i = 0; i < 50; ++i) text += "v" + std::to_string(i) + ",gone,GONE, v" + std::to_string(i) + ",";
  text += "\"\n";
  for (int i = 0; i < 50; ++i) {
    const std::string key = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Off.File\\shell\\v" + std::to_string(i);
    text += key + "]\n\"ProgrammaticAccessOnly\"=\"\"\n" + key + "\\command]\n@=\"off.exe %1\"\n";
  }
  text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Off.File\\shell\\zz\\command]\n@=\"zz.exe %1\"\n";
  RegistryStore store;
  store.LoadText(text, "off");
  test::CountingRegistry counted(store);
  OpenClassLayers layers(counted);
  const HKEY machine[] = {layers.layers().machine};
  VerbRead verb;
  ReadVerb(counted, machine, 1, "Off.File", verb, true);
  EXPECT_EQ(verb.verb, "zz");
  EXPECT_EQ(verb.command, "zz.exe %1");
  std::map<std::string, int> looked;
  for (const auto& [path, n] : counted.opensOf) looked[FoldCase(path)] += n;
  EXPECT_EQ(looked["gone"], 1);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(looked["v" + std::to_string(i)], 1) << "v" << i;
}

HOLLIN_ON_EACH_REGISTRY(ScanTest);

}  // namespace
}  // namespace hollin
