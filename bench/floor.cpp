// The floor of a check (Windows build): the fewest registry calls that read
// everything a check reads, made one after another on one thread through the
// wide functions, with nothing built and nothing kept.
//
//   floor.exe
//
// It lists the machine classes and the user classes; for each type reads its
// program identifier, the identifier's "shell" default and the command of
// that verb ("open" where the default names none); opens every other key once
// to see whether it holds "URL Protocol" and, for a link, reads its verb and
// command the same way; and for each key under Explorer's FileExts and
// UrlAssociations tries UserChoiceLatest\ProgId, then UserChoice, and reads
// "ProgId". It prints what it counted and exits 0 when it found a type.
// startup_bench --floor holds the program's check against this process.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

struct Counts {
  unsigned types = 0, commands = 0, others = 0, links = 0, choiceKeys = 0, choices = 0;
};

// The default value of key into value, with room left to append "\\shell";
// false where it has none.
bool Default(HKEY key, wchar_t (&value)[512]) {
  DWORD size = sizeof value - 8 * sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t))
    return false;
  value[size / sizeof(wchar_t)] = L'\0';
  return value[0] != L'\0';
}

// The verb a shell key (parent\shellPath) names, else "open", and that
// verb's command.
void VerbAndCommand(HKEY parent, const wchar_t* shellPath, Counts& n) {
  HKEY shell = nullptr;
  if (RegOpenKeyExW(parent, shellPath, 0, KEY_QUERY_VALUE, &shell) != ERROR_SUCCESS) return;
  wchar_t verb[512];
  if (!Default(shell, verb)) lstrcpyW(verb, L"open");
  for (wchar_t* c = verb; *c; ++c)
    if (*c == L',') *c = L'\0';
  wchar_t path[600];
  std::swprintf(path, 600, L"%ls\\command", verb);
  HKEY command = nullptr;
  if (RegOpenKeyExW(shell, path, 0, KEY_QUERY_VALUE, &command) == ERROR_SUCCESS) {
    wchar_t value[512];
    if (Default(command, value)) ++n.commands;
    RegCloseKey(command);
  }
  RegCloseKey(shell);
}

void ReadLayer(HKEY layer, Counts& n) {
  wchar_t name[256], value[512];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    const LONG r = RegEnumKeyExW(layer, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS) continue;
    HKEY key = nullptr;
    if (RegOpenKeyExW(layer, name, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) continue;
    if (name[0] == L'.') {
      ++n.types;
      const bool named = Default(key, value);
      RegCloseKey(key);
      if (!named) continue;
      lstrcatW(value, L"\\shell");
      VerbAndCommand(layer, value, n);
      continue;
    }
    ++n.others;
    if (RegQueryValueExW(key, L"URL Protocol", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      ++n.links;
      VerbAndCommand(key, L"shell", n);
    }
    RegCloseKey(key);
  }
}

void ReadChoices(HKEY explorer, Counts& n) {
  wchar_t name[256], path[300];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    const LONG r = RegEnumKeyExW(explorer, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS) continue;
    ++n.choiceKeys;
    HKEY choice = nullptr;
    std::swprintf(path, 300, L"%ls\\UserChoiceLatest\\ProgId", name);
    if (RegOpenKeyExW(explorer, path, 0, KEY_QUERY_VALUE, &choice) != ERROR_SUCCESS) {
      std::swprintf(path, 300, L"%ls\\UserChoice", name);
      if (RegOpenKeyExW(explorer, path, 0, KEY_QUERY_VALUE, &choice) != ERROR_SUCCESS) continue;
    }
    wchar_t value[512];
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(choice, L"ProgId", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
        ERROR_SUCCESS)
      ++n.choices;
    RegCloseKey(choice);
  }
}

}  // namespace

int main() {
  Counts n;
  const struct {
    HKEY root;
    const wchar_t* path;
    bool classes;
  } places[] = {
      {HKEY_LOCAL_MACHINE, L"Software\\Classes", true},
      {HKEY_CURRENT_USER, L"Software\\Classes", true},
      {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts", false},
      {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations", false},
  };
  for (const auto& place : places) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(place.root, place.path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    if (place.classes) ReadLayer(key, n);
    else ReadChoices(key, n);
    RegCloseKey(key);
  }
  std::printf("types %u, commands %u, other keys %u, links %u, Explorer's keys %u, choices %u\n", n.types,
              n.commands, n.others, n.links, n.choiceKeys, n.choices);
  return n.types ? 0 : 1;
}
