#include "compare/changes.h"

#include <unordered_set>

#include "common/text.h"
#include "compare/exe_name.h"

namespace hollin {
namespace {

// True when entry's counterpart in other is missing or differs in what
// opens the type. Any error while looking up or comparing counts as a change.
// A protocol that a base of an earlier format (linksKnown false) lacks is
// none: that base never recorded any.
bool Changed(const AssocEntry& entry, const AssocEntries& other, bool linksKnown) {
  try {
    const AssocEntry* counterpart = other.Lookup(entry.Ext());
    if (!counterpart) return linksKnown || !entry.IsProtocol();
    return OpensDifferently(*counterpart, entry);
  } catch (...) {
    return true;
  }
}

// Whether two entries run another verb: "open" and no verb at all count as
// one (neither names another).
bool VerbsDiffer(const AssocEntry& a, const AssocEntry& b) {
  if (!a.VerbIsNotOpen() && !b.VerbIsNotOpen()) return false;
  return !EqualsNoCase(a.Verb(), b.Verb()) || a.VerbCommand() != b.VerbCommand();
}

// rootCounts false: the merged class root's command is left out, as where
// Explorer's choice decides and the root is only a layer under it.
bool DifferInWhatOpens(const AssocEntry& a, const AssocEntry& b, bool rootCounts) {
  if (rootCounts && a.ProgramFullPath() != b.ProgramFullPath()) return true;
  // The verb and what it runs, where both sides recorded them (a base
  // written before they were has none).
  if (a.VerbsRead() && b.VerbsRead() && (VerbsDiffer(a, b) || !EqualsNoCase(a.Handler(), b.Handler())))
    return true;
  // A record without layers (of a base written before they were recorded)
  // is compared by the merged command alone, as it always was.
  if (!a.Layered() || !b.Layered()) return false;
  return !EqualsNoCase(a.InForceProgID(), b.InForceProgID()) || a.OpenerCommand() != b.OpenerCommand() ||
         (!rootCounts && a.OpenerName() != b.OpenerName());
}

bool Differ(const AssocEntry& a, const AssocEntry& b, bool rootCounts) {
  return DifferInWhatOpens(a, b, rootCounts) || SetAsideDiffers(a, b);
}

}  // namespace

bool SetAsideDiffers(const AssocEntry& a, const AssocEntry& b) {
  return a.IgnoredRead() && b.IgnoredRead() && !EqualsNoCase(a.IgnoredChoice(), b.IgnoredChoice());
}

bool OnlySetAsideDiffers(const AssocEntry& now, const AssocEntry& before) {
  return SetAsideDiffers(now, before) && !DifferInWhatOpens(now, before, true);
}

bool OpensDifferently(const AssocEntry& a, const AssocEntry& b) { return Differ(a, b, true); }

std::string OpenerOf(const AssocEntry& e) {
  if (!e.OpenerName().empty()) return e.OpenerName();
  // A handler runs instead of the command.
  if (e.VerbsRead() && !e.Handler().empty()) return e.Handler() + " (handler)";
  return ProgramNameFromCommand(e.RunCommand());
}

bool HasLayers(const AssocEntry* e) {
  return e && e->Layered() && !(e->ChoiceProgID().empty() && e->UserProgID().empty() && e->MachineProgID().empty());
}

AssocEntry::Layer LatentLayer(const AssocEntry& now, const AssocEntry& before) {
  using Layer = AssocEntry::Layer;
  if (!now.Layered() || !before.Layered() || now.Decider() != before.Decider()) return Layer::Classes;
  if (now.Decider() != Layer::Choice && OpensDifferently(now, before)) return Layer::Classes;
  // A protocol's classes layers hold commands, compared exactly; a type's
  // hold program identifiers, which Windows looks up without regard to case.
  const auto differs = [&](const std::string& a, const std::string& b) {
    return now.IsProtocol() ? a != b : !EqualsNoCase(a, b);
  };
  const Layer decider = now.Decider();
  // Under Explorer's choice the merged class root is one of the layers that
  // do not decide: what it runs changes with theirs.
  if (decider == Layer::Choice && Differ(now, before, false)) return Layer::Classes;
  if (decider == Layer::Choice && differs(now.UserProgID(), before.UserProgID())) return Layer::User;
  if ((decider == Layer::Choice || decider == Layer::User) && differs(now.MachineProgID(), before.MachineProgID()))
    return Layer::Machine;
  // The same identifiers, but the merged class root runs another command:
  // the command of the identifier the classes name changed in the layer
  // the root reads it from, which takes over should the choice go.
  if (decider == Layer::Choice && now.ProgramFullPath() != before.ProgramFullPath())
    return now.UserProgID().empty() ? Layer::Machine : Layer::User;
  return Layer::Classes;
}

std::vector<ChangedItem> FindChanges(const AssocEntries& current, const AssocEntries& base, bool linksKnown,
                                     bool withLatent) {
  using Kind = ChangedItem::Kind;
  std::vector<ChangedItem> changed;
  std::unordered_set<std::string> listed;
  for (const auto& c : current) {
    if (c->Unreadable()) {
      changed.push_back({c->Ext(), Kind::Unreadable, std::string()});
      listed.insert(FoldCase(c->Ext()));
      continue;
    }
    const bool opensDifferently = Changed(*c, base, linksKnown);
    const AssocEntry* b = withLatent ? base.Lookup(c->Ext()) : nullptr;
    if (const AssocEntry::Layer layer = b ? LatentLayer(*c, *b) : AssocEntry::Layer::Classes;
        layer != AssocEntry::Layer::Classes) {
      changed.push_back({c->Ext(), Kind::Latent, OpenerOf(*c), layer});
      listed.insert(FoldCase(c->Ext()));
      continue;
    }
    if (!opensDifferently) continue;
    changed.push_back({c->Ext(), base.Lookup(c->Ext()) ? Kind::Changed : Kind::New, OpenerOf(*c)});
    listed.insert(FoldCase(c->Ext()));
  }
  for (const auto& b : base) {
    if (!Changed(*b, current, true)) continue;
    if (listed.insert(FoldCase(b->Ext())).second) changed.push_back({b->Ext(), Kind::Removed, std::string()});
  }
  return changed;
}

TypeChanges ChangesBetween(const AssocEntries& later, const AssocEntries& earlier) {
  TypeChanges out;
  for (ChangedItem& item : FindChanges(later, earlier))
    (item.kind == ChangedItem::Kind::New       ? out.added
     : item.kind == ChangedItem::Kind::Removed ? out.removed
                                               : out.changed)
        .push_back(std::move(item.ext));
  return out;
}

}  // namespace hollin
