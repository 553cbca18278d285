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
// that was removed). Latent: what opens it is the same, but a layer that
// does not decide today changed (latent, the layer that would take over,
// should the layers above it go: Windows resets an Explorer's choice whose
// hash fails, and a user's class key may be removed).
// Unreadable: the type's key is there but may not be read (whether or not
// the base knows it): what opens it is unknown, so it is neither changed
// nor removed.
struct ChangedItem {
  enum class Kind { Changed, New, Removed, Latent, Unreadable };
  std::string ext;
  Kind kind = Kind::Changed;
  std::string opener;
  AssocEntry::Layer latent = AssocEntry::Layer::Classes;
};

// Whether two entries of a type or protocol differ in what opens it: the
// merged class root's command; where both recorded it, the default verb
// (another verb than "open", or its command) and its handler; and, where
// both were read with their layers, the program identifier in force
// (without regard to case) and its command. A change in a layer that does
// not decide is no change of what opens the type. An Explorer's choice that
// Windows sets aside decides nothing either, but where it differs
// (SetAsideDiffers) the records differ all the same: a choice written that
// Windows does not honour is a takeover tried, and one it stops honouring
// the sign of one undone.
bool OpensDifferently(const AssocEntry& a, const AssocEntry& b);

// Whether the Explorer's choices that Windows does not honour differ (one
// set aside on one side only, or another one; without regard to case),
// where both records could hold one (IgnoredRead).
bool SetAsideDiffers(const AssocEntry& a, const AssocEntry& b);
// Whether that is all that differs: what opens the type is the same.
bool OnlySetAsideDiffers(const AssocEntry& now, const AssocEntry& before);

// The name shown for what opens an entry's type: a packaged app's name (or
// an unregistered identifier), else the default verb's handler where it has
// one ("{...} (handler)"), else the program of the command that runs.
std::string OpenerOf(const AssocEntry& entry);

// Whether an entry was read with its layers and any of them names a program.
bool HasLayers(const AssocEntry* entry);

// The highest layer under the one that decides now that differs between
// two records of a type read with their layers, where both are decided by
// the same layer: Explorer's choice over the user and machine classes, the
// user classes over the machine classes (of a type: the program identifier
// each names; of a protocol: the command each holds). Under Explorer's
// choice the merged class root's command is such a layer too: a change that
// reaches only it and the classes below the choice is latent, not a change
// of what opens the type (told as the user classes' where they name the
// type's identifier, else the machine classes'). Classes where no such
// layer differs, the records open differently anyway, or either lacks
// layers.
AssocEntry::Layer LatentLayer(const AssocEntry& now, const AssocEntry& before);

// The changed types in the order they are found: first the CURRENT entries
// that open differently from BASE (Changed) or that BASE lacks (New), with
// the program that now opens them, then the BASE entries that CURRENT lacks
// (Removed).
// Commands compare exactly; extensions match without regard to letter case,
// so a type is never listed twice. linksKnown false: the base is of a format
// that recorded no protocols, and a protocol it lacks is not new.
// A CURRENT entry whose key may not be read is listed as Unreadable, and
// never as Removed.
// withLatent: the types changed only in a layer that does not decide
// (LatentLayer) are listed in their place among the CURRENT entries as
// Latent; without, the result is as it always was.
std::vector<ChangedItem> FindChanges(const AssocEntries& current, const AssocEntries& base, bool linksKnown = true,
                                     bool withLatent = false);

// What a later base changed of an earlier one (FindChanges of the two), by
// kind: the types it opens otherwise, those it added, those it dropped.
struct TypeChanges {
  std::vector<std::string> changed, added, removed;
};
TypeChanges ChangesBetween(const AssocEntries& later, const AssocEntries& earlier);

}  // namespace hollin
