// The synthetic class root the benchmarks share: 20,000 subkeys, 5,000 of them
// file types with a program ID and an open command, 5,000 program IDs (one
// in 25 of them choosing another verb than "open" with a command of its
// own, one in 50 with a DelegateExecute handler beside its command), 300 URL
// protocols with their open commands and 9,700 other keys; Explorer's keys
// of a machine that has opened many kinds of files (FillFileExts); and the
// scan's "floor", a bare loop that makes exactly the registry calls of the
// scan that read the open command alone and builds nothing.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "registry/registry.h"

namespace hollin::bench {

constexpr int kExtensions = 5000;
constexpr int kProgramIds = 5000;
constexpr int kProtocols = 300;
constexpr int kOther = 20000 - kExtensions - kProgramIds - kProtocols;
constexpr int kVerbEvery = 25;     // program IDs whose shell key chooses "edit"
constexpr int kHandlerEvery = 50;  // program IDs with a DelegateExecute

// The open command of program ID i; variant 1 is the command of a type that
// another program has taken over.
inline std::string CommandOf(int i, int variant = 0) {
  char value[256];
  std::snprintf(value, sizeof value,
                "\"C:\\Program Files\\%s %d\\Application %d\\app%d.exe\" /open \"%%1\"",
                variant ? "Grabber" : "Vendor", i % 97, i, i);
  return value;
}

// The default value of root\path set to text, and read back as the A
// functions' callers did, through an open key.
inline void SetDefault(IRegistry& reg, HKEY root, const char* path, const char* text) {
  HKEY key = nullptr;
  if (reg.RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  reg.RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
  reg.RegCloseKey(key);
}

inline LONG QueryDefault(IRegistry& reg, HKEY root, const char* path, char* data, DWORD& count) {
  HKEY key = nullptr;
  LONG r = reg.RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key);
  if (r != ERROR_SUCCESS) return r;
  r = reg.RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &count);
  reg.RegCloseKey(key);
  return r;
}

inline void FillClassRoot(IRegistry& reg, HKEY root) {
  char path[128];
  char value[256];
  for (int i = 0; i < kExtensions; ++i) {
    std::snprintf(path, sizeof path, ".ext%05d", i);
    std::snprintf(value, sizeof value, "Prog.File.%05d", i);
    SetDefault(reg, root, path, value);
  }
  for (int i = 0; i < kProgramIds; ++i) {
    std::snprintf(path, sizeof path, "Prog.File.%05d\\shell\\open\\command", i);
    SetDefault(reg, root, path, CommandOf(i).c_str());
    if (i % kVerbEvery == 1) {
      std::snprintf(path, sizeof path, "Prog.File.%05d\\shell", i);
      SetDefault(reg, root, path, "edit");
      std::snprintf(path, sizeof path, "Prog.File.%05d\\shell\\edit\\command", i);
      SetDefault(reg, root, path, CommandOf(i + kProgramIds).c_str());
    }
    if (i % kHandlerEvery == 2) {
      std::snprintf(path, sizeof path, "Prog.File.%05d\\shell\\open\\command", i);
      HKEY command = nullptr;
      if (reg.RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &command) == ERROR_SUCCESS) {
        static const char kClsid[] = "{00000000-0000-0000-0000-00000000BE0C}";
        reg.RegSetValueExA(command, "DelegateExecute", 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsid),
                           sizeof kClsid);
        reg.RegCloseKey(command);
      }
    }
  }
  for (int i = 0; i < kProtocols; ++i) {
    std::snprintf(path, sizeof path, "bench-link%03d", i);
    SetDefault(reg, root, path, "URL:Bench Link");
    HKEY key = nullptr;
    if (reg.RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      reg.RegSetValueExA(key, "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
      reg.RegCloseKey(key);
    }
    std::snprintf(path, sizeof path, "bench-link%03d\\shell\\open\\command", i);
    SetDefault(reg, root, path, CommandOf(i).c_str());
  }
  for (int i = 0; i < kOther; ++i) {
    std::snprintf(path, sizeof path, "CLSID.{%08X-0000-0000-C000-000000000046}", i);
    SetDefault(reg, root, path, "Some Class");
  }
}

// Explorer's keys (FileExts) as a machine that has opened files of 20,000
// kinds has them: one key for every type of the class root and for 15,000
// types it does not know, each with its OpenWithList and OpenWithProgids;
// Explorer's choice for one type of the class root in ten (the program ID the
// root gives it, as the user picked what was there) and for one of the others
// in 150, a third of those in UserChoiceLatest\ProgId. 600 choices in all.
constexpr int kFileExtsOnly = 15000;
constexpr int kFileExts = kExtensions + kFileExtsOnly;
constexpr int kChoiceEvery = 10;         // of the class root's types
constexpr int kOnlyChoiceEvery = 150;  // of the types only Explorer names

inline void SetText(IRegistry& reg, HKEY base, const char* path, const char* name, const char* text, DWORD type = REG_SZ) {
  HKEY key = nullptr;
  if (reg.RegCreateKeyExA(base, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  reg.RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                     type == REG_NONE ? 0 : static_cast<DWORD>(std::strlen(text) + 1));
  reg.RegCloseKey(key);
}

inline void FillFileExts(IRegistry& reg, HKEY fileExts) {
  char ext[32], path[96], progId[32], app[32];
  for (int i = 0; i < kFileExts; ++i) {
    const bool inRoot = i < kExtensions;
    const int n = inRoot ? i : i - kExtensions;
    std::snprintf(ext, sizeof ext, inRoot ? ".ext%05d" : ".only%05d", n);
    std::snprintf(progId, sizeof progId, "Prog.File.%05d", i % kProgramIds);
    std::snprintf(app, sizeof app, "app%d.exe", i % 97);
    std::snprintf(path, sizeof path, "%s\\OpenWithList", ext);
    SetText(reg, fileExts, path, "a", app);
    SetText(reg, fileExts, path, "MRUList", "a");
    std::snprintf(path, sizeof path, "%s\\OpenWithProgids", ext);
    SetText(reg, fileExts, path, progId, "", REG_NONE);
    if (n % (inRoot ? kChoiceEvery : kOnlyChoiceEvery)) continue;
    const bool latest = !inRoot && n % (3 * kOnlyChoiceEvery) == 0;
    std::snprintf(path, sizeof path, "%s\\%s", ext, latest ? "UserChoiceLatest\\ProgId" : "UserChoice");
    SetText(reg, fileExts, path, "ProgId", progId);
  }
}

// The scan's own sequence of registry calls, with nothing built. Returns the
// bytes of the commands read.
inline size_t Floor(IRegistry& reg, HKEY root) {
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
    DWORD count = sizeof value;
    if (QueryDefault(reg, root, name, value, count) != ERROR_SUCCESS || count <= 1) continue;
    path.assign(value, static_cast<size_t>(count - 1));
    path += "\\shell\\open\\command";
    HKEY key = nullptr;
    if (reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      continue;
    reg.RegCloseKey(key);
    std::memset(value, ' ', sizeof value);
    count = sizeof value;
    if (QueryDefault(reg, root, path.c_str(), value, count) == ERROR_SUCCESS)
      bytes += static_cast<size_t>(count);
  }
  return bytes;
}

}  // namespace hollin::bench
