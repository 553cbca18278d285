// The current scan over a synthetic class root of 20,000 subkeys, 5,000 of
// them file types with a program ID and an open command. The floor is a bare
// loop that makes exactly the same registry calls and builds nothing.
//
//   scan_bench            the registry store (native or Windows build)
//   scan_bench --real     the real registry (Windows build, under Wine), in a
//                         key of its own under HKEY_CURRENT_USER
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_util.h"
#include "registry/registry_store.h"
#include "registry/scan.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin::bench {
namespace {

constexpr int kExtensions = 5000;
constexpr int kProgramIds = 5000;
constexpr int kOther = 20000 - kExtensions - kProgramIds;

void Fill(IRegistry& reg, HKEY root) {
  char path[128];
  char value[256];
  for (int i = 0; i < kExtensions; ++i) {
    std::snprintf(path, sizeof path, ".ext%05d", i);
    std::snprintf(value, sizeof value, "Prog.File.%05d", i);
    reg.RegSetValueA(root, path, REG_SZ, value, 0);
  }
  for (int i = 0; i < kProgramIds; ++i) {
    std::snprintf(path, sizeof path, "Prog.File.%05d\\shell\\open\\command", i);
    std::snprintf(value, sizeof value,
                  "\"C:\\Program Files\\Vendor %d\\Application %d\\app%d.exe\" /open \"%%1\"",
                  i % 97, i, i);
    reg.RegSetValueA(root, path, REG_SZ, value, 0);
  }
  for (int i = 0; i < kOther; ++i) {
    std::snprintf(path, sizeof path, "CLSID.{%08X-0000-0000-C000-000000000046}", i);
    reg.RegSetValueA(root, path, REG_SZ, "Some Class", 0);
  }
}

// The scan's own sequence of registry calls, with nothing built.
size_t Floor(IRegistry& reg, HKEY root) {
  size_t bytes = 0;
  char name[256];
  char value[256];
  std::string path;
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof name;
    if (reg.RegEnumKeyExA(root, index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
      break;
    if (name[0] != '.') continue;
    std::memset(value, ' ', sizeof value);
    LONG count = sizeof value;
    if (reg.RegQueryValueA(root, name, value, &count) != ERROR_SUCCESS || count <= 1) continue;
    path.assign(value, static_cast<size_t>(count - 1));
    path += "\\shell\\open\\command";
    HKEY key = nullptr;
    if (reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      continue;
    reg.RegCloseKey(key);
    std::memset(value, ' ', sizeof value);
    count = sizeof value;
    if (reg.RegQueryValueA(root, path.c_str(), value, &count) == ERROR_SUCCESS)
      bytes += static_cast<size_t>(count);
  }
  return bytes;
}

int Run(IRegistry& reg, HKEY root, const char* label, int reps) {
  Fill(reg, root);
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
  if (!real) {
    RegistryStore store;
    return bench::Run(store, HKEY_CLASSES_ROOT, "store", 15);
  }
#ifdef _WIN32
  Win32Registry reg;
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
  std::fprintf(stderr, "--real needs the Windows build\n");
  return 2;
#endif
}
