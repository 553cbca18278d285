// The guard: a resident check that waits for the registry to change, lets a
// change set settle, runs the check the window and the command line run
// (compare/check), and says once what changed since the base.
//
// Portable: it is told of signals and of the time by its caller (the loop in
// guard/loop.h, fed by the Win32 bindings or by a test's stand-in), and acts
// on the world through IGuardHost. Nothing here waits or polls.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/associations.h"
#include "base/base_store.h"
#include "common/platform.h"
#include "guard/notice.h"
#include "guard/settle.h"
#include "registry/registry.h"
#include "registry/scan.h"

namespace hollin::guard {

// One check as the Application log keeps it, as a run for scripts leaves it.
struct CheckRecord {
  enum class Kind { ChangesFound, Restored, RestoreRefused, Accepted, FirstRun, Failure } kind = Kind::ChangesFound;
  std::vector<std::string> types;  // changed (ChangesFound), restored or not
  const AssocEntries* current = nullptr;
  const AssocEntries* base = nullptr;
  std::vector<std::string> notes;
};

class IGuardHost {
 public:
  virtual ~IGuardHost() = default;
  // Shows the notice, in place of one shown; an empty notice takes it away.
  virtual void Show(const Notice& notice) = 0;
  // What the notification icon's tip says.
  virtual void Tip(const std::string& text) = 0;
  virtual void Record(const CheckRecord& record) = 0;
};

class Guard {
 public:
  Guard(IRegistry& reg, IPlatform& platform, Associations& g, IGuardHost& host, Settler settler = Settler());

  // Loads the base (a first run records it) and runs a first check.
  void Start(Millis now);
  // A watched registry key changed.
  void RegistryChanged(Millis now);
  // A key under the user classes changed. Explorer writes there all the
  // time (folder views, MuiCache, app-model data), so once the writes
  // settle only what the user classes give the scan is read again
  // (registry/user_classes), a few hundred keys, and the check runs only
  // where that is no longer what the last check read.
  void UserClassesChanged(Millis now);
  // The base file's folder changed: where the base file itself changed (an
  // accept in the window or from a script), it is loaded again, and a
  // change it now holds is nothing to report.
  void BaseFolderChanged(Millis now);
  // When Wake must run next; kNever: only a signal or a command wakes it.
  Millis WakeAt() const;
  // Runs what is due: a settled check, the end of a pause.
  void Wake(Millis now);

  // The icon's menu.
  void CheckNow(Millis now);
  void Pause(Millis now, Millis length);
  void Resume(Millis now);
  bool Paused() const { return pausedUntil_ != 0; }

  // The notice's answers; each takes it away. Keep accepts its types as
  // they were when told into the base; Review hands them over for the
  // window; Dismiss leaves them unreported until they change again.
  void Keep();
  std::vector<std::string> Review();
  void Dismiss();
  const Notice& Shown() const { return shown_; }
  // The types as the base records them (those it holds), read from the
  // base file: between checks the guard holds no base.
  std::shared_ptr<const AssocEntries> Recorded(const std::vector<std::string>& types) const;

  int Checks() const { return checks_; }
  // The checks put off because another copy held the base's turn.
  int Postponed() const { return postponed_; }
  // The scans ScanElsewhere answered whole, which the checks took.
  int ScansFromElsewhere() const { return scansElsewhere_; }
  // The wake-ups from the user classes that found them as the last check
  // read them, and so ran no check.
  int QuietWakes() const { return quietWakes_; }
  // The folders whose changes may be the base file's.
  std::vector<std::string> BaseFolders() const;
  std::string TipText() const;

  // Seconds since 1970, for the notices; a test sets its own.
  std::function<long long()> Seconds;
  // Where set, a check's scan is asked of it first: the scan made elsewhere
  // (a process of the guard's own), packed (registry/scan_pack), or nothing
  // where it could not be had. An answer that does not unpack whole is
  // never taken for a scan: the check then reads the registry itself.
  std::function<std::optional<std::string>()> ScanElsewhere;

 private:
  void Check(Millis now);
  // The scan of a check: ScanElsewhere's answer where it is whole, else
  // the guard's own.
  ScanResult Scan();
  // Reads what the user classes give the scan, as the check about to run
  // will see it (or newer).
  void ReadUserClasses();
  // The identifiers named by a path ("Applications\app.exe") that the base
  // and the last check's entries name: read with the user classes.
  std::vector<std::string> DeepPaths() const;
  void Load();
  // Takes out of the notice each type for which gone(type, what it was
  // told opening with) holds; whether any went.
  bool Forget(const std::function<bool(const std::string&, const AssocEntry*)>& gone);
  // Lets go of the base once a check or an answer is done with it: what
  // the guard keeps between checks is what tells one change from the next,
  // not what the next check reads again.
  void Release();
  std::string Stamp() const;  // what tells the base file as loaded from one changed since
  // A failure: told in a notice, and recorded where it is new (always:
  // each time, as for an answer of the user's that failed).
  void Fail(const std::string& what, bool always = false);
  void UpdateTip();

  IRegistry& reg_;
  IPlatform& platform_;
  Associations& g_;
  IGuardHost& host_;
  Settler settler_;
  // The user classes' writes settle as others do, but a read of them that
  // finds nothing new costs little, so they are read at the latest five
  // seconds after the first write: a takeover amid Explorer's writes is
  // noticed within seconds.
  Settler userSettler_{2000, 5000};
  // What the user classes gave the last check (none: no check ran whole
  // since), and the identifiers named by a path its entries named.
  std::optional<std::string> userClasses_;
  std::vector<std::string> deepIds_;
  int quietWakes_ = 0;
  // The changes last written to the record (each type with its state now
  // and in the base), so that one change set is recorded once.
  std::string logged_;
  BaseStore vsd_;
  bool haveBase_ = false;
  // A base was loaded once: one found missing after that went while the
  // guard ran, and its new one is told, not recorded in silence.
  bool baseSeen_ = false;
  // The base is in g_.BaseEntries (from Load until Release); what the tip
  // and the reads of the user classes need of it is kept beside.
  bool baseHeld_ = false;
  size_t baseCount_ = 0;
  std::vector<std::string> baseDeepIds_;
  std::string stamp_;
  Millis pausedUntil_ = 0;
  int checks_ = 0;
  int postponed_ = 0;
  int scansElsewhere_ = 0;
  // The state each changed type was last told in (its opener's signature),
  // so that one change is said once.
  std::vector<std::pair<std::string, std::string>> told_;
  Notice shown_;
  std::string lastCheck_, problem_;
  // The latent changes (in a layer that does not decide) last recorded: a
  // line in the record when they differ, never a notice.
  std::vector<std::string> latentTold_;
};

}  // namespace hollin::guard
