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
#include "registry/registry_store.h"
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
  return entries == kExtensions && sink > 0 ? 0 : 1;
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
