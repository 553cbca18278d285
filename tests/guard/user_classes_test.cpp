// What the user classes give the scan, read as one text (the guard's filter
// for Explorer's writes into them): a write the scan sees never leaves the
// text as it was, and writes the scan never reads (Explorer's folder views,
// MuiCache, a type's list of programs to open with) leave it.
#include <gtest/gtest.h>

#include "compare/changes.h"
#include "compare/check.h"
#include "registry/merged_class_root.h"
#include "support/registry_store.h"
#include "registry/user_classes.h"
#include "support/fake_platform.h"

namespace hollin {
namespace {

constexpr const char* kModel =
    "REGEDIT4\n"
    "[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
    "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n@=\"C:\\\\Windows\\\\notepad.exe %1\"\n"
    "[HKEY_CLASSES_ROOT\\.rtf]\n@=\"rtffile\"\n"
    "[HKEY_CLASSES_ROOT\\rtffile\\shell\\open\\command]\n@=\"C:\\\\Write\\\\write.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\.usr]\n@=\"User.Doc\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\User.Doc\\shell\\open\\command]\n@=\"C:\\\\User\\\\user.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\User.Doc\\shell\\edit\\command]\n@=\"C:\\\\User\\\\edit.exe %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\zweb]\n\"URL Protocol\"=\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\zweb\\shell\\open\\command]\n@=\"C:\\\\Web\\\\web.exe %1\"\n"
    // A packaged app as the real hives hold one: a handler, no command.
    "[HKEY_CURRENT_USER\\Software\\Classes\\.pkg]\n@=\"AppXq1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\AppXq1\\Application]\n\"ApplicationName\"=\"Viewer\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\AppXq1\\Shell\\open\\command]\n"
    "\"DelegateExecute\"=\"{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}\"\n"
    // Explorer's choice by a path, and what Explorer writes as a person browses.
    "[HKEY_CURRENT_USER\\Software\\Classes\\Applications\\write.exe\\shell\\open\\command]\n"
    "@=\"C:\\\\Write\\\\write.exe /u %1\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf\\UserChoice]\n"
    "\"ProgId\"=\"Applications\\\\write.exe\"\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags\\1\\Shell]\n"
    "\"Mode\"=dword:00000001\n";

TEST(UserClassesStateTest, EveryWriteTheScanSeesChangesIt) {
  const std::string user = "[HKEY_CURRENT_USER\\Software\\Classes\\";
  const struct {
    const char* what;
    std::string write;
    bool seen;  // by the scan
    bool read = seen;  // by the text (what the scan sees, and more)
  } writes[] = {
      {"a folder's view", user + "Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags\\1\\Shell]\n\"Mode\"=dword:4\n",
       false},
      {"MuiCache", user + "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache]\n\"C:\\\\a.exe\"=\"A\"\n", false},
      {"programs to open with", user + ".usr\\OpenWithProgids]\n\"AppXq1\"=\"\"\n", false},
      {"an icon", user + "User.Doc\\DefaultIcon]\n@=\"C:\\\\User\\\\user.exe,1\"\n", false},
      {"a type's identifier", user + ".usr]\n@=\"rtffile\"\n", true},
      {"a new type", user + ".new]\n@=\"User.Doc\"\n", true},
      {"an identifier's command", user + "User.Doc\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n", true},
      {"the default verb", user + "User.Doc\\shell]\n@=\"edit\"\n", true},
      {"a machine type's identifier in the user classes",
       user + "txtfile\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n", true},
      {"a handler", user + "AppXq1\\Shell\\open\\command]\n\"DelegateExecute\"=\"{00000000-0000-0000-0000-000000000001}\"\n",
       true},
      {"a packaged app's name, where its handler runs", user + "AppXq1\\Application]\n\"ApplicationName\"=\"Grabber\"\n",
       false, true},
      {"a link's command", user + "zweb\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n", true},
      {"a new link", user + "zgrab]\n\"URL Protocol\"=\"\"\n" + user + "zgrab\\shell\\open\\command]\n@=\"g.exe %1\"\n",
       true},
      {"the command of the identifier Explorer's choice names by its path",
       user + "Applications\\write.exe\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n", true},
  };
  for (const auto& w : writes) {
    RegistryStore store;
    store.LoadText(kModel, "model");
    MergedClassRoot windows(store);  // the class root as Windows merges it
    test::FakePlatform platform;
    const auto before = ScanCurrent(windows, platform).entries;
    const std::vector<std::string> paths = DeepIdentifiers({before.get()});
    const std::string state = ReadUserClassesState(windows, paths);
    store.LoadText("REGEDIT4\n" + w.write, "write");
    const auto after = ScanCurrent(windows, platform).entries;
    EXPECT_EQ(!FindChanges(*after, *before, true).empty(), w.seen) << w.what << ": the scan";
    EXPECT_EQ(ReadUserClassesState(windows, paths) != state, w.read) << w.what;
  }
}

// A key the user cannot read any more, or one that comes back, changes the
// text; so does a deeper identifier asked for that is not there.
TEST(UserClassesStateTest, AKeyThatCannotBeReadCounts) {
  RegistryStore store;
  store.LoadText(kModel, "model");
  const std::string state = ReadUserClassesState(store, {});
  EXPECT_NE(state.find("User.Doc"), std::string::npos);
  store.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\User.Doc\\shell\\open", KEY_QUERY_VALUE);
  const std::string denied = ReadUserClassesState(store, {});
  EXPECT_NE(denied, state);
  store.DenyAccess(HKEY_CURRENT_USER, "Software\\Classes\\User.Doc\\shell\\open", 0);
  EXPECT_EQ(ReadUserClassesState(store, {}), state);
  EXPECT_NE(ReadUserClassesState(store, {"Applications\\grab.exe"}), state);
}

// The identifiers named by a path are read too; a link's layers hold its
// commands, which name no key.
TEST(UserClassesStateTest, IdentifiersNamedByAPath) {
  AssocEntries entries;
  auto add = [&](const char* name, const char* machine, const char* choice) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(name);
    e->MachineProgID(machine);
    e->ChoiceProgID(choice);
    entries.Add(e, name);
  };
  add(".rtf", "rtffile", "Applications\\write.exe");
  add(".doc", "CLSID\\{00020906-0000-0000-C000-000000000046}", "applications\\WRITE.exe");
  add("zweb", "C:\\Web\\web.exe %1", "Applications\\web.exe");
  EXPECT_EQ(DeepIdentifiers({&entries, nullptr}),
            (std::vector<std::string>{"Applications\\write.exe", "CLSID\\{00020906-0000-0000-C000-000000000046}",
                                      "Applications\\web.exe"}));
}

}  // namespace
}  // namespace hollin
