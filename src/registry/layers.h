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
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "registry/reg_entry.h"
#include "registry/reg_key.h"
#include "registry/reg_value.h"
#include "registry/registry.h"

namespace hollin {

inline constexpr const char* kClassesPath = "Software\\Classes";  // under HKLM and HKCU
inline constexpr const char* kFileExtsPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
// Explorer's choices for links: UrlAssociations\<protocol>, laid out as
// FileExts\<ext> is.
inline constexpr const char* kUrlAssociationsPath = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations";
// The value that makes a classes key a URL protocol.
inline constexpr const char* kUrlProtocolValue = "URL Protocol";

// The layers' keys, opened for reading; nullptr where a layer cannot be
// opened (it then says nothing).
struct ClassLayers {
  HKEY machine = nullptr;
  HKEY user = nullptr;
  HKEY fileExts = nullptr;
  HKEY urlAssociations = nullptr;
};

// The running user's layers, opened for reading and closed at the end.
class OpenClassLayers {
 public:
  explicit OpenClassLayers(IRegistry& reg);
  const ClassLayers& layers() const { return layers_; }

 private:
  RegKey machine_, user_, fileExts_, urlAssociations_;
  ClassLayers layers_;
};

// The text an indirect string ("@{Package?ms-resource://...}") stands for,
// or "" where it cannot be resolved (SHLoadIndirectString on Windows).
using IndirectStringResolver = std::function<std::string(const std::string&)>;

// Explorer's choice for ext (or, under UrlAssociations, for a protocol), up
// to its first zero character; "" where it has none. Windows 11 keeps it in
// UserChoiceLatest: the value "ProgId" of its subkey ProgId, else its own
// value "ProgId"; the older UserChoice (value "ProgId") counts only where no
// UserChoiceLatest exists. at, where given, tells which of the three it was.
// A type without a choice costs two failed opens. path is room for the
// keys' paths, kept by a caller that asks for many types. refused, where
// given, is set where a key of the choice is there but may not be read (the
// choice is then unknown, and "" is returned).
std::string ReadExplorerChoice(IRegistry& reg, HKEY fileExts, std::string_view ext, std::string& path,
                               AssocEntry::ChoicePlace* at = nullptr, bool* refused = nullptr);

// The place of Explorer's choice as a base file names it: the key under the
// type's ("UserChoiceLatest\ProgId", "UserChoiceLatest", "UserChoice"), ""
// for None; and back (an unknown text is None).
std::string_view ChoicePlaceText(AssocEntry::ChoicePlace at);
AssocEntry::ChoicePlace ChoicePlaceOf(std::string_view text);

// The verb that runs: what the default verb of a key runs, read from up to
// three layers merged as Windows merges them (a value from the first layer
// that holds it; a verb exists where any layer holds its key; the verbs of
// all layers listed as one sorted list). The one rule, for types and links
// alike (docs/design/verbs.md):
//   1. the shell key's default value: a verb, or an ordered list separated
//      by commas, the first that exists deciding;
//   2. else "open" where it exists;
//   3. else the first verb the registry lists;
// a verb marked LegacyDisable or ProgrammaticAccessOnly is never the
// default and is passed over at each step. The verb runs where its command
// key holds a command or a DelegateExecute handler (VerbRuns); a key whose
// verb does not run is no entry.
struct VerbRead {
  bool shell = false;   // some layer holds the key's shell key
  std::string verb;     // "" where the key has no verb that may be the default
  std::string command;  // the verb's command key's default value
  std::string handler;  // its DelegateExecute value
  bool commandKey = false;  // some layer holds the verb's command key
  DWORD shellType = REG_NONE, commandType = REG_NONE;
  int chosenBy = -1;    // the layer whose shell key's default value named the verb; -1: none did
  // The open verb's command where it was read on the way (always where the
  // verb is "open", or where the shell key named none that exists);
  // openRead tells whether it was.
  bool openRead = false, openFound = false;
  std::string openCommand;
  DWORD openType = REG_NONE;
  // A key of the reading that is there but may not be read (a shell key, a
  // verb's key or its command key): the index of its layer and its path
  // under that layer; -1 where none refused. What runs is then unknown.
  int refusedIn = -1;
  std::string refusedPath;
  // What the reading cost: the verbs' keys it looked for and the names it
  // listed.
  size_t tried = 0;
};
// Reads the default verb of key (a path under each layer; "" for the layer
// itself) in layers[0..count), the first layer deciding first; null layers
// say nothing. A key whose shell key holds no default value and an open
// verb costs eleven registry calls in one layer, ten with ownLayers (the
// layers are keys of the classes themselves, not the merged root: a verb's
// key is asked first whether it holds any value).
void ReadVerb(IRegistry& reg, const HKEY* layers, size_t count, std::string_view key, VerbRead& out,
              bool ownLayers = false);
// ReadVerb's readings in one scan, kept where they cost more than a few
// calls (a long list in the shell key, verbs passed over, verbs listed), by
// the layers and the key read: a program identifier that any number of types
// name is read once for all of them, so that a check grows with the
// registry, never with how often one key is named in it. A reading that
// found its verb at once is read again: keeping it would save nothing. Safe
// to use from several threads.
class VerbReads {
 public:
  // As ReadVerb.
  void Read(IRegistry& reg, const HKEY* layers, size_t count, std::string_view key, VerbRead& out,
            bool ownLayers = false);

 private:
  struct Kept {
    std::string key;  // as the reading spelled it
    VerbRead read;
  };
  std::mutex lock_;
  std::unordered_map<std::string, Kept> kept_;  // by layers and folded key
};

// Whether the verb ReadVerb read runs something: a command or a handler.
bool VerbRuns(const VerbRead& verb);
// Sets entry's verb from what ReadVerb read in the layers user classes,
// machine classes and root, or in the root alone (rootOnly: a verb its
// shell key chose counts as the machine classes' until ReadLayers tells).
void SetVerb(const VerbRead& verb, AssocEntry& entry, bool rootOnly = false);

// Where a protocol is guarded: its name in the classes layers (each marked
// with a URL Protocol value, or holding its command only) and Explorer's
// choice for it. Fills entry's layers (Machine and User: their open
// commands), its verb and what opens it; the entry holds what the merged
// root gave (its open command and verb). choice is Explorer's, read by
// ReadExplorerChoice under UrlAssociations. inUserClasses tells whether the
// user classes hold a key of the protocol's name: where they hold none, the
// machine classes are what the root showed, and nothing is read again.
// A key read that may not be read marks the entry Unreadable, naming it.
// verbs, where given, keeps the costly readings of the verbs of the
// identifier Explorer chose, for the next protocol or type that names it.
void ReadProtocolLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                        std::string choice, bool inUserClasses, AssocEntry& entry, VerbReads* verbs = nullptr);

// Whether a classes key is marked as a URL protocol. refused, where given,
// is set where the key is there but may not be read.
bool IsMarkedProtocol(IRegistry& reg, HKEY layer, std::string_view name, bool* refused = nullptr);

// Fills entry's layers, its value types, and what opens it. The entry holds
// what the merged root gave (programID, the command, their types);
// rawProgramId is the merged default as read, before the scan fell back to
// the extension's own command. inUserClasses tells whether the user classes
// hold a key of the type (the scan lists them once rather than asking for
// every type): where they hold none, the machine classes are what the merged
// root showed (Windows merges nothing over them; on Wine they are the same
// key), so they are not read again. choice is Explorer's choice for the type,
// as ReadExplorerChoice read it. The verb of the identifier in force is
// read here where another layer than the merged root names it (the scan
// reads the root's own), and so is the layer whose shell key chose it.
// A layer of the type's key, or a key read for the identifier in force, that
// may not be read marks the entry Unreadable, naming that key.
// idInUserClasses: the user classes hold a key of the identifier's name (or
// of its path's first key), so its verb is read in every layer (the root may
// not show them); where they hold none, the root's shell key that chose the
// verb is the machine classes', and the user classes are not asked. A
// caller that cannot tell passes true. verbs, where given, keeps the costly
// readings of the identifier's verbs for the next type that names it.
void ReadLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                const std::string& rawProgramId, bool inUserClasses, std::string choice, AssocEntry& entry,
                bool idInUserClasses = true, VerbReads* verbs = nullptr);

// The name of a packaged app whose display name cannot be resolved: the
// package's name in its ApplicationName ("Microsoft.WindowsNotepad" of
// "@{Microsoft.WindowsNotepad_11.2402.22.0_x64__8wekyb3d8bbwe?ms-resource://...}"),
// or a plain name as it is; "" for an empty one.
std::string PackageNameOf(std::string_view applicationName);

}  // namespace hollin
