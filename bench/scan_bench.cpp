// The current scan over the synthetic class root of class_root.h, against the
// floor: a bare loop that makes exactly the same registry calls and builds
// nothing.
//
//   scan_bench            the registry store (native or Windows build)
//   scan_bench --real     the real registry (Windows build, under Wine), in a
//                         key of its own under HKEY_CURRENT_USER
//   scan_bench --floor-hkcr  one pass of the floor over the real
//                         HKEY_CLASSES_ROOT, then exit: the whole process is
//                         what startup_bench holds the quiet check against
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_util.h"
#include "class_root.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin::bench {
namespace {

int Run(IRegistry& reg, HKEY root, const char* label, int reps) {
  FillClassRoot(reg, root);
  size_t entries = 0, sink = 0;
  const auto [scan, floor] = MeasurePair(
      [&] { entries = static_cast<size_t>(ScanCurrentEntries(reg, root).entries->Count()); },
      [&] { sink += Floor(reg, root); }, reps);
  std::printf("%s: %zu entries scanned\n", label, entries);
  Report(std::string(label) + " scan", scan);
  Report(std::string(label) + " floor (same calls)", floor);
  ReportRatio(std::string(label) + " scan", scan, floor, 1.2);

  // The scan as a check runs it, reading each type's layers too: the class
  // root serves as the machine classes (as on Wine, where they are one), the
  // user classes are empty and Explorer has chosen a program for one type in
  // ten.
  HKEY user = nullptr, fileExts = nullptr;
  reg.RegCreateKeyExA(root, "Layers\\User", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr);
  reg.RegCreateKeyExA(root, "Layers\\FileExts", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &fileExts, nullptr);
  char path[64], progId[32];
  for (int i = 0; i < kExtensions; i += 10) {
    std::snprintf(path, sizeof path, ".ext%05d\\UserChoice", i);
    std::snprintf(progId, sizeof progId, "Prog.File.%05d", i);
    HKEY choice = nullptr;
    reg.RegCreateKeyExA(fileExts, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &choice, nullptr);
    reg.RegSetValueExA(choice, "ProgId", 0, REG_SZ, reinterpret_cast<const BYTE*>(progId), std::strlen(progId) + 1);
    reg.RegCloseKey(choice);
  }
  const ClassLayers layers{root, user, fileExts};
  size_t layered = 0;
  const auto [withLayers, plain] = MeasurePair(
      [&] { layered = static_cast<size_t>(ScanCurrentEntries(reg, root, &layers).entries->Count()); },
      [&] { entries = static_cast<size_t>(ScanCurrentEntries(reg, root).entries->Count()); }, reps);
  Report(std::string(label) + " scan with layers", withLayers);
  ReportRatio(std::string(label) + " scan with layers", withLayers, plain, 1.3, "scan without");

  // Explorer's keys of a machine that has opened files of 20,000 kinds, 600
  // of them with a choice (FillFileExts), against the layers above.
  HKEY manyExts = nullptr;
  reg.RegCreateKeyExA(root, "Layers\\ManyFileExts", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &manyExts,
                      nullptr);
  FillFileExts(reg, manyExts);
  const ClassLayers many{root, user, manyExts};
  size_t withMany = 0;
  const auto [manyTime, fewTime] = MeasurePair(
      [&] { withMany = static_cast<size_t>(ScanCurrentEntries(reg, root, &many).entries->Count()); },
      [&] { layered = static_cast<size_t>(ScanCurrentEntries(reg, root, &layers).entries->Count()); }, reps);
  std::printf("%s: %zu entries scanned with 20,000 keys of Explorer's\n", label, withMany);
  Report(std::string(label) + " scan, 20,000 Explorer keys", manyTime);
  ReportRatio(std::string(label) + " scan, 20,000 Explorer keys", manyTime, fewTime, 1.3,
              "scan with layers");
  reg.RegCloseKey(manyExts);
  reg.RegCloseKey(user);
  reg.RegCloseKey(fileExts);
  // The types and the protocols.
  const size_t kAll = kExtensions + kProtocols;
  const size_t kWithMany = kAll + kFileExtsOnly / kOnlyChoiceEvery;
  return entries == kAll && layered == kAll && withMany == kWithMany && sink > 0 ? 0 : 1;
}

}  // namespace
}  // namespace hollin::bench

int main(int argc, char** argv) {
  using namespace hollin;
  const bool real = argc > 1 && std::strcmp(argv[1], "--real") == 0;
  const bool floorOnly = argc > 1 && std::strcmp(argv[1], "--floor-hkcr") == 0;
  if (!real && !floorOnly) {
    RegistryStore store;
    return bench::Run(store, HKEY_CLASSES_ROOT, "store", 15);
  }
#ifdef _WIN32
  Win32Registry reg;
  if (floorOnly) return bench::Floor(reg, HKEY_CLASSES_ROOT) > 0 ? 0 : 1;
  const char* path = "Software\\HollinBench";
  RegDeleteTreeA(HKEY_CURRENT_USER, path);
  HKEY root = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                      nullptr) != ERROR_SUCCESS)
    return 2;
  const int rc = bench::Run(reg, root, "real registry", 7);
  RegCloseKey(root);
  RegDeleteTreeA(HKEY_CURRENT_USER, path);
  return rc;
#else
  std::fprintf(stderr, "%s needs the Windows build\n", argv[1]);
  return 2;
#endif
}
