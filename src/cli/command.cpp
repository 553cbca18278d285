#include "cli/command.h"

#include <algorithm>
#include <optional>

#include "base/base_location.h"
#include "base/base_store.h"
#include "base/generations.h"
#include "assoc_xml/default_associations.h"
#include "cli/output_guard.h"
#include "records/report.h"
#include "assoc_xml/xml_codec.h"
#include "common/atomic_file.h"
#include "common/base_turn.h"
#include "common/file_system.h"
#include "common/names.h"
#include "common/text.h"
#include "compare/changed_when.h"
#include "compare/check.h"
#include "compare/default_apps.h"
#include "messages/messages.h"
#include "compare/changes.h"

namespace hollin::cli {
namespace {

class Run {
 public:
  Run(const Options& o, RunEnvironment& env) : o_(o), env_(env) {
    report_.program = kAppTitle;
    report_.version = HOLLIN_VERSION_TEXT;
    report_.machine = env.machine;
    report_.user = env.user;
    report_.time = IsoUtc(env.now);
    if (const AccountCheck account = CheckAccount(env.account); account.other())
      report_.notes.push_back(msg::OtherAccount(account));
    const std::string ext(kBaseFileExtension);
    // The program's own base is guarded from every output in both places it
    // can live (LocateBase picks one of them), also while the run reads
    // another.
    guarded_.push_back({JoinPath(env.programFolder, kBaseFileName) + ext, true, msg::kTheBaseFile});
    if (const std::string local = env.platform.LocalAppDataFolder(); !local.empty())
      guarded_.push_back({JoinPath(UserBaseFolder(local), kBaseFileName) + ext, true, msg::kTheBaseFile});
    if (o.basePath.empty()) {
      const BaseLocation where = LocateBase(env.platform, env.programFolder);
      g_.BaseFile = where.file;
      g_.FormerBaseFile = where.readFirst;
      report_.baseFile = BaseFileRead(g_);
      return;
    }
    std::string base = ResolvePath(env.currentFolder, o.basePath);
    if (IsXmlFile(base)) {
      guarded_.push_back({base, false, msg::kTheAssociationsFile});
      return;
    }
    // The file as named. A name without an extension that names nothing,
    // while the same name with ".isd" does, is that file, as earlier
    // versions read it.
    const std::string leaf = FileNameOf(base);
    if (leaf.find('.') == std::string::npos && !NameTaken(base) && NameTaken(base + ext)) base += ext;
    const size_t dot = FileNameOf(base).rfind('.');
    const size_t stem = dot == std::string::npos ? base.size() : base.size() - FileNameOf(base).size() + dot;
    g_.BaseFile = base.substr(0, stem);
    g_.BaseExtension = base.substr(stem);
    report_.baseFile = base;
    guarded_.push_back({base, true, msg::kTheBaseFile});
  }

  int Go() {
    if (const int refused = RefuseOutputOnInput()) return refused;
    // A check, an accept and a restore read and write the base and the
    // registry in the base's turn, from the scan to the last write: one that
    // another copy holds is waited for, a bounded time.
    const bool writes = o_.action == Action::Accept || o_.action == Action::Restore ||
                        (o_.action == Action::Check && !o_.health && !IsXmlFile(o_.basePath));
    std::optional<BaseTurn> turn;
    if (writes) {
      const std::string base = AbsolutePath(g_.BaseFile + g_.BaseExtension);
      const unsigned seconds = kBaseTurnWaitMs / 1000;
      turn.emplace(env_.platform, base, kBaseTurnWaitMs,
                   [&] { env_.console.Err(ShownText(msg::WaitingForBase(base, seconds)) + "\n"); });
      if (!turn->Held()) return Fail(msg::BaseBusy(base, seconds));
    }
    try {
      switch (o_.action) {
        case Action::Check: return Check();
        case Action::Accept: return Accept();
        case Action::Restore: return Restore();
        case Action::History: return History();
        case Action::ExportDefaults: return Export();
        default: return Fail(msg::kNothingToDo);
      }
    } catch (const BaseFileError& e) {
      const bool damaged = e.problem() == BaseFileProblem::Damaged || e.problem() == BaseFileProblem::NewerFormat;
      const std::string what = ShownText(damaged ? msg::LeftAsItWas(msg::BaseFileText(e)) : msg::BaseFileText(e));
      env_.console.Err(what + "\n");
      Log(EventKind::Failure, what);
      return damaged ? kBaseDamaged : kFailure;
    } catch (const AssociationsFileError& e) {
      return Fail(msg::NothingWritten(msg::AssociationsFileText(e)));
    } catch (const std::exception& e) {
      return Fail(msg::ErrorText(e));
    }
  }

 private:
  // A report or an export that would land on a file the run reads or keeps
  // (or on each other) is refused before anything is read or written.
  int RefuseOutputOnInput() {
    struct Output {
      const std::string& name;
      const char* what;
    };
    std::vector<GuardedFile> guarded = guarded_;
    for (const Output& out : {Output{o_.exportPath, msg::kExportFile}, Output{o_.reportPath, msg::kReportFile}}) {
      if (out.name.empty()) continue;
      const std::string path = ResolvePath(env_.currentFolder, out.name);
      std::string why = UnfitOutput(path);
      std::string history;
      if (const GuardedFile* hit = Clobbers(path, guarded, &history); why.empty() && hit)
        why = history.empty() ? msg::WouldReplace(hit->what, hit->path) : msg::WouldLandInHistory(hit->what, history);
      if (!why.empty()) {
        env_.console.Err(ShownText(msg::OutputRefused(out.what, path, why)) + "\n");
        return kUsage;
      }
      guarded.push_back({path, false, msg::The(out.what)});
    }
    return 0;
  }

  // The exit code of an action that was done: its own, also where its
  // report file could not be written; standard error then says both.
  int Done(int code, const std::string& done) {
    if (!reportError_.empty())
      env_.console.Err(msg::ReportNotWritten(done, ShownText(reportError_)) + "\n");
    return code;
  }

  int Fail(const std::string& message) {
    const std::string what = ShownText(message);
    env_.console.Err(msg::ProgramSays(what) + "\n");
    Log(EventKind::Failure, what);
    return kFailure;
  }

  void Log(EventKind kind, const std::string& text) {
    if (env_.events) env_.events->Write(kind, text);
  }
  // The report's text, for an event.
  void LogReport(EventKind kind) { Log(kind, FormatReport(report_, Format::Text)); }

  void Scan() { g_.CurrentEntries = ScanCurrent(env_.reg, env_.platform).entries; }

  // The check: the scan, the base and the changed types (also those
  // changed only in a layer that does not decide now); false after a first
  // run, which recorded the base. The program's own base of an earlier
  // format gets the links (and verbs) recorded silently, and the report says
  // so; a base named with --base is compared as it is.
  bool ScanAndCompare(std::vector<std::string>& types) {
    const CheckResult check = RunCheck(env_.reg, env_.platform, g_, {.load = &vsd_, .recordLinks = o_.basePath.empty()});
    if (check.linksRecorded) {
      int links = 0;
      for (const auto& b : *g_.BaseEntries) links += b->IsProtocol() ? 1 : 0;
      report_.notes.push_back(msg::LinksNowGuardedNote(links));
    }
    std::int64_t t = 0;
    if (LastWriteSeconds(report_.baseFile, t)) {
      report_.baseTime = IsoUtc(t);
      report_.baseAgeSeconds = std::max<long long>(0, env_.now - t);
    }
    types = TypesOf(check.changes);
    return !check.firstRun;
  }

  static std::vector<std::string> TypesOf(const std::vector<ChangedItem>& changes) {
    std::vector<std::string> types;
    for (const auto& item : changes) types.push_back(item.ext);
    return types;
  }

  // The changed types against the base as it is held now, latent ones too.
  std::vector<std::string> ChangedTypes() const {
    return TypesOf(FindChanges(*g_.CurrentEntries, *g_.BaseEntries, LinksKnown(g_), true));
  }

  // The items whose change is latent are marked so; returns how many.
  size_t MarkLatent() {
    size_t latent = 0;
    for (ReportItem& item : report_.items) {
      const AssocEntry* c = g_.CurrentEntries->Lookup(item.type);
      const AssocEntry* b = g_.BaseEntries->Lookup(item.type);
      if (!c || !b || LatentLayer(*c, *b) == AssocEntry::Layer::Classes) continue;
      item.change = "latent";
      ++latent;
    }
    return latent;
  }

  // Each item whose key cannot be read gets a note saying which key, and
  // (accepted) that the base kept its record.
  void NoteUnreadable(bool accepted) {
    for (const ReportItem& item : report_.items)
      if (const AssocEntry* c = g_.CurrentEntries->Lookup(item.type); c && c->Unreadable())
        report_.notes.push_back(msg::UnreadableNote(c->Ext(), c->UnreadableAt(), c->UnreadablePath(), accepted));
  }

  // A name given to --restore: a type as given (a leading dot added where it
  // lacks one, as earlier versions took "txt"), or a protocol where the base
  // or the registry knows one of that name ("http").
  std::string Target(const std::string& name) const {
    if (!IsLinkName(name)) return name;
    if (IsProtocolName(name)) {
      const AssocEntry* known = g_.BaseEntries->Lookup(name);
      if (!known) known = g_.CurrentEntries->Lookup(name);
      if (known && known->IsProtocol()) return name;
    }
    return "." + name;
  }

  // Prints or writes the report; a report file is replaced atomically. When
  // the file cannot be written, reportError_ says why.
  void Emit() {
    const std::string text = FormatReport(report_, o_.format);
    if (o_.reportPath.empty()) {
      // A report that a full disk or a closed pipe cut short is no report.
      reportError_ = env_.console.Out(text);
      return;
    }
    try {
      ReplaceFileAtomically(ResolvePath(env_.currentFolder, o_.reportPath), text);
    } catch (const FileError& e) {
      reportError_ = msg::FileErrorText(e);
    }
  }

  int FirstRun() {
    report_.outcome = "first run";  // verbatim
    report_.notes.push_back(msg::FirstRunNote(g_.CurrentEntries->Count()));
    // A base named that did not exist: a script's first run, or a name
    // mistyped; the file made is named in full either way.
    if (!o_.basePath.empty()) report_.notes.push_back(msg::NewBaseFileNote(AbsolutePath(report_.baseFile)));
    Emit();
    LogReport(EventKind::FirstRun);
    return Done(kFirstRun, msg::kRecordedAsBase);
  }

  // The risk signals of the current side of each item (the changed types
  // only, so a check without changes asks nothing of the files).
  void AssessItems() {
    // When the key that changed was last written.
    for (ReportItem& item : report_.items) {
      std::int64_t written = 0;
      const ChangedKey key = ChangedKeyOf(env_.reg, g_.CurrentEntries->Lookup(item.type), g_.BaseEntries->Lookup(item.type));
      if (KeyLastWritten(env_.reg, key, written)) item.changed = IsoUtc(written);
    }
    if (!env_.facts) return;
    Assessor assessor(env_.reg, *env_.facts);
    for (ReportItem& item : report_.items)
      if (const AssocEntry* c = g_.CurrentEntries->Lookup(item.type); c && !c->Unreadable())
        item.risk = RiskOf(assessor.Assess(*c));
  }

  // Every type whose program shows a signal that counts for health, on any
  // machine: no base is read or written.
  int Health() {
    if (!env_.facts) return Fail(msg::kFactsUnreadable);
    report_.baseFile.clear();
    Scan();
    Assessor assessor(env_.reg, *env_.facts);
    for (const auto& c : *g_.CurrentEntries) {
      if (c->Unreadable()) continue;  // nothing of it is known to assess
      const Assessment a = assessor.Assess(*c);
      if (std::none_of(a.signals.begin(), a.signals.end(), CountsForHealth)) continue;
      report_.items.push_back({c->Ext(), "risk", {}, SideOf(c.get()), RiskOf(a), {}});
    }
    report_.outcome = report_.items.empty() ? "no risks" : "risks";  // verbatim
    Emit();
    if (!reportError_.empty()) return Fail(reportError_);
    return report_.items.empty() ? kNoChanges : kChangesFound;
  }

  int Check() {
    if (o_.health) return Health();
    if (IsXmlFile(o_.basePath)) return CheckAgainstAssociationsFile();
    std::vector<std::string> types;
    if (!ScanAndCompare(types)) return FirstRun();
    report_.items = ItemsOf(types, *g_.CurrentEntries, *g_.BaseEntries);
    const size_t latent = MarkLatent();
    NoteUnreadable(false);
    AssessItems();
    // A latent change alone counts as none, unless --strict says it does; a
    // type whose key cannot be read counts as a change (never "no changes"
    // while a key is unread).
    const bool changes = types.size() > latent || (o_.strict && latent > 0);
    report_.outcome = changes ? "changes" : latent > 0 ? "latent changes" : "no changes";  // verbatim
    Emit();
    if (!types.empty()) LogReport(EventKind::ChangesFound);
    if (!reportError_.empty()) return Fail(reportError_);
    return changes ? kChangesFound : kNoChanges;
  }

  int Accept() {
    std::vector<std::string> types;
    if (!ScanAndCompare(types)) return FirstRun();
    report_.items = ItemsOf(types, *g_.CurrentEntries, *g_.BaseEntries);
    MarkLatent();
    NoteUnreadable(true);
    NoteNotKept(SaveCurrentAsDefault(g_, vsd_));
    report_.outcome = "accepted";
    report_.notes.push_back(msg::AcceptedNote(!types.empty()));
    Emit();
    LogReport(EventKind::Accepted);
    return Done(kNoChanges, msg::kAcceptedAsBase);
  }

  void NoteNotKept(const NotKept& why) {
    if (why) report_.notes.push_back(msg::NotKeptInHistory(msg::BaseFileText(*why)));
  }

  // The earlier bases, newest first, with what the base after each changed
  // of it. They are listed whatever the base: a damaged one is when they
  // are wanted most. Nothing is written.
  int History() {
    report_.history = true;
    const AssocEntries* newer = nullptr;
    try {
      if (LoadRecordedBase(g_, vsd_)) {
        newer = g_.BaseEntries.get();
        std::int64_t t = 0;
        if (LastWriteSeconds(report_.baseFile, t)) {
          report_.baseTime = IsoUtc(t);
          report_.baseAgeSeconds = std::max<long long>(0, env_.now - t);
        }
      }
    } catch (const BaseFileError& e) {
      report_.notes.push_back(msg::BaseFileText(e));
    }
    std::vector<Generation> foreign;
    const std::string folder = GenerationsFolder(g_.BaseFile);
    // A file in the folder's place holds no history: say so, not just none.
    if (PathExists(folder) && !IsFolder(folder)) report_.notes.push_back(msg::HistoryIsAFile(AbsolutePath(folder)));
    const std::vector<Generation> generations = ReadGenerations(folder, &foreign);
    for (const Generation& f : foreign) report_.notes.push_back(msg::ForeignInHistory(AbsolutePath(f.path), msg::BaseFileText(f.problem)));
    for (const Generation& gen : generations) {
      ReportGeneration r;
      r.number = gen.number;
      r.recorded = gen.recorded > 0 ? IsoUtc(gen.recorded) : std::string();
      r.file = AbsolutePath(gen.path);
      r.problem = msg::BaseFileText(gen.problem);
      if (gen.entries) {
        r.types = gen.entries->Count();
        if (newer) {
          r.nextKnown = true;
          TypeChanges next = ChangesBetween(*newer, *gen.entries);
          r.changed = std::move(next.changed);
          r.added = std::move(next.added);
          r.removed = std::move(next.removed);
          r.changes = msg::GenerationChanges(r.changed, r.added, r.removed);
        }
      } else {
        report_.notes.push_back(msg::GenerationUnusable(gen.number, msg::BaseFileText(gen.problem)));
      }
      newer = gen.entries.get();
      report_.generations.push_back(std::move(r));
    }
    report_.outcome = "history";
    Emit();
    if (!reportError_.empty()) return Fail(reportError_);
    return kNoChanges;
  }

  // Makes generation o_.restoreFrom the base, after the checks a restore
  // makes of a base, so that the restore that follows restores from it.
  // Returns an exit code when it refuses (nothing changed), else 0.
  int TakeGenerationAsBase() {
    const std::vector<Generation> generations = ReadGenerations(GenerationsFolder(g_.BaseFile));
    if (static_cast<size_t>(o_.restoreFrom) > generations.size())
      return Fail(msg::NoSuchGeneration(o_.restoreFrom, generations.size()));
    const Generation& gen = generations[o_.restoreFrom - 1];
    if (!gen.entries) {
      const std::string what = ShownText(msg::GenerationNotRestored(msg::BaseFileText(gen.problem)));
      env_.console.Err(what + "\n");
      Log(EventKind::Failure, what);
      return kBaseDamaged;
    }
    Associations from;
    from.BaseFile = gen.path;
    from.BaseExtension.clear();
    from.BaseEntries = gen.entries;
    RequireRestorableBase(from);
    NoteNotKept(SaveGenerationAsBase(g_, vsd_, WithLinksKept(gen.entries, *g_.CurrentEntries)));
    report_.notes.push_back(msg::RestoredFromNote(gen.number, gen.recorded > 0 ? IsoUtc(gen.recorded) : ""));
    return 0;
  }

  int Restore() {
    std::vector<std::string> wanted;
    if (!ScanAndCompare(wanted)) return FirstRun();
    if (o_.restoreFrom > 0)
      if (const int refused = TakeGenerationAsBase()) return refused;
    RequireRestorableBase(g_);
    // Against a generation made the base, the changes are those against it.
    if (o_.restoreFrom > 0) wanted = ChangedTypes();
    else if (!o_.restoreAll) wanted.clear();
    for (const auto& name : o_.restoreTypes) wanted.push_back(Target(name));
    // Types the base knows are written back; types that appeared since are
    // undone (what opens them removed, as when the base was recorded);
    // types that neither knows cannot be restored.
    std::vector<std::string> unknown, known, added;
    for (const auto& type : wanted)
      (g_.BaseEntries->Lookup(type) ? known : g_.CurrentEntries->Lookup(type) ? added : unknown).push_back(type);
    // One type at a time: a request to stop is honoured between two.
    struct Honour {
      StopRequest* stop;
      explicit Honour(StopRequest* s) : stop(s) {
        if (stop) stop->honoured = true;
      }
      ~Honour() {
        if (stop) stop->honoured = false;
      }
    } honour(env_.stop);
    const auto stopping = [this] { return env_.stop && env_.stop->requested; };
    RestoreResult result;
    size_t notReached = 0;
    for (const auto& type : known) {
      if (stopping()) {
        ++notReached;
        continue;
      }
      RestoreResult one = RestoreTypes(env_.reg, *g_.BaseEntries, *g_.CurrentEntries, {type});
      result.wrote = result.wrote || one.wrote;
      result.failed.insert(result.failed.end(), one.failed.begin(), one.failed.end());
      result.choices.insert(result.choices.end(), one.choices.begin(), one.choices.end());
    }
    for (const auto& type : added) {
      if (stopping()) ++notReached;
      else RemoveNewType(env_.reg, *g_.CurrentEntries->Lookup(type), result);
    }
    known.insert(known.end(), added.begin(), added.end());
    if (result.wrote) env_.platform.AssociationsChanged();
    // A check afterwards tells what really took.
    Scan();
    const auto still = ChangedTypes();
    std::vector<std::string> notRestored;
    for (const auto& type : known)
      if (std::any_of(still.begin(), still.end(), [&](const std::string& s) { return EqualsNoCase(s, type); }))
        notRestored.push_back(type);
    const msg::RefusedWrites refused =
        msg::DescribeRefusedWrites(result.failed, [this](long status) { return env_.platform.ErrorText(status); });
    for (const auto& line : refused.lines) report_.notes.push_back(msg::RefusedWriteNote(line));
    if (!refused.advice.empty()) report_.notes.push_back(refused.advice.substr(1));
    for (const auto& type : result.choices) {
      const AssocEntry* recorded = g_.BaseEntries->Lookup(type);
      const std::string page =
          DefaultAppsUri(recorded ? DefaultAppsPageFor(env_.reg, type, recorded->InForceProgID()) : DefaultAppsPage{});
      report_.notes.push_back(msg::ChoiceNote(type, page));
    }
    for (const auto& type : unknown)
      report_.notes.push_back(msg::UnknownTypeNote(type));
    for (const auto& type : known) {
      if (std::find(notRestored.begin(), notRestored.end(), type) != notRestored.end()) continue;
      const bool new_ = std::find(added.begin(), added.end(), type) != added.end();
      report_.notes.push_back(msg::RestoredNote(type, new_));
    }
    if (notReached > 0) report_.notes.push_back(msg::RestoreStoppedNote(notReached, known.size()));
    report_.items = ItemsOf(notRestored, *g_.CurrentEntries, *g_.BaseEntries);
    MarkLatent();
    const bool done = notRestored.empty() && unknown.empty() && notReached == 0;
    report_.outcome = done ? "restored" : "not all restored";  // verbatim
    Emit();
    LogReport(done ? EventKind::Restored : EventKind::RestoreRefused);
    return Done(done ? kNoChanges : kWritesRefused,
                done ? msg::kBaseRestored : notReached > 0 ? msg::kRestoreStopped : msg::kRestoredWhereAllowed);
  }

  // The check against an administrators' associations file: the types it
  // names, by the program identifier in force; the file is only read.
  int CheckAgainstAssociationsFile() {
    const std::string path = ResolvePath(env_.currentFolder, o_.basePath);
    report_.baseFile = path;
    std::string bytes;
    const ReadResult read = ReadWholeFile(path, bytes, kMaxAssociationsFileBytes);
    if (read == ReadResult::NotFound) return Fail(msg::AssociationsFileMissing(path));
    if (read == ReadResult::TooLarge)
      return Fail(msg::AssociationsFileTooLarge(path, kMaxAssociationsFileBytes >> 20));
    const std::vector<DefaultAssociation> wanted = ReadDefaultAssociations(bytes, path);
    Scan();
    for (const DefaultAssociation& a : wanted) {
      if (!IsEntryName(a.identifier)) continue;  // names no type or protocol a key can have
      const AssocEntry* c = g_.CurrentEntries->Lookup(a.identifier);
      const ReportSide now = SideOf(c);
      if (c && !c->Unreadable() && EqualsNoCase(now.progId, a.progId)) continue;
      const char* change = c && c->Unreadable() ? "unreadable" : c ? "changed" : "removed";
      report_.items.push_back({a.identifier, change, {a.progId, "", a.applicationName}, now, {}, {}});
    }
    NoteUnreadable(false);
    report_.outcome = report_.items.empty() ? "no changes" : "changes";  // verbatim
    Emit();
    if (!report_.items.empty()) LogReport(EventKind::ChangesFound);
    if (!reportError_.empty()) return Fail(reportError_);
    return report_.items.empty() ? kNoChanges : kChangesFound;
  }

  // The base as an administrators' associations file. A type without a
  // program identifier (its command stands under the extension itself)
  // cannot be named in one and is left out, and so is one whose names the
  // file cannot hold; the report says which.
  int Export() {
    // Only a recorded base is exported: none, or one never filled, is not
    // recorded by an export (it would be recorded from nothing).
    if (!LoadRecordedBase(g_, vsd_))
      return Fail(msg::NoBaseRecorded(report_.baseFile));
    // What an export names is written by whoever imports it.
    RequireRestorableBase(g_);
    std::vector<DefaultAssociation> list;
    for (const auto& b : *g_.BaseEntries) {
      const ReportSide side = SideOf(b.get());
      DefaultAssociation a{b->Ext(), side.progId, side.program};
      if (a.progId.empty() || !IsWritableXmlText(a.identifier) || !IsWritableXmlText(a.progId) ||
          !IsWritableXmlText(a.applicationName)) {
        report_.notes.push_back(msg::ExportLeftOutNote(b->Ext(), a.progId.empty()));
        continue;
      }
      list.push_back(std::move(a));
    }
    const std::string path = ResolvePath(env_.currentFolder, o_.exportPath);
    ReplaceFileAtomically(path, WriteDefaultAssociations(list));
    report_.outcome = "exported";
    size_t links = 0;
    for (const auto& a : list) links += IsLinkName(a.identifier) ? 1 : 0;
    report_.notes.push_back(msg::ExportedNote(list.size() - links, links, path));
    Emit();
    return Done(kNoChanges, msg::kExportWritten);
  }

  const Options& o_;
  RunEnvironment& env_;
  Associations g_;
  BaseStore vsd_;
  Report report_;
  std::vector<GuardedFile> guarded_;  // what no output may replace
  std::string reportError_;           // why the report (file or standard output) was not written
};

}  // namespace

std::string RefusedAccountText(const AccountCheck& check) {
  return msg::AccountRefusedLine(check);
}

int RunCommandLine(const Options& o, RunEnvironment& env) {
  if (!o.error.empty()) {
    env.console.Err(o.error + "\n\n" + UsageText());
    return kUsage;
  }
  if (o.action == Action::Help) {
    env.console.Out(UsageText());
    return kNoChanges;
  }
  if (o.action == Action::Version) {
    env.console.Out(msg::VersionLine(HOLLIN_VERSION_TEXT) + "\n");
    return kNoChanges;
  }
  // Before anything is read (locating the base probes its folder).
  if (const AccountCheck account = CheckAccount(env.account); account.refused()) {
    env.console.Err(RefusedAccountText(account));
    return kFailure;
  }
  return Run(o, env).Go();
}

}  // namespace hollin::cli
