// Writes one of the two registries the floor benchmark runs on into the Wine
// prefix (Windows build), through the wide functions:
//
//   floor_setup classes      5,000 types, each naming a program identifier
//                            with an open command, and 10,000 other classes,
//                            in the machine classes
//   floor_setup everything   adds to that: 300 links, another default verb
//                            for 1,000 of the types' identifiers, 200 types
//                            in the user classes (100 of them over types of
//                            the machine classes), 20,000 keys under
//                            Explorer's FileExts (1,000 with a choice) and
//                            100 under UrlAssociations (20 with a choice)
//
// scripts/floor_bench.sh runs "classes", times the check on it, then runs
// "everything" and times it again.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kTypes = 5000;
constexpr int kOtherClasses = 10000;
constexpr int kLinks = 300;
constexpr int kOtherVerbEvery = 5;  // of the types' identifiers: 1,000
constexpr int kUserOver = 100;      // user classes' types over machine ones
constexpr int kUserOnly = 100;      // types only the user classes hold
constexpr int kFileExtsOnly = 15000;
constexpr int kChoiceEvery = 5;     // of the machine's types: 1,000 choices
constexpr int kUrlKeys = 100;
constexpr int kUrlChoiceEvery = 5;  // 20 choices

int g_failures = 0;

void Set(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    ++g_failures;
    return;
  }
  const DWORD size = type == REG_NONE ? 0 : static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  if (RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), size) != ERROR_SUCCESS)
    ++g_failures;
  RegCloseKey(key);
}

std::wstring Num(const wchar_t* format, int i) {
  wchar_t text[128];
  std::swprintf(text, 128, format, i);
  return text;
}

std::wstring Command(const wchar_t* vendor, int i) {
  wchar_t value[256];
  std::swprintf(value, 256, L"\"C:\\Program Files\\%ls %d\\Application %d\\app%d.exe\" /open \"%%1\"", vendor,
                i % 97, i, i);
  return value;
}

void Classes(HKEY machine) {
  for (int i = 0; i < kTypes; ++i) {
    Set(machine, Num(L".ext%05d", i), nullptr, Num(L"Prog.File.%05d", i));
    Set(machine, Num(L"Prog.File.%05d\\shell\\open\\command", i), nullptr, Command(L"Vendor", i));
  }
  for (int i = 0; i < kOtherClasses; ++i) Set(machine, Num(L"Bench.Class.%05d", i), nullptr, L"Some Class");
}

void Everything(HKEY machine, HKEY user) {
  for (int i = 0; i < kLinks; ++i) {
    const std::wstring link = Num(L"bench-link%03d", i);
    Set(machine, link, nullptr, L"URL:Bench Link");
    Set(machine, link, L"URL Protocol", L"");
    Set(machine, link + L"\\shell\\open\\command", nullptr, Command(L"Linker", i));
  }
  for (int i = 1; i < kTypes; i += kOtherVerbEvery) {
    const std::wstring shell = Num(L"Prog.File.%05d\\shell", i);
    Set(machine, shell, nullptr, L"edit");
    Set(machine, shell + L"\\edit\\command", nullptr, Command(L"Editor", i));
  }
  for (int i = 0; i < kUserOver; ++i) {
    Set(user, Num(L".ext%05d", i), nullptr, Num(L"User.File.%05d", i));
    Set(user, Num(L"User.File.%05d\\shell\\open\\command", i), nullptr, Command(L"Mine", i));
  }
  for (int i = 0; i < kUserOnly; ++i) {
    Set(user, Num(L".user%03d", i), nullptr, Num(L"User.Only.%03d", i));
    Set(user, Num(L"User.Only.%03d\\shell\\open\\command", i), nullptr, Command(L"Mine", i));
  }
  // Explorer's keys of a machine that has opened files of 20,000 kinds: the
  // choice a user made names what the classes name already.
  const std::wstring fileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  for (int i = 0; i < kTypes + kFileExtsOnly; ++i) {
    const bool known = i < kTypes;
    const int n = known ? i : i - kTypes;
    const std::wstring ext = fileExts + Num(known ? L".ext%05d" : L".only%05d", n);
    Set(HKEY_CURRENT_USER, ext + L"\\OpenWithList", L"a", Num(L"app%d.exe", i % 97));
    Set(HKEY_CURRENT_USER, ext + L"\\OpenWithProgids", Num(L"Prog.File.%05d", i % kTypes).c_str(), L"", REG_NONE);
    if (known && i % kChoiceEvery == 0 && i >= kUserOver)
      Set(HKEY_CURRENT_USER, ext + L"\\UserChoice", L"ProgId", Num(L"Prog.File.%05d", i));
  }
  const std::wstring urls = L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\";
  for (int i = 0; i < kUrlKeys; ++i) {
    const std::wstring link = urls + Num(L"bench-link%03d", i);
    if (i % kUrlChoiceEvery == 0) Set(HKEY_CURRENT_USER, link + L"\\UserChoice", L"ProgId", Num(L"bench-link%03d", i));
    else Set(HKEY_CURRENT_USER, link, L"Seen", L"1");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool classes = argc == 2 && std::strcmp(argv[1], "classes") == 0;
  const bool everything = argc == 2 && std::strcmp(argv[1], "everything") == 0;
  if (!classes && !everything) {
    std::fprintf(stderr, "usage: floor_setup classes|everything\n");
    return 2;
  }
  HKEY machine = nullptr, user = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine,
                      nullptr) != ERROR_SUCCESS ||
      RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user,
                      nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "floor_setup: cannot open the classes\n");
    return 1;
  }
  if (classes) Classes(machine);
  else Everything(machine, user);
  RegCloseKey(machine);
  RegCloseKey(user);
  if (g_failures) std::fprintf(stderr, "floor_setup: %d writes failed\n", g_failures);
  return g_failures ? 1 : 0;
}
