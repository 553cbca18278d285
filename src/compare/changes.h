// Change detection: which file types open with another program or command
// than the BASE records. It reads the registry and the base file only through
// the two collections the scan and the base load have filled, and returns
// what changed; whoever shows it words it.
#pragma once

#include <string>
#include <vector>

#include "registry/reg_entry.h"

namespace hollin {

// One changed type: the extension as spelled in the entry found changed,
// how it changed, and the name of what opens it now (OpenerOf; "" for a type
// that was removed).
struct ChangedItem {
  enum class Kind { Changed, New, Removed };
  std::string Ext;
  Kind kind = Kind::Changed;
  std::string Opener;
};

// Whether two entries of a type or protocol differ in what opens it: the
// merged class root's command; where both recorded it, the default verb
// (another verb than "open", or its command) and its handler; and, where
// both were read with their layers, the program identifier in force
// (without regard to case) and its command. A change in a layer that does
// not decide is no change of what opens the type.
bool OpensDifferently(const AssocEntry& a, const AssocEntry& b);

// The name shown for what opens an entry's type: a packaged app's name (or
// an unregistered identifier), else the default verb's handler where it has
// one ("{...} (handler)"), else the program of the command that runs.
std::string OpenerOf(const AssocEntry& entry);

// Whether an entry was read with its layers and any of them names a program.
bool HasLayers(const AssocEntry* entry);

// The changed types in the order they are found: first the CURRENT entries
// that open differently from BASE (Changed) or that BASE lacks (New), with
// the program that now opens them, then the BASE entries that CURRENT lacks
// (Removed).
// Commands compare exactly; extensions match without regard to letter case,
// so a type is never listed twice. linksKnown false: the base is of a format
// that recorded no protocols, and a protocol it lacks is not new.
std::vector<ChangedItem> FindChanges(const AssocEntries& current, const AssocEntries& base, bool linksKnown = true);

// What a later base changed of an earlier one (FindChanges of the two), by
// kind: the types it opens otherwise, those it added, those it dropped.
struct TypeChanges {
  std::vector<std::string> changed, added, removed;
};
TypeChanges ChangesBetween(const AssocEntries& later, const AssocEntries& earlier);

}  // namespace hollin
