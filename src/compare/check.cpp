#include "compare/check.h"

#include "common/text.h"

#include <map>
#include <mutex>

#include "base/base_file_error.h"
#include "base/base_store.h"

namespace hollin {

ScanResult ScanCurrent(IRegistry& reg, IPlatform& platform) {
  // The layers are read directly (Wine merges none of them into the class
  // root).
  OpenClassLayers layers(reg);
  std::map<std::string, std::string> names;
  std::mutex lock;  // the scan may resolve names on several threads
  return ScanCurrentEntries(
      reg, HKEY_CLASSES_ROOT, &layers.layers(),
      [&](const std::string& source) {
        const std::lock_guard<std::mutex> hold(lock);
        const auto [it, fresh] = names.try_emplace(source);
        if (fresh) it->second = platform.LoadIndirectString(source);
        return it->second;
      },
      [&](const std::string& ext) { return platform.AskProgIdInUse(ext, IsLinkName(ext)); });
}

bool LinksKnown(const Associations& g) { return g.BaseFormat == 0 || g.BaseFormat >= 3; }

CheckResult RunCheck(IRegistry& reg, IPlatform& platform, Associations& g, const CheckOptions& options) {
  CheckResult r;
  ScanResult scan = options.scan ? options.scan() : ScanCurrent(reg, platform);
  r.current = std::move(scan.entries);
  r.skipped = std::move(scan.skipped);
  if (BaseStore* file = options.load) {
    g.CurrentEntries = r.current;
    r.firstRun = LoadBase(g, *file, options.progress) == BaseLoad::RecordedNew;
    if (!r.firstRun && options.recordLinks) r.linksRecorded = RecordLinks(g, *file);
  }
  r.base = g.BaseEntries;
  // A protocol the base records whose key may not be read now.
  for (const UnreadableName& u : scan.unreadableNames) {
    const AssocEntry* b = r.base->Lookup(u.name);
    if (!b || !b->IsProtocol() || r.current->Lookup(u.name)) continue;
    auto e = std::make_shared<AssocEntry>();
    e->Ext(b->Ext());
    e->Unreadable(u.at);
    r.current->Add(std::move(e), b->Ext());
  }
  r.changes = FindChanges(*r.current, *r.base, LinksKnown(g), options.latent);
  return r;
}

RestoreResult RestoreTypes(IRegistry& reg, const AssocEntries& base, const AssocEntries& current,
                           const std::vector<std::string>& exts) {
  RestoreResult result;
  for (const auto& ext : exts) {
    const AssocEntry* b = base.Lookup(ext);
    if (!b) continue;  // a type the base does not know: nothing to restore
    const AssocEntry* c = current.Lookup(ext);
    if (c && c->Unreadable()) {
      NoteUnreadable(*c, result);
      continue;
    }
    if (b->IsProtocol()) {
      RestoreProtocol(reg, *b, c, result);
    } else {
      RestoreLayers(reg, *b, c, result);
      RestoreEntry(reg, *b, result);
    }
    RestoreVerb(reg, *b, c, result);
  }
  return result;
}

std::shared_ptr<AssocEntries> BaseWithLinks(const AssocEntries& base, const AssocEntries& current) {
  auto out = std::make_shared<AssocEntries>();
  out->Reserve(static_cast<size_t>(base.Count() + current.Count()));
  for (const auto& b : base) {
    const AssocEntry* c = current.Lookup(b->Ext());
    if (c && c->VerbsRead() && !b->VerbsRead() && !OpensDifferently(*b, *c)) {
      auto e = std::make_shared<AssocEntry>(*b);
      e->VerbsRead(true);
      e->Verb(c->Verb());
      e->VerbCommand(c->VerbCommand());
      e->Handler(c->Handler());
      e->VerbAt(c->VerbAt());
      // Nor did it record a choice Windows sets aside: the one now is taken.
      e->IgnoredRead(c->IgnoredRead());
      e->IgnoredChoice(c->IgnoredChoice());
      e->ValueType(AssocEntry::kShellType, c->ValueType(AssocEntry::kShellType));
      e->ValueType(AssocEntry::kVerbCommandType, c->ValueType(AssocEntry::kVerbCommandType));
      if (b->Layered() && EqualsNoCase(b->ChoiceProgID(), c->ChoiceProgID())) e->ChoiceAt(c->ChoiceAt());
      out->Add(std::move(e), b->Ext());
    } else {
      out->Add(b, b->Ext());
    }
  }
  for (const auto& c : current)
    if (c->IsProtocol() && !c->Unreadable() && !out->Lookup(c->Ext())) out->Add(c, c->Ext());
  return out;
}

std::shared_ptr<AssocEntries> WithLinksKept(const std::shared_ptr<AssocEntries>& records, const AssocEntries& current) {
  for (const auto& r : *records)
    if (r->IsProtocol() || r->VerbsRead()) return records;
  return BaseWithLinks(*records, current);
}

bool RecordLinks(Associations& g, BaseStore& vsd) {
  if (LinksKnown(g)) return false;
  // A base that names keys not its own is damaged: it is never written, and
  // what acts on it refuses it.
  for (const auto& b : *g.BaseEntries)
    if (!NamesOnlyItsOwnKeys(*b)) return false;
  auto upgraded = BaseWithLinks(*g.BaseEntries, *g.CurrentEntries);
  try {
    SaveEntriesAsBase(g, vsd, upgraded);
  } catch (const BaseFileError&) {
    return false;  // compared against the base as it is
  }
  g.BaseEntries = std::move(upgraded);
  return true;
}

}  // namespace hollin
