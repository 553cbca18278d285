#include "cli/command.h"

#include <algorithm>

#include "base/base_location.h"
#include "base/base_store.h"
#include "cli/default_associations.h"
#include "cli/report.h"
#include "cli/xml_codec.h"
#include "common/atomic_file.h"
#include "common/file_system.h"
#include "common/names.h"
#include "common/text.h"
#include "compare/check.h"
#include "compare/show_delta.h"

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
    const std::string ext(VsData::kExtension);
    if (o.basePath.empty()) {
      const BaseLocation where = LocateBase(env.platform, env.programFolder);
      g_.BaseFile = where.file;
      g_.FormerBaseFile = where.readFirst;
      report_.baseFile = BaseFileRead(g_);
      return;
    }
    const std::string base = ResolvePath(env.currentFolder, o.basePath);
    report_.baseFile = base;
    // The base store names its file without ".isd".
    g_.BaseFile = base.size() > ext.size() && EqualsNoCase(base.substr(base.size() - ext.size()), ext)
                      ? base.substr(0, base.size() - ext.size())
                      : base;
  }

  int Go() {
    try {
      switch (o_.action) {
        case Action::Check: return Check();
        case Action::Accept: return Accept();
        case Action::Restore: return Restore();
        case Action::ExportDefaults: return Export();
        default: return Fail("nothing to do.");
      }
    } catch (const BaseFileError& e) {
      const bool damaged = e.problem() == BaseFileProblem::Damaged || e.problem() == BaseFileProblem::NewerFormat;
      const std::string what = std::string(e.what()) + (damaged ? " It was left as it was." : "");
      env_.console.Err(what + "\n");
      Log(EventKind::Failure, what);
      return damaged ? kBaseDamaged : kFailure;
    } catch (const AssociationsFileError& e) {
      return Fail(std::string(e.what()) + " Nothing was written.");
    } catch (const std::exception& e) {
      return Fail(e.what());
    }
  }

 private:
  int Fail(const std::string& what) {
    env_.console.Err(std::string(kAppTitle) + ": " + what + "\n");
    Log(EventKind::Failure, what);
    return kFailure;
  }

  void Log(EventKind kind, const std::string& text) {
    if (env_.events) env_.events->Write(kind, text);
  }
  // The report's text, for an event.
  void LogReport(EventKind kind) { Log(kind, FormatReport(report_, Format::Text)); }

  void Scan() { g_.CurrentEntries = ScanCurrent(env_.reg, env_.platform).entries; }

  // Loads the base; false after a first run, which recorded it.
  bool LoadBase() {
    bool created = false;
    GetAllPrevious(g_, vsd_, sink_, created);
    std::int64_t t = 0;
    if (LastWriteSeconds(report_.baseFile, t)) {
      report_.baseTime = IsoUtc(t);
      report_.baseAgeSeconds = std::max<long long>(0, env_.now - t);
    }
    return !created;
  }

  std::vector<std::string> ChangedTypes() const {
    std::vector<std::string> types;
    for (const auto& item : FindChanges(*g_.CurrentEntries, *g_.BaseEntries)) types.push_back(item.Ext);
    return types;
  }

  // Prints or writes the report; a report file is replaced atomically.
  void Emit() {
    const std::string text = FormatReport(report_, o_.format);
    if (o_.reportPath.empty()) {
      env_.console.Out(text);
      return;
    }
    ReplaceFileAtomically(ResolvePath(env_.currentFolder, o_.reportPath), text);
  }

  int FirstRun() {
    report_.outcome = "first run";
    report_.notes.push_back("No base was recorded yet: the current settings of " +
                            std::to_string(g_.CurrentEntries->Count()) + " file types are the base now.");
    Emit();
    LogReport(EventKind::FirstRun);
    return kFirstRun;
  }

  int Check() {
    if (IsXmlFile(o_.basePath)) return CheckAgainstAssociationsFile();
    Scan();
    if (!LoadBase()) return FirstRun();
    const auto types = ChangedTypes();
    report_.items = ItemsOf(types, *g_.CurrentEntries, *g_.BaseEntries);
    report_.outcome = types.empty() ? "no changes" : "changes";
    Emit();
    if (!types.empty()) LogReport(EventKind::ChangesFound);
    return types.empty() ? kNoChanges : kChangesFound;
  }

  int Accept() {
    Scan();
    if (!LoadBase()) return FirstRun();
    const auto types = ChangedTypes();
    report_.items = ItemsOf(types, *g_.CurrentEntries, *g_.BaseEntries);
    SaveCurrentAsDefault(g_, vsd_, sink_);
    report_.outcome = "accepted";
    report_.notes.push_back("The current settings are the base now" +
                            std::string(types.empty() ? "." : "; the types listed were changed."));
    Emit();
    LogReport(EventKind::Accepted);
    return kNoChanges;
  }

  int Restore() {
    Scan();
    if (!LoadBase()) return FirstRun();
    std::vector<std::string> wanted = o_.restoreAll ? ChangedTypes() : o_.restoreTypes;
    std::vector<std::string> unknown;
    std::vector<std::string> known;
    for (const auto& type : wanted) (g_.BaseEntries->Lookup(type) ? known : unknown).push_back(type);
    RestoreResult result = RestoreTypes(env_.reg, *g_.BaseEntries, *g_.CurrentEntries, known);
    if (result.wrote) env_.platform.AssociationsChanged();
    // A check afterwards tells what really took.
    Scan();
    const auto still = ChangedTypes();
    std::vector<std::string> notRestored;
    for (const auto& type : known)
      if (std::any_of(still.begin(), still.end(), [&](const std::string& s) { return EqualsNoCase(s, type); }))
        notRestored.push_back(type);
    for (const auto& f : result.failed)
      report_.notes.push_back(f.ext + ": the registry refused to write " +
                              (f.programId ? "its program identifier" : "its open command") +
                              (f.layer ? std::string(" in the ") + f.layer : std::string()) + " (error " +
                              std::to_string(f.status) + ")." + (f.status == 5 ? " Run as an administrator." : ""));
    for (const auto& type : result.choices)
      report_.notes.push_back(type + ": Explorer's choice differs from the base. Windows protects it, so " +
                              std::string(kAppTitle) +
                              " does not write it: choose the program in Settings > Apps > Default apps.");
    for (const auto& type : unknown) report_.notes.push_back(type + ": the base has no record of this type.");
    for (const auto& type : known)
      if (std::find(notRestored.begin(), notRestored.end(), type) == notRestored.end())
        report_.notes.push_back(type + ": restored.");
    report_.items = ItemsOf(notRestored, *g_.CurrentEntries, *g_.BaseEntries);
    const bool done = notRestored.empty() && unknown.empty();
    report_.outcome = done ? "restored" : "not all restored";
    Emit();
    LogReport(done ? EventKind::Restored : EventKind::RestoreRefused);
    return done ? kNoChanges : kWritesRefused;
  }

  // The check against an administrators' associations file: the types it
  // names, by the program identifier in force; the file is only read.
  int CheckAgainstAssociationsFile() {
    const std::string path = ResolvePath(env_.currentFolder, o_.basePath);
    report_.baseFile = path;
    std::string bytes;
    const ReadResult read = ReadWholeFile(path, bytes, kMaxAssociationsFileBytes);
    if (read == ReadResult::NotFound) return Fail("The associations file \"" + path + "\" does not exist.");
    if (read == ReadResult::TooLarge)
      return Fail("The associations file \"" + path + "\" is too large to be one (over " +
                  std::to_string(kMaxAssociationsFileBytes >> 20) + " MiB).");
    const std::vector<DefaultAssociation> wanted = ReadDefaultAssociations(bytes, path);
    Scan();
    for (const DefaultAssociation& a : wanted) {
      if (a.identifier.empty() || a.identifier[0] != '.') continue;  // a protocol: not a file type
      const cRegEntry* c = g_.CurrentEntries->Lookup(a.identifier);
      const ReportSide now = SideOf(c);
      if (c && EqualsNoCase(now.progId, a.progId)) continue;
      report_.items.push_back({a.identifier, c ? "changed" : "removed", {a.progId, "", a.applicationName}, now});
    }
    report_.outcome = report_.items.empty() ? "no changes" : "changes";
    Emit();
    if (!report_.items.empty()) LogReport(EventKind::ChangesFound);
    return report_.items.empty() ? kNoChanges : kChangesFound;
  }

  // The base as an administrators' associations file. A type without a
  // program identifier (its command stands under the extension itself)
  // cannot be named in one and is left out, and so is one whose names the
  // file cannot hold; the report says which.
  int Export() {
    if (!PathExists(BaseFileRead(g_)))
      return Fail("no base is recorded in \"" + report_.baseFile + "\" yet: run --check first.");
    bool created = false;
    GetAllPrevious(g_, vsd_, sink_, created);
    std::vector<DefaultAssociation> list;
    for (const auto& b : *g_.BaseEntries) {
      const ReportSide side = SideOf(b.get());
      DefaultAssociation a{b->Ext(), side.progId, side.program};
      if (a.progId.empty() || !IsWritableXmlText(a.identifier) || !IsWritableXmlText(a.progId) ||
          !IsWritableXmlText(a.applicationName)) {
        report_.notes.push_back(b->Ext() + ": left out (" +
                                (a.progId.empty() ? "no program identifier" : "names a file cannot hold") + ").");
        continue;
      }
      list.push_back(std::move(a));
    }
    const std::string path = ResolvePath(env_.currentFolder, o_.exportPath);
    ReplaceFileAtomically(path, WriteDefaultAssociations(list));
    report_.outcome = "exported";
    report_.notes.push_back(std::to_string(list.size()) + " file types written to " + path + ".");
    Emit();
    return kNoChanges;
  }

  const Options& o_;
  RunEnvironment& env_;
  Associations g_;
  VsData vsd_;
  NullStatusSink sink_;
  Report report_;
};

}  // namespace

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
    env.console.Out(std::string(kAppTitle) + " (" + kProductName + ") " + HOLLIN_VERSION_TEXT + "\n");
    return kNoChanges;
  }
  return Run(o, env).Go();
}

}  // namespace hollin::cli
