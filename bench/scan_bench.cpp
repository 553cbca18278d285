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
//   scan_bench --hostile [--real] [NAME]  class roots that a hijacker or a careless
//                         installer could write (a verb list of 30,000 names,
//                         an identifier that hundreds of types share, ...),
//                         each beside 1,000 plain types: the check's time and
//                         its registry calls, against those types alone
//                         (NAME: only the cases whose name holds it)
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "bench_util.h"
#include "class_root.h"
#include "support/counting_registry.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "registry/user_classes.h"
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


// The hostile class roots: each is 1,000 plain types (an identifier each,
// with an open command) and one thing written to slow a check down.
struct Hostile {
  const char* name;
  void (*fill)(IRegistry& reg, HKEY classes, HKEY user);
};

constexpr int kPlainTypes = 1000;

void Key(IRegistry& reg, HKEY base, const std::string& path, const char* name = nullptr, const std::string& text = {}) {
  HKEY key = nullptr;
  if (reg.RegCreateKeyExA(base, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  if (name)
    reg.RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  reg.RegCloseKey(key);
}

std::string Numbered(const char* prefix, int i) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%05d", prefix, i);
  return text;
}

void Plain(IRegistry& reg, HKEY classes) {
  for (int i = 0; i < kPlainTypes; ++i) {
    Key(reg, classes, Numbered(".plain", i), "", Numbered("Plain.File.", i));
    Key(reg, classes, Numbered("Plain.File.", i) + "\\shell\\open\\command", "", CommandOf(i));
  }
}

// An identifier with verbs v00000... (each with a command), none of them
// "open" and its shell key naming none: the first listed runs.
void Verbs(IRegistry& reg, HKEY classes, const std::string& id, int verbs) {
  for (int i = 0; i < verbs; ++i) Key(reg, classes, id + "\\shell\\" + Numbered("v", i) + "\\command", "", CommandOf(i));
}

void Types(IRegistry& reg, HKEY classes, const char* prefix, int types, const std::string& id) {
  for (int i = 0; i < types; ++i) Key(reg, classes, Numbered(prefix, i), "", id);
}

const Hostile kHostile[] = {
    {"plain types alone", [](IRegistry&, HKEY, HKEY) {}},
    {"one identifier, 30,000 verbs",
     [](IRegistry& reg, HKEY classes, HKEY) {
       Verbs(reg, classes, "Hostile.Verbs", 30000);
       Types(reg, classes, ".hostile", 1, "Hostile.Verbs");
     }},
    {"500 types share 1,000 verbs",
     [](IRegistry& reg, HKEY classes, HKEY) {
       Verbs(reg, classes, "Hostile.Shared", 1000);
       Types(reg, classes, ".shared", 500, "Hostile.Shared");
     }},
    {"the same, in the user classes too",
     [](IRegistry& reg, HKEY classes, HKEY user) {
       Verbs(reg, classes, "Hostile.Shared", 1000);
       Verbs(reg, user, "Hostile.Shared", 1000);
       Types(reg, classes, ".shared", 500, "Hostile.Shared");
     }},
    {"500 types, shell names 5,000 verbs",
     [](IRegistry& reg, HKEY classes, HKEY) {
       std::string list;
       for (int i = 0; i < 5000; ++i) list += (i ? "," : "") + Numbered("w", i);
       Key(reg, classes, "Hostile.List\\shell", "", list);
       Verbs(reg, classes, "Hostile.List", 1);
       Key(reg, classes, "Hostile.List\\shell\\w04999\\command", "", CommandOf(1));
       Types(reg, classes, ".listed", 500, "Hostile.List");
     }},
    {"5,000 verbs off, named by shell",
     [](IRegistry& reg, HKEY classes, HKEY) {
       std::string list;
       for (int i = 0; i < 5000; ++i) {
         list += (i ? "," : "") + Numbered("v", i);
         Key(reg, classes, "Hostile.Off\\shell\\" + Numbered("v", i), "LegacyDisable", "");
       }
       Key(reg, classes, "Hostile.Off\\shell", "", list);
       Verbs(reg, classes, "Hostile.Off", 5000);
       Key(reg, classes, "Hostile.Off\\shell\\zz\\command", "", CommandOf(2));
       Types(reg, classes, ".off", 1, "Hostile.Off");
     }},
    {"20,000 identifiers",
     [](IRegistry& reg, HKEY classes, HKEY) {
       for (int i = 0; i < 20000; ++i) {
         Key(reg, classes, Numbered(".many", i), "", Numbered("Many.File.", i));
         Key(reg, classes, Numbered("Many.File.", i) + "\\shell\\open\\command", "", CommandOf(i));
       }
     }},
    {"20,000 identifiers that are paths",
     [](IRegistry& reg, HKEY classes, HKEY) {
       for (int i = 0; i < 20000; ++i) {
         Key(reg, classes, Numbered(".deep", i), "", Numbered("Applications\\deep", i) + ".exe");
         Key(reg, classes, Numbered("Applications\\deep", i) + ".exe\\shell\\open\\command", "", CommandOf(i));
       }
     }},
    {"500 types share a 64 KB command",
     [](IRegistry& reg, HKEY classes, HKEY) {
       Key(reg, classes, "Hostile.Long\\shell\\open\\command", "", "\"C:\\a.exe\" " + std::string(65536, 'x'));
       Types(reg, classes, ".long", 500, "Hostile.Long");
     }},
    {"CurVer chain of 5,000 and a loop",
     [](IRegistry& reg, HKEY classes, HKEY) {
       for (int i = 0; i < 5000; ++i) Key(reg, classes, Numbered("Chain.", i) + "\\CurVer", "", Numbered("Chain.", i + 1));
       Key(reg, classes, "Loop.A\\CurVer", "", "Loop.B");
       Key(reg, classes, "Loop.B\\CurVer", "", "Loop.A");
       Types(reg, classes, ".chain", 1, "Chain.00000");
       Types(reg, classes, ".loop", 1, "Loop.A");
     }},
};

// Each hostile class root, scanned as a check scans (with its layers; the
// user classes empty but where the case fills them): best and median time,
// and the registry calls of one scan.
int RunHostile(IRegistry& reg, HKEY base, const char* label, int reps, const char* only) {
  int rc = 0;
  for (size_t c = 0; c < std::size(kHostile); ++c) {
    if (only && !std::strstr(kHostile[c].name, only)) continue;
    const std::string root = "Hostile" + std::to_string(c);
    HKEY classes = nullptr, user = nullptr, fileExts = nullptr;
    reg.RegCreateKeyExA(base, (root + "\\Classes").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr);
    reg.RegCreateKeyExA(base, (root + "\\User").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr);
    reg.RegCreateKeyExA(base, (root + "\\FileExts").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &fileExts,
                        nullptr);
    Plain(reg, classes);
    kHostile[c].fill(reg, classes, user);
    const ClassLayers layers{classes, user, fileExts};
    test::CountingRegistry counted(reg);
    const int entries = ScanCurrentEntries(counted, classes, &layers).entries->Count();
    // The guard reads the user classes' keys of the identifiers that are
    // paths after each scan: those are told apart too.
    size_t deep = 0;
    const Timing t = Measure([&] { deep = DeepIdentifiers({ScanCurrentEntries(reg, classes, &layers).entries.get()}).size(); },
                             reps);
    std::printf("%s, %s: %d entries, %zu identifiers that are paths, %ld calls (%ld listings)\n", label,
                kHostile[c].name, entries, deep, counted.calls, counted.listed);
    Report(std::string("  ") + kHostile[c].name, t);
    if (entries < kPlainTypes) rc = 1;
    reg.RegCloseKey(classes);
    reg.RegCloseKey(user);
    reg.RegCloseKey(fileExts);
  }
  return rc;
}

}  // namespace
}  // namespace hollin::bench

int main(int argc, char** argv) {
  using namespace hollin;
  const bool real = argc > 1 && std::strcmp(argv[1], "--real") == 0;
  const bool floorOnly = argc > 1 && std::strcmp(argv[1], "--floor-hkcr") == 0;
  const bool hostile = argc > 1 && std::strcmp(argv[1], "--hostile") == 0;
  const bool hostileReal = hostile && argc > 2 && std::strcmp(argv[2], "--real") == 0;
  const int onlyAt = hostileReal ? 3 : 2;
  const char* only = hostile && argc > onlyAt ? argv[onlyAt] : nullptr;
  if (hostile && !hostileReal) {
    RegistryStore store;
    return bench::RunHostile(store, HKEY_CLASSES_ROOT, "store", 5, only);
  }
  if (!real && !floorOnly && !hostile) {
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
  const int rc = hostile ? bench::RunHostile(reg, root, "real registry", 3, only) : bench::Run(reg, root, "real registry", 7);
  RegCloseKey(root);
  RegDeleteTreeA(HKEY_CURRENT_USER, path);
  return rc;
#else
  std::fprintf(stderr, "%s needs the Windows build\n", argv[1]);
  return 2;
#endif
}
