#include "guard/guard.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <unordered_set>

#include "base/base_file_error.h"
#include "base/base_location.h"
#include "base/base_store.h"
#include "common/atomic_file.h"
#include "common/base_turn.h"
#include "common/file_system.h"
#include "common/names.h"
#include "common/text.h"
#include "compare/always_restore.h"
#include "compare/check.h"
#include "compare/changes.h"
#include "messages/messages.h"
#include "registry/scan_pack.h"
#include "registry/user_classes.h"

namespace hollin::guard {
namespace {

// What opens a type, and the choice Windows sets aside, as one text: a type
// is told again only when this changes. Nothing opening it is a state of its
// own, and so is a key that cannot be read.
std::string Signature(const AssocEntry* e) {
  if (!e) return "\x1e";
  if (e->Unreadable()) return "\x1e\x1e" + std::to_string(static_cast<int>(e->UnreadableAt()));
  return e->InForceProgID() + '\x1f' + e->OpenerCommand() + '\x1f' + e->ProgramFullPath() + '\x1f' + e->OpenerName() +
         '\x1f' + e->IgnoredChoice();
}

// A copy of an entry that holds nothing of its collection.
std::shared_ptr<const AssocEntry> Detached(const AssocEntry* e) {
  if (!e) return nullptr;
  auto copy = std::make_shared<AssocEntry>(*e);
  copy->Collection(nullptr);
  return copy;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

Guard::Guard(IRegistry& reg, IPlatform& platform, Associations& g, IGuardHost& host, Settler settler)
    : reg_(reg), platform_(platform), g_(g), host_(host), settler_(settler) {
  Seconds = [] {
    return static_cast<long long>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
  };
}

std::vector<std::string> Guard::BaseFolders() const {
  std::vector<std::string> folders{FolderOf(g_.BaseFile + g_.BaseExtension)};
  if (!g_.FormerBaseFile.empty() && FolderOf(g_.FormerBaseFile) != folders[0])
    folders.push_back(FolderOf(g_.FormerBaseFile));
  return folders;
}

std::string Guard::Stamp() const { return BaseFileStamp(g_); }

void Guard::Load() {
  BaseStore vsd;
  haveBase_ = false;
  stamp_ = Stamp();
  if (!LoadRecordedBase(g_, vsd)) {
    // First run: the base is recorded from what opens each type now.
    g_.CurrentEntries = Scan().entries;
    BaseStore first;
    LoadBase(g_, first);
    CheckRecord record{CheckRecord::Kind::FirstRun, {}, g_.CurrentEntries.get(), g_.BaseEntries.get(), {}};
    const size_t count = g_.CurrentEntries->Count();
    if (!baseSeen_) {
      record.notes.push_back(msg::kFirstRunInGuard + msg::NowTheBase(count));
    } else {
      Notice gone;
      gone.problem = msg::GuardBaseGone(BaseFileRead(g_), count);
      gone.seconds = Seconds();
      record.notes.push_back(gone.problem);
      Merge(shown_, gone);
      host_.Show(shown_);
    }
    host_.Record(record);
    g_.CurrentEntries = std::make_shared<AssocEntries>();
    stamp_ = Stamp();
  }
  haveBase_ = true;
  baseSeen_ = true;
  baseHeld_ = true;
  baseCount_ = g_.BaseEntries->Count();
  baseDeepIds_ = DeepIdentifiers({g_.BaseEntries.get()});
  problem_.clear();
  // What was told and is now the base is no change any more, nor anything
  // Keep may still take.
  std::erase_if(told_, [&](const auto& t) {
    const AssocEntry* b = g_.BaseEntries->Lookup(t.first);
    return b ? Signature(b) == t.second : t.second == Signature(nullptr);
  });
  Forget([&](const std::string& ext, const AssocEntry* now) {
    const AssocEntry* b = g_.BaseEntries->Lookup(ext);
    return b ? now && Signature(b) == Signature(now) : !now;
  });
}

bool Guard::Forget(const std::function<bool(const std::string&, const AssocEntry*)>& gone) {
  bool any = false;
  for (size_t i = shown_.types.size(); i-- > 0;)
    if (gone(shown_.types[i], shown_.now[i].get())) {
      shown_.types.erase(shown_.types.begin() + static_cast<std::ptrdiff_t>(i));
      shown_.now.erase(shown_.now.begin() + static_cast<std::ptrdiff_t>(i));
      any = true;
    }
  return any;
}

void Guard::Release() {
  g_.BaseEntries = std::make_shared<AssocEntries>();
  baseHeld_ = false;
}

std::shared_ptr<const AssocEntries> Guard::Recorded(const std::vector<std::string>& types) const {
  auto some = std::make_shared<AssocEntries>();
  if (!haveBase_ || types.empty()) return some;
  // A copy of the locations: the guard's own state stays as it is.
  Associations g = g_;
  BaseStore vsd;
  try {
    if (!LoadRecordedBase(g, vsd)) return some;
  } catch (const std::exception&) {
    return some;
  }
  for (const std::string& ext : types)
    if (const AssocEntry* e = g.BaseEntries->Lookup(ext)) some->Add(std::make_shared<AssocEntry>(*e), e->Ext());
  return some;
}

void Guard::Fail(const std::string& what, bool always) {
  // The record (event 1010) learns of a failure when it begins or its
  // reason changes: a base that stays unreadable fills no log, however
  // often the guard wakes.
  const bool fresh = always || what != problem_;
  problem_ = what;
  if (fresh) host_.Record({CheckRecord::Kind::Failure, {}, nullptr, nullptr, {what}});
  Notice notice;
  notice.problem = what;
  notice.seconds = Seconds();
  Merge(shown_, notice);
  host_.Show(shown_);
}

void Guard::Start(Millis now) {
  // Another copy writing the base or restoring: the first check comes once
  // it has finished (the writes signal).
  const BaseTurn turn(platform_, g_.BaseFile + g_.BaseExtension, 0);
  if (!turn.Held()) {
    settler_.Signal(now);
    UpdateTip();
    return;
  }
  try {
    Load();
  } catch (const std::exception& e) {
    Fail(msg::ErrorText(e));
  }
  if (haveBase_) Check(now);
  else UpdateTip();
}

void Guard::RegistryChanged(Millis now) { settler_.Signal(now); }

void Guard::UserClassesChanged(Millis now) { userSettler_.Signal(now); }

std::vector<std::string> Guard::DeepPaths() const {
  std::vector<std::string> paths = baseDeepIds_;
  std::unordered_set<std::string> taken;  // folded
  for (const std::string& id : paths) taken.insert(FoldCase(id));
  for (const std::string& id : deepIds_)
    if (taken.insert(FoldCase(id)).second) paths.push_back(id);
  return paths;
}

void Guard::ReadUserClasses() {
  userClasses_.reset();
  userClasses_ = ReadUserClassesState(reg_, DeepPaths());
}

void Guard::BaseFolderChanged(Millis) {
  if (!haveBase_ || Stamp() == stamp_) return;
  const size_t shown = shown_.types.size();
  try {
    Load();
  } catch (const std::exception& e) {
    Fail(msg::ErrorText(e));
  }
  if (shown_.types.size() != shown) host_.Show(shown_);
  Release();
  UpdateTip();
}

Millis Guard::WakeAt() const { return Paused() ? pausedUntil_ : std::min(settler_.DueAt(), userSettler_.DueAt()); }

void Guard::Wake(Millis now) {
  if (Paused() && now >= pausedUntil_) Resume(now);
  if (Paused()) return;
  if (settler_.Pending() && now >= settler_.DueAt()) return Check(now);
  if (!userSettler_.Pending() || now < userSettler_.DueAt()) return;
  userSettler_.Clear();
  // Read in full, never by their keys' times: a write to an identifier's
  // "shell\open\command" leaves the identifier's own time as it was.
  if (userClasses_ && haveBase_ && ReadUserClassesState(reg_, DeepPaths()) == *userClasses_) ++quietWakes_;
  else Check(now);
}

void Guard::CheckNow(Millis now) { Check(now); }

ScanResult Guard::Scan() {
  if (ScanElsewhere)
    if (const std::optional<std::string> answer = ScanElsewhere()) {
      ScanResult scan;
      if (UnpackScan(*answer, scan)) {
        ++scansElsewhere_;
        return scan;
      }
    }
  return ScanCurrent(reg_, platform_);
}

void Guard::Pause(Millis now, Millis length) {
  pausedUntil_ = now + length;
  UpdateTip();
}

void Guard::Resume(Millis) {
  pausedUntil_ = 0;
  UpdateTip();
}

void Guard::Check(Millis now) {
  // A check reads the base and the registry in the base's turn: while
  // another copy writes them (an accept, a restore half done), it waits for
  // the writes to settle once more, and never tells of or acts on a state
  // between two.
  const BaseTurn turn(platform_, g_.BaseFile + g_.BaseExtension, 0);
  if (!turn.Held()) {
    // Waited for anew: a storm's limit passed must not bring it back at once.
    ++postponed_;
    settler_.Clear();
    settler_.Signal(now);
    return;
  }
  settler_.Clear();
  userSettler_.Clear();
  ++checks_;
  const size_t shown = shown_.types.size();
  try {
    // The base is read again for each check but the first (a base that
    // could not be loaded is tried again, one that changed without a signal
    // reaching the guard is read as it is now).
    if (!haveBase_ || !baseHeld_ || Stamp() != stamp_) Load();
    // Before the scan: a write in between then makes the next wake-up's
    // read differ, and never hides behind it.
    ReadUserClasses();
    const CheckResult check = RunCheck(reg_, platform_, g_, {.scan = [this] { return Scan(); }});
    std::shared_ptr<AssocEntries> current = check.current;
    deepIds_ = DeepIdentifiers({current.get()});
    const AssocEntries& base = *g_.BaseEntries;
    std::vector<std::string> changed, fresh;
    std::vector<std::string> latent;
    for (const auto& item : check.changes)
      (item.kind == ChangedItem::Kind::Latent ? latent : changed).push_back(item.ext);
    // Latent changes: one line in the record when they are new, nothing more.
    std::vector<std::string> latentNotes;
    if (!latent.empty() && latent != latentTold_) latentNotes.push_back(msg::GuardLatent(latent));
    // A type whose key cannot be read: which key, in the record of the
    // check that lists it.
    std::vector<std::string> changeNotes = latentNotes;
    for (const auto& item : check.changes)
      if (const AssocEntry* c = item.kind == ChangedItem::Kind::Unreadable ? current->Lookup(item.ext) : nullptr)
        changeNotes.push_back(msg::UnreadableNote(c->Ext(), c->UnreadableAt(), c->UnreadablePath()));
    latentTold_ = latent;
    if (changed.empty() && !latentNotes.empty())
      host_.Record({CheckRecord::Kind::ChangesFound, {}, current.get(), &base, latentNotes});
    std::erase_if(told_, [&](const auto& t) { return !HoldsType(changed, t.first); });
    // A type put back meanwhile (a restore elsewhere) leaves the notice too:
    // Keep must not take into the base a takeover that was undone.
    Forget([&](const std::string& ext, const AssocEntry*) { return !HoldsType(changed, ext); });
    auto toldAs = [&](const std::string& ext) -> std::string* {
      for (auto& t : told_)
        if (EqualsNoCase(t.first, ext)) return &t.second;
      return nullptr;
    };
    for (const auto& ext : changed) {
      const std::string* was = toldAs(ext);
      if (!was || *was != Signature(current->Lookup(ext))) fresh.push_back(ext);
    }
    lastCheck_ = msg::GuardLastCheck(changed.size());
    // The changes go to the record when they are not those recorded last
    // (or a latent takeover is new): a change left unanswered fills no log,
    // however often the guard wakes.
    std::string changes;
    for (const auto& ext : changed)
      changes += FoldCase(ext) + '\x1d' + Signature(current->Lookup(ext)) + '\x1d' + Signature(base.Lookup(ext)) + '\x1c';
    if (!changed.empty() && (changes != logged_ || !latentNotes.empty()))
      host_.Record({CheckRecord::Kind::ChangesFound, changed, current.get(), &base, changeNotes});
    logged_ = std::move(changes);

    Notice notice;
    notice.seconds = Seconds();
    // The types the user wants restored without being asked.
    std::vector<std::string> restore;
    if (!fresh.empty()) {
      const std::vector<std::string> always = ReadAlwaysRestore(reg_);
      for (const auto& ext : fresh)
        if (HoldsType(always, ext) && base.Lookup(ext)) restore.push_back(ext);
    }
    if (!restore.empty()) {
      RequireRestorableBase(g_);
      const RestoreResult result = RestoreTypes(reg_, base, *current, restore);
      if (result.wrote) platform_.AssociationsChanged();
      // A check afterwards tells what took.
      ReadUserClasses();
      const CheckResult after = RunCheck(reg_, platform_, g_, {.latent = false, .scan = [this] { return Scan(); }});
      current = after.current;
      deepIds_ = DeepIdentifiers({current.get()});
      std::vector<std::string> still;
      for (const auto& item : after.changes) still.push_back(item.ext);
      for (const auto& ext : restore)
        (!HoldsType(still, ext) ? notice.restored : HoldsType(result.choices, ext) ? notice.choices : notice.refused)
            .push_back(ext);
      CheckRecord record{notice.refused.empty() && notice.choices.empty() ? CheckRecord::Kind::Restored
                                                                          : CheckRecord::Kind::RestoreRefused,
                         restore, current.get(), &base, {}};
      for (const auto& ext : notice.restored) record.notes.push_back(msg::RestoredTypeRecord(ext, nullptr, false));
      for (const auto& f : result.failed) record.notes.push_back(msg::RestoredTypeRecord(f.ext, &f, false));
      for (const auto& ext : notice.choices) record.notes.push_back(msg::RestoredTypeRecord(ext, nullptr, true));
      host_.Record(record);
      std::erase_if(fresh, [&](const std::string& ext) { return HoldsType(notice.restored, ext); });
    }
    for (const auto& ext : fresh) {
      const AssocEntry* now = current->Lookup(ext);
      notice.types.push_back(ext);
      notice.now.push_back(Detached(now));
      if (std::string* was = toldAs(ext)) *was = Signature(now);
      else told_.emplace_back(ext, Signature(now));
    }
    if (!notice.empty()) Merge(shown_, notice);
    if (!notice.empty() || shown_.types.size() != shown) host_.Show(shown_);
    problem_.clear();  // a check that ran through ends a failure
  } catch (const std::exception& e) {
    // What the user classes gave a check that did not end says nothing.
    userClasses_.reset();
    Fail(msg::ErrorText(e));
  }
  Release();
  UpdateTip();
}

void Guard::Keep() {
  const Notice kept = std::move(shown_);
  shown_ = Notice();
  host_.Show(shown_);
  if (kept.types.empty() || !haveBase_) return;
  try {
    // The kept types go into the base as it is now, in its turn: another
    // copy's accept is not undone, nor is a base it is writing read.
    const std::string file = g_.BaseFile + g_.BaseExtension;
    const BaseTurn turn(platform_, file);
    if (!turn.Held()) throw std::runtime_error(msg::BaseBusy(AbsolutePath(file), kBaseTurnWaitMs / 1000));
    if (!baseHeld_ || Stamp() != stamp_) Load();
    // The base with the kept types as they were told, the others as they
    // are recorded.
    auto merged = std::make_shared<AssocEntries>();
    auto keptEntry = [&](const std::string& ext, bool& found) -> std::shared_ptr<const AssocEntry> {
      for (size_t i = 0; i < kept.types.size(); ++i)
        if (EqualsNoCase(kept.types[i], ext)) {
          found = true;
          return kept.now[i];
        }
      found = false;
      return nullptr;
    };
    auto add = [&](const std::shared_ptr<const AssocEntry>& e) {
      merged->Add(std::make_shared<AssocEntry>(*e), e->Ext());
    };
    for (const auto& b : *g_.BaseEntries) {
      bool found = false;
      const auto k = keptEntry(b->Ext(), found);
      if (!found) add(b);
      else if (k) add(k);
    }
    for (size_t i = 0; i < kept.types.size(); ++i)
      if (kept.now[i] && !g_.BaseEntries->Lookup(kept.types[i])) add(kept.now[i]);
    // A type whose key could not be read keeps its record as it was.
    merged = RecordableEntries(merged, *g_.BaseEntries);
    BaseStore vsd;
    const std::string notKept = msg::BaseFileText(SaveEntriesAsBase(g_, vsd, merged));
    g_.BaseEntries = merged;
    baseCount_ = merged->Count();
    baseDeepIds_ = DeepIdentifiers({merged.get()});
    stamp_ = Stamp();
    CheckRecord record{CheckRecord::Kind::Accepted, kept.types, nullptr, merged.get(), {}};
    record.notes.push_back(msg::GuardKept(kept.types.size()));
    if (!notKept.empty()) record.notes.push_back(msg::NotKeptInHistory(notKept));
    host_.Record(record);
  } catch (const std::exception& e) {
    Fail(msg::ErrorText(e), true);  // the user's answer failed: recorded each time
  }
  Release();
  UpdateTip();
}

std::vector<std::string> Guard::Review() {
  std::vector<std::string> types = std::move(shown_.types);
  shown_ = Notice();
  host_.Show(shown_);
  return types;
}

void Guard::Dismiss() {
  shown_ = Notice();
  host_.Show(shown_);
}

std::string Guard::TipText() const {
  if (!problem_.empty()) return msg::GuardTipStopped();
  if (Paused()) return msg::GuardTipPaused();
  return msg::GuardTip(baseCount_, lastCheck_);
}

void Guard::UpdateTip() { host_.Tip(TipText()); }

}  // namespace hollin::guard
