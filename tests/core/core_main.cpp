// A check as the command line and the window run it, through the core
// libraries alone (common, registry, base, compare): the scan of a class
// root, a first run that records the base, a change, its detection and a
// restore. Linked against those four libraries alone (tests/core); exits 0
// when all went as it must.
#include <cstdio>
#include <filesystem>

#include "base/base_store.h"
#include "base/associations.h"
#include "compare/changes.h"
#include "compare/check.h"
#include "support/registry_store.h"
#include "registry/scan.h"

using namespace hollin;

int main(int argc, char** argv) {
  if (argc > 1) std::filesystem::current_path(argv[1]);
  RegistryStore reg;
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
               "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n@=\"notepad.exe %1\"\n",
               "classes");
  Associations state;
  BaseStore file;
  state.CurrentEntries = ScanCurrentEntries(reg).entries;
  if (LoadBase(state, file) != BaseLoad::RecordedNew) return 1;
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n"
               "[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n@=\"grab.exe %1\"\n",
               "hijack");
  state.CurrentEntries = ScanCurrentEntries(reg).entries;
  if (LoadBase(state, file) != BaseLoad::Loaded) return 2;
  const auto changes = FindChanges(*state.CurrentEntries, *state.BaseEntries);
  if (changes.size() != 1 || changes[0].opener != "grab") return 3;
  const RestoreResult result = RestoreTypes(reg, *state.BaseEntries, *state.CurrentEntries, {".txt"});
  if (!result.wrote || !result.failed.empty()) return 4;
  std::puts("the core checked, recorded, found and restored without the windows");
  return 0;
}
