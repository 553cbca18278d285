// The scan with layers over two real per-user class hives (realworld/README.txt):
// each is loaded into the registry store as the user classes, under a few
// machine classes and Explorer's choices of our own. What is expected was read
// from the hives' text.
//
// The class root is built two ways: the user classes loaded over the machine
// classes (a stand-in for the view Windows merges), and the machine classes
// only, as Wine keeps it (the scan finds the user classes' types in their
// layer).
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/text.h"
#include "registry/layers.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "registry_fixture.h"
#include "support/test_support.h"

#ifndef HOLLIN_REALWORLD_DIR
#error "the build names the folder of the unpacked hives"
#endif

namespace hollin {
namespace {

using namespace std::string_literals;

constexpr const char* kWin10 = "Win10-RathbunVM-UsrClass.reg";
constexpr const char* kWin81 = "dfwinreg-UsrClass.reg";

// The types data/machine_classes.reg gives a command: one the hives do not
// name, two that they list packaged apps for, one whose key a hive spells
// ".R3D", and two whose only verb is not open (.cpl: cplopen, .inf:
// install), as Windows registers them; and the protocol it gives one, http.
// ROOT stands for the machine classes or the class root.
const std::set<std::string> kMachineTypes{".txt", ".jpg", ".pdf", ".r3d", ".cpl", ".inf"};

// The protocols a hive's text marks: each key directly under the class root
// that holds a "URL Protocol" value (the text is UTF-16; the names are ASCII).
std::set<std::string> MarkedProtocols(const std::string& utf16) {
  std::string text;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) text.push_back(utf16[i + 1] ? '?' : utf16[i]);
  std::set<std::string> out;
  std::string key;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("[HKEY_CLASSES_ROOT\\", 0) == 0) key = line.substr(19, line.size() - 20);
    else if (line.rfind("\"URL Protocol\"=", 0) == 0 && key.find('\\') == std::string::npos) out.insert(FoldCase(key));
  }
  return out;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  size_t done = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
    out.append(text, done, at - done).append(to);
    done = at + from.size();
  }
  return out.append(text, done);
}

std::string Utf16(std::string_view ascii) {
  std::string out;
  for (char c : ascii) out.append({c, '\0'});
  return out;
}

enum class View { Merged, Wine };

// Explorer's choice for a type. A choice written without its terminating
// zero, as a text value can be (one in the Windows 8.1 hive is), must be read
// whole.
struct Choice {
  const char* ext;
  const char* progId;
  bool latest = false;     // UserChoiceLatest, else UserChoice
  bool terminated = true;  // the value's data ends with its zero
};

// The store with a hive as the user classes, the machine classes above, and
// the class root of the view.
class RealClasses {
 public:
  RealClasses(const char* hive, View view) {
    const std::string text = test::ReadFileBytes(std::string(HOLLIN_REALWORLD_DIR "/") + hive);
    const std::string machine = test::Data("machine_classes.reg");
    store.LoadText(ReplaceAll(machine, "ROOT", "HKEY_LOCAL_MACHINE\\Software\\Classes"), "machine");
    store.LoadText(ReplaceAll(machine, "ROOT", "HKEY_CLASSES_ROOT"), "machine");
    store.LoadText(ReplaceAll(text, Utf16("[HKEY_CLASSES_ROOT"),
                              Utf16("[HKEY_CURRENT_USER\\Software\\Classes")),
                   hive);
    if (view == View::Merged) store.LoadText(text, hive);
  }

  void Choose(const Choice& c) {
    const std::string path = std::string(c.ext[0] == '.' ? kFileExtsPath : kUrlAssociationsPath) + "\\" + c.ext +
                             (c.latest ? "\\UserChoiceLatest\\ProgId" : "\\UserChoice");
    const std::string id = std::string(c.progId) + (c.terminated ? "\0"s : ""s);
    ASSERT_EQ(test::SetRegValue(store, HKEY_CURRENT_USER, path, "ProgId", REG_SZ, id), ERROR_SUCCESS);
  }

  ScanResult Scan(const IndirectStringResolver& resolve = {}) {
    OpenClassLayers layers(store);
    return ScanCurrentEntries(store, HKEY_CLASSES_ROOT, &layers.layers(), resolve);
  }

  RegistryStore store;
};

// A protocol of the hive or of the machine classes, read in its layers:
// Explorer's choice where one is made, the layer that decides, and the name
// of what opens it.
struct Link {
  Choice choice;  // ext: the protocol; progId "" for none
  AssocEntry::Layer decider;
  const char* opener;
  const char* handler;  // the DelegateExecute of the verb that runs
};

// A packaged app chosen for a type: its name without a resolver (the
// package's name, or a plain ApplicationName as it is), with the resolver
// below, and the command where its open verb has one besides DelegateExecute.
struct Pick {
  Choice choice;
  const char* name;
  const char* resolvedName;
  const char* command;
};

struct HiveCase {
  const char* file;
  std::vector<Pick> picks;
  std::vector<Link> links;
};

// Each identifier is one that the type's OpenWithProgids lists in the hive.
// clang-format off
const HiveCase kCases[] = {
    {kWin10, {
        {{".jpg", "AppX43hnxtbyyps62jhe9sqpdzxn1790zetc"},
         "Microsoft.Windows.Photos", "Photos", ""},
        {{".png", "AppX43hnxtbyyps62jhe9sqpdzxn1790zetc", false, false},
         "Microsoft.Windows.Photos", "Photos", ""},
        {{".mkv", "AppX6eg8h5sxqq90pv53845wmnbewywdqq5h", true},
         "Microsoft.ZuneVideo", "Microsoft.ZuneVideo", ""},
        {{".one", "AppXaf0097ws4bwb0wre67gmp7pc9fjr8en6"},
         "OneNote for Windows 10", "OneNote for Windows 10", ""},
        // Its open command holds a launcher besides DelegateExecute.
        {{".htm", "AppX4hxtad77fbk3jkkeerkrm0ze94wjf3s9"},
         "", "", "\"C:\\Windows\\system32\\LaunchWinApp.exe\" \"%1\""}},
       {// OneDrive's own protocol, in the user classes; http marked there
        // too, with the machine classes' command; mail links chosen in
        // Explorer for the Mail app, whose verb runs a handler.
        {{"grvopen", ""}, AssocEntry::Layer::User, "\\OneDrive.exe\" /url:", ""},
        {{"http", ""}, AssocEntry::Layer::Machine, "\\web.exe", ""},
        {{"mailto", "AppXydk58wgm44se4b399557yyyj1w7mbmvd", true}, AssocEntry::Layer::Choice,
         "microsoft.windowscommunicationsapps", "{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}"}}},
    {kWin81, {
        {{".pdf", "AppX86746z2101ayy2ygv3g96e4eqdf8r99j", true},
         "Microsoft.Reader", "Reader", ""},
        {{".mp3", "AppXqj98qxeaynz6dv4459ayz6bnqxbyaqcs"},
         "Microsoft.ZuneMusic", "Microsoft.ZuneMusic", ""},
        {{".avi", "AppXhjhjmgrfm2d7rd026az898dy2p1pcsyt", false, false},
         "Microsoft.ZuneVideo", "Microsoft.ZuneVideo", ""}},
       {{{"spotify", ""}, AssocEntry::Layer::User, "\\Spotify.exe\" --uri=%1", ""},
        {{"http", ""}, AssocEntry::Layer::Machine, "\\web.exe", ""}}},
};

// Knows two of the hives' display names, each by its whole indirect string.
std::string Resolve(const std::string& indirect) {
  static const std::map<std::string, std::string> known{
      {"@{Microsoft.Windows.Photos_2021.21090.10008.0_x64__8wekyb3d8bbwe"
       "?ms-resource://Microsoft.Windows.Photos/Resources/AppFriendlyName}", "Photos"},
      {"@{Microsoft.Reader_6.3.9600.16422_x64__8wekyb3d8bbwe"
       "?ms-resource://Microsoft.Reader/resources/ShortDisplayName}", "Reader"}};
  const auto it = known.find(indirect);
  return it == known.end() ? std::string() : it->second;
}
// clang-format on

void PrintTo(const HiveCase& c, std::ostream* os) { *os << c.file; }
void PrintTo(View v, std::ostream* os) { *os << (v == View::Merged ? "merged" : "Wine"); }

class RealHive : public ::testing::TestWithParam<std::tuple<HiveCase, View>> {
 protected:
  const HiveCase& hive() const { return std::get<0>(GetParam()); }
  View view() const { return std::get<1>(GetParam()); }
  RealClasses classes{hive().file, view()};
  // The checks below, one after another over one load of the hive: a load
  // takes seconds.
  void ExplorersChoiceOfAPackagedAppIsShownByName();
  void ProtocolsAreReadInTheirLayers();
  void TheWholeHiveIsScannedAndEachTypeListedOnce();
  void AValueWithoutItsTerminatingZeroIsReadWhole();
};

// A packaged app that Explorer's choice names is what opens the type, shown
// by name, and the type counts although no layer holds a command for it.
void RealHive::ExplorersChoiceOfAPackagedAppIsShownByName() {
  for (const auto& p : hive().picks) classes.Choose(p.choice);
  const auto plain = classes.Scan();
  const auto resolved = classes.Scan(Resolve);
  for (const auto& p : hive().picks) {
    SCOPED_TRACE(p.choice.ext);
    for (const auto* result : {&plain, &resolved}) {
      ASSERT_NO_THROW(result->entries->Item(p.choice.ext)) << "the type is not listed";
      const auto& e = result->entries->Item(p.choice.ext);
      EXPECT_EQ(e->ChoiceProgID(), p.choice.progId);
      EXPECT_EQ(e->Decider(), AssocEntry::Layer::Choice);
      EXPECT_EQ(e->OpenerCommand(), p.command);
      EXPECT_EQ(e->UserProgID(), "") << "no extension key of the hives has a default value";
      const bool machine = kMachineTypes.count(p.choice.ext) > 0;
      EXPECT_EQ(e->MachineProgID().empty(), !machine);
      EXPECT_EQ(e->ProgramFullPath().empty(), !machine);
    }
    EXPECT_EQ(plain.entries->Item(p.choice.ext)->OpenerName(), p.name);
    EXPECT_EQ(resolved.entries->Item(p.choice.ext)->OpenerName(), p.resolvedName);
  }
}

// The protocols of the hive and of the machine classes, each in the layer
// that decides it; the hive's own are marks mostly, a few with a command.
void RealHive::ProtocolsAreReadInTheirLayers() {
  for (const auto& l : hive().links)
    if (*l.choice.progId) classes.Choose(l.choice);
  const auto result = classes.Scan();
  for (const auto& l : hive().links) {
    SCOPED_TRACE(l.choice.ext);
    const AssocEntry* e = result.entries->Lookup(l.choice.ext);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->IsProtocol());
    EXPECT_EQ(e->Decider(), l.decider);
    EXPECT_EQ(e->ChoiceProgID(), l.choice.progId);
    EXPECT_EQ(e->ChoiceAt(), *l.choice.progId ? AssocEntry::ChoicePlace::LatestProgId : AssocEntry::ChoicePlace::None);
    // A packaged app by its name, a program by its command.
    const std::string& opener = e->OpenerName().empty() ? e->OpenerCommand() : e->OpenerName();
    EXPECT_NE(opener.find(l.opener), std::string::npos) << opener;
    EXPECT_EQ(e->Handler(), l.handler);
    EXPECT_EQ(e->Verb(), "open");
  }
}

// The whole hive: the scan ends, skips nothing, lists each type once, and
// counts exactly the types something opens: those the machine classes give
// a command and those Explorer's choice names, and every protocol the hive
// marks. A hive's own types name no program identifier (their keys hold
// OpenWithProgids only); the four of the Windows 10 hive with a
// "shell\open\command" of their own and no default value are, as the scan
// documents, no entries either.
void RealHive::TheWholeHiveIsScannedAndEachTypeListedOnce() {
  std::set<std::string> expected(kMachineTypes);
  for (const auto& p : MarkedProtocols(test::ReadFileBytes(std::string(HOLLIN_REALWORLD_DIR "/") + hive().file)))
    expected.insert(p);
  expected.insert("http");
  for (const auto& p : hive().picks) {
    classes.Choose(p.choice);
    expected.insert(p.choice.ext);
  }
  const auto result = classes.Scan();
  EXPECT_TRUE(result.skipped.empty());
  std::set<std::string> listed;
  for (const auto& e : *result.entries)
    EXPECT_TRUE(listed.insert(FoldCase(e->Ext())).second) << e->Ext();
  EXPECT_EQ(listed, expected);
  // A type whose only verb is not open runs that verb.
  for (const auto& [ext, verb] : {std::pair{".cpl", "cplopen"}, std::pair{".inf", "install"}}) {
    const AssocEntry* e = result.entries->Lookup(ext);
    ASSERT_NE(e, nullptr) << ext;
    EXPECT_EQ(e->Verb(), verb);
    EXPECT_NE(e->RunCommand(), "") << ext;
  }
  if (std::string(hive().file) == kWin10) {
    for (const char* ext : {".fluid", ".loop", ".note", ".whiteboard"}) {
      const std::string own = kClassesPath + "\\"s + ext + "\\shell\\open\\command";
      EXPECT_NE(ReadDefaultValue(classes.store, HKEY_CURRENT_USER, own), "") << ext;
      EXPECT_EQ(listed.count(ext), 0u) << ext;
    }
  }
}

// The one text value of the hives without its terminating zero (the Windows
// 8.1 hive's, a packaged app's icon) is read whole, by both ways the scan
// reads a value.
void RealHive::AValueWithoutItsTerminatingZeroIsReadWhole() {
  const std::string path = kClassesPath + "\\AppXhbb2c1hq2s7p99k0be74y4d0h2xp2dtm\\DefaultIcon"s;
  const std::string icon =
      "@{Microsoft.SkypeApp_2.5.0.1005_x86__kzf8qxf38zg5c"
      "?ms-resource://Microsoft.SkypeApp/Files/images/skypeSmall.png}";
  DWORD type = REG_NONE;
  EXPECT_EQ(ReadValue(classes.store, HKEY_CURRENT_USER, path, "", type), icon);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(ReadDefaultValue(classes.store, HKEY_CURRENT_USER, path), icon);
}

TEST_P(RealHive, ScannedInItsLayers) {
  TheWholeHiveIsScannedAndEachTypeListedOnce();
  ExplorersChoiceOfAPackagedAppIsShownByName();
  ProtocolsAreReadInTheirLayers();
  if (std::string(hive().file) == kWin81) AValueWithoutItsTerminatingZeroIsReadWhole();
}

INSTANTIATE_TEST_SUITE_P(Hives, RealHive,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(View::Merged, View::Wine)),
                         [](const auto& info) {
                           const std::string file = std::get<0>(info.param).file;
                           return (file == kWin10 ? "Win10"s : "Win81"s) +
                                  (std::get<1>(info.param) == View::Merged ? "Merged" : "Wine");
                         });

}  // namespace
}  // namespace hollin
