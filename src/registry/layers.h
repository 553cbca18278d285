// The layers that decide what opens a file type on Windows 8 and later.
//
// HKEY_CLASSES_ROOT is a merged view: the user classes
// (HKCU\Software\Classes) over the machine classes (HKLM\Software\Classes).
// Above both stands Explorer's choice, written when the user picks "Always
// use this app" (HKCU\...\Explorer\FileExts\<ext>, see ReadExplorerChoice).
// The program identifier in force is that of Explorer's choice, else the user
// classes', else the machine classes'; where none says anything, the merged
// view's. Its command is its "shell\open\command" in the user classes, else
// the machine classes, else the merged view; a packaged app has none, and is
// named by its "Application" key instead.
//
// Wine neither merges the user classes into HKEY_CLASSES_ROOT nor honours
// Explorer's choice, but keeps the keys: the layers are read directly, so
// the program sees the same on both.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

inline constexpr const char* kClassesPath = "Software\\Classes";  // under HKLM and HKCU
inline constexpr const char* kFileExtsPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// The layers' keys, opened for reading; nullptr where a layer cannot be
// opened (it then says nothing).
struct ClassLayers {
  HKEY machine = nullptr;
  HKEY user = nullptr;
  HKEY fileExts = nullptr;
};

// The running user's layers, opened for reading and closed at the end.
class OpenClassLayers {
 public:
  explicit OpenClassLayers(IRegistry& reg);
  ~OpenClassLayers();
  OpenClassLayers(const OpenClassLayers&) = delete;
  OpenClassLayers& operator=(const OpenClassLayers&) = delete;
  const ClassLayers& layers() const { return layers_; }

 private:
  IRegistry& reg_;
  ClassLayers layers_;
};

// The text an indirect string ("@{Package?ms-resource://...}") stands for,
// or "" where it cannot be resolved (SHLoadIndirectString on Windows).
using IndirectStringResolver = std::function<std::string(const std::string&)>;

// A value of base\path of any length, trimmed as the scan trims, with its
// registry type (REG_NONE and "" where the key or value is missing).
std::string ReadValue(IRegistry& reg, HKEY base, const std::string& path, const char* name,
                      DWORD& type);
// The same of an open key.
std::string ReadOpenValue(IRegistry& reg, HKEY key, const char* name, DWORD& type);

// Explorer's choice for ext, up to its first zero character; "" where it has
// none. Windows 11 keeps it in UserChoiceLatest: the value "ProgId" of its
// subkey ProgId, else its own value "ProgId"; the older UserChoice (value
// "ProgId") counts only where no UserChoiceLatest exists. A type without a
// choice costs two failed opens. path is room for the keys' paths, kept by a
// caller that asks for many types.
std::string ReadExplorerChoice(IRegistry& reg, HKEY fileExts, std::string_view ext, std::string& path);

// Fills entry's layers, its value types, and what opens it. The entry holds
// what the merged root gave (programID, the command, their types);
// rawProgramId is the merged default as read, before the scan fell back to
// the extension's own command. inUserClasses tells whether the user classes
// hold a key of the type (the scan lists them once rather than asking for
// every type): where they hold none, the machine classes are what the merged
// root showed (Windows merges nothing over them; on Wine they are the same
// key), so they are not read again. choice is Explorer's choice for the type,
// as ReadExplorerChoice read it.
void ReadLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                const std::string& rawProgramId, bool inUserClasses, std::string choice, AssocEntry& entry);

// The name of a packaged app whose display name cannot be resolved: the
// package's name in its ApplicationName ("Microsoft.WindowsNotepad" of
// "@{Microsoft.WindowsNotepad_11.2402.22.0_x64__8wekyb3d8bbwe?ms-resource://...}"),
// or a plain name as it is; "" for an empty one.
std::string PackageNameOf(std::string_view applicationName);

}  // namespace hollin
