// Restoring a type's BASE setting into the registry: the program identifier
// of the extension and the open command it names.
//
// Each of the two values is read first and written only when it differs
// from the BASE: a value that already equals it is left exactly as it is
// (its type and any bytes after a zero character included). A value that is
// written keeps the registry type it has (REG_EXPAND_SZ and REG_MULTI_SZ
// stay what they are); a command with an environment reference ("%SystemRoot%")
// is always written as REG_EXPAND_SZ, so that it still runs; a value that
// does not exist yet is written as REG_SZ. Text is written whole, zero
// characters inside included: a restore never shortens a value.
#pragma once

#include <string>
#include <string_view>
#include <vector>
#include <utility>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

// Whether a command holds an environment reference: "%", a letter or "_",
// then letters, digits, "_", "(" or ")", then "%".
bool HasEnvironmentReference(std::string_view command);

// A write the registry refused.
struct RestoreFailure {
  // Which value: the type's program identifier, an open command, the shell
  // key's choice of the default verb, the default verb's command, its
  // handler (DelegateExecute), or a protocol's URL Protocol mark; Unread:
  // nothing was written, the type's key (in layer) may not be read.
  enum class What { ProgramId, Command, Verb, VerbCommand, Handler, ProtocolMark, Unread };
  RestoreFailure() = default;
  RestoreFailure(std::string ext, What what, LONG status, AssocEntry::Layer layer = AssocEntry::Layer::Classes,
                 std::string key = std::string())
      : ext(std::move(ext)), what(what), status(status), layer(layer), key(std::move(key)) {}
  std::string ext;
  What what = What::Command;
  LONG status = 0;
  // The layer written: the machine's or the user's classes (Machine, User),
  // or Classes for the class root.
  AssocEntry::Layer layer = AssocEntry::Layer::Classes;
  // Unread: the key that may not be read, its path under layer ("" for the
  // type's own key).
  std::string key;
};

struct RestoreResult {
  bool wrote = false;  // at least one value was written
  std::vector<RestoreFailure> failed;
  // Types whose Explorer's choice differs from the base: never written
  // (Windows protects it with a hash it checks); the user confirms the
  // recorded program in Windows' own chooser.
  std::vector<std::string> choices;
};

// Where the layers are written: the machine and user classes under these
// roots' "Software\Classes".
struct LayerRoots {
  HKEY machine = HKEY_LOCAL_MACHINE;
  HKEY user = HKEY_CURRENT_USER;
};

// Restores the layers of a type whose base was recorded with them: the
// machine and user classes' program identifiers where they differ from the
// base (written in the type recorded; an identifier the base did not have
// is deleted, so that the layer below decides again), and Explorer's choice
// only noted in result.choices. A base without layers restores nothing here.
void RestoreLayers(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                   const LayerRoots& roots = {});

// Writes base's program identifier (for a base without layers; those of a
// base with layers go back in RestoreLayers) and its command under its open
// command key, where they differ from what the registry holds, each into
// the classes layer that holds the value now: the user classes where their
// key holds one, else the machine classes. Nothing is ever written through
// HKEY_CLASSES_ROOT: on Windows a write there lands in the user classes
// wherever their key exists, a per-user setting the base never had, which
// hides every later machine-wide change. A write the layer refuses is
// listed and not made good elsewhere. A base recorded with the values'
// types writes those. A type without a program identifier gets an empty
// one: the identifier another program wrote there must not stay.
void RestoreEntry(IRegistry& reg, const AssocEntry& base, RestoreResult& result, const LayerRoots& roots = {});

// A type whose key may not be read (AssocEntry::Unreadable) is never
// written: what is there is unknown. It is listed as failed (What::Unread,
// ERROR_ACCESS_DENIED, the layer that refused).
void NoteUnreadable(const AssocEntry& current, RestoreResult& result);

// Undoes a type the base has no record of (one that appeared since), as far
// as a restore may: the program identifier its machine classes, user
// classes give it is deleted (a record without layers: the layer that holds
// it), and so is an open command that
// stands under the extension itself, so that nothing opens the type any
// more, as when the base was recorded. The identifier's own registration is
// left alone (other types may use it), and Explorer's choice is only noted
// in result.choices. One whose key may not be read is left alone
// (NoteUnreadable). A protocol the base has no record of loses its URL
// Protocol mark and its key's open command in each classes layer, so that
// no link starts anything.
void RemoveNewType(IRegistry& reg, const AssocEntry& current, RestoreResult& result, const LayerRoots& roots = {});

// Restores a protocol's record: in each classes layer, the open command of
// the protocol's key as the base recorded it (deleted where the base had
// none, so that the layer below decides again), the URL Protocol mark where
// no layer holds it any more (written in the machine classes where the base
// had a command there, else in the user classes), and Explorer's choice
// only noted in result.choices.
void RestoreProtocol(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                     const LayerRoots& roots = {});

// Restores the default verb of base's identifier in force (the type's own
// key where it names none, the protocol's key where no choice names one),
// where base and current recorded their verbs: the shell key's default
// value in the layer that chose the verb (where none did, deleted in each
// layer that holds one, so that "open" or the first verb decides again, and
// where the machine classes chose it, deleted in the user classes too),
// written only where the verb differs; the verb's command where it is
// another than "open" (the open command is RestoreEntry's), in the layer
// that holds it, where it differs; and its DelegateExecute handler, deleted
// in each layer that holds one where the base had none, else written where
// it differs.
void RestoreVerb(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                 const LayerRoots& roots = {});

}  // namespace hollin
