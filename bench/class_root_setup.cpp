// Prepares the Wine prefix for startup_bench (Windows build only): writes the
// class root of class_root.h into HKEY_CLASSES_ROOT, beside the prefix's own
// classes, then records two base files from a scan of it:
//
//   class_root_setup OK_FOLDER CHANGED_FOLDER [FILEEXTS_FOLDER]
//
// OK_FOLDER\Prev.isd holds the class root as it is (a quiet check finds no
// change); in CHANGED_FOLDER\Prev.isd every tenth of the 5,000 types has
// another command (a quiet check lists 500 changed types). With
// FILEEXTS_FOLDER, Explorer's 20,000 keys of FillFileExts are written
// (explorer_keys.h: in a prefix without a FileExts of its own, behind a link
// that then points at an empty key), and FILEEXTS_FOLDER\Prev.isd records the
// class root with them in place.
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/base_store.h"
#include "class_root.h"
#include "explorer_keys.h"
#include "registry/scan.h"
#include "registry/win32_registry.h"

namespace hollin::bench {
namespace {

constexpr int kChangedEvery = 10;

// Records entries as a new base file in folder.
void WriteBase(const std::filesystem::path& folder, const std::shared_ptr<AssocEntries>& entries) {
  const auto old = std::filesystem::current_path();
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  for (const char* name : {"Prev.isd", "Prev.isd.bak"}) std::filesystem::remove(name);
  Associations g;
  g.CurrentEntries = entries;
  BaseStore vsd;
  RecordNewBase(g, vsd);
  std::filesystem::current_path(old);
}

}  // namespace
}  // namespace hollin::bench

int main(int argc, char** argv) {
  using namespace hollin;
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: class_root_setup OK_FOLDER CHANGED_FOLDER [FILEEXTS_FOLDER]\n");
    return 2;
  }
  try {
    Win32Registry reg;
    bench::FillClassRoot(reg, HKEY_CLASSES_ROOT);
    // As the program records them: with the layers of each type.
    OpenClassLayers layers(reg);
    auto entries = ScanCurrentEntries(reg, HKEY_CLASSES_ROOT, &layers.layers()).entries;
    bench::WriteBase(argv[1], entries);
    int changed = 0;
    char ext[16];
    for (int i = 0; i < bench::kExtensions; i += bench::kChangedEvery) {
      std::snprintf(ext, sizeof ext, ".ext%05d", i);
      entries->Item(ext)->ProgramFullPath(bench::CommandOf(i, 1));
      ++changed;
    }
    bench::WriteBase(argv[2], entries);
    std::printf("class root in HKEY_CLASSES_ROOT: %d types scanned, %d changed in the second base\n",
                entries->Count(), changed);
    if (changed != bench::kExtensions / bench::kChangedEvery) return 1;
    if (argc == 3) return 0;

    const std::string path = std::string(bench::kExplorerPath) + "\\";
    HKEY fileExts = nullptr, none = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(path.begin(), path.end()) + bench::kBenchFileExts).c_str(),
                        0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &fileExts, nullptr) != ERROR_SUCCESS ||
        RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(path.begin(), path.end()) + bench::kNoFileExts).c_str(), 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &none, nullptr) != ERROR_SUCCESS ||
        !bench::PointFileExts(true, true)) {
      std::fprintf(stderr, "class_root_setup: cannot make Explorer's keys (a prefix of FileExts of its own?)\n");
      return 1;
    }
    RegCloseKey(none);
    bench::FillFileExts(reg, fileExts);
    RegCloseKey(fileExts);
    int withExplorer = 0;
    {
      OpenClassLayers explorer(reg);
      auto all = ScanCurrentEntries(reg, HKEY_CLASSES_ROOT, &explorer.layers()).entries;
      withExplorer = all->Count();
      bench::WriteBase(argv[3], all);
    }
    if (!bench::PointFileExts(false)) return 1;
    std::printf("with Explorer's %d keys: %d types scanned\n", bench::kFileExts, withExplorer);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "class_root_setup: %s\n", e.what());
    return 1;
  }
}
