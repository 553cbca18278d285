// The steps of a check that every caller shares, so that all run the same
// code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/associations.h"
#include "base/base_store.h"
#include "common/platform.h"
#include "compare/changes.h"
#include "compare/restore.h"
#include "registry/registry.h"
#include "registry/scan.h"

namespace hollin {

// The scan as every check runs it: the class root with the running user's
// layers read directly, a packaged app's name resolved by the platform once
// per check.
ScanResult ScanCurrent(IRegistry& reg, IPlatform& platform);

// Whether g's base records links and verbs (format 3 and later), so that a
// link it lacks is new; none loaded yet counts as one that does.
bool LinksKnown(const Associations& g);

// How a caller runs a check.
struct CheckOptions {
  // Where given, the base is loaded through it (LoadBase: a first run
  // records the scan as the base); else the check compares against g's
  // base as it holds it.
  BaseStore* load = nullptr;
  // The program's own base of a format before links were recorded gets
  // them recorded (RecordLinks); a base named by the user is compared as
  // it is.
  bool recordLinks = true;
  // Types changed only in a layer that does not decide now are listed too
  // (ChangedItem::Kind::Latent).
  bool latent = true;
  // Told of the load's steps.
  IBaseProgress* progress = nullptr;
  // Where given, the scan comes from it instead of ScanCurrent.
  std::function<ScanResult()> scan = nullptr;
};

// What a check found.
struct CheckResult {
  std::shared_ptr<AssocEntries> current;  // what opens each type now
  std::shared_ptr<AssocEntries> base;     // what it is compared against
  std::vector<ChangedItem> changes;       // FindChanges of the two
  std::vector<SkippedSubkey> skipped;     // keys the scan could not take
  bool firstRun = false;       // there was no base: the scan was recorded as it
  bool linksRecorded = false;  // the links were recorded with a base of an earlier format
};

// The check every front end runs: the scan, the base (where loaded), and
// the changes between them (a protocol the base records whose key may not
// be read now is added to current as such). Where it loads the base, g's CURRENT is the
// scan from then on (a first run records it, and a damaged base is set
// aside for it); a failure of the base file arrives as BaseFileError.
CheckResult RunCheck(IRegistry& reg, IPlatform& platform, Associations& g, const CheckOptions& options = {});

// Writes the BASE of each of exts that the base knows (see RestoreLayers,
// RestoreEntry, RestoreProtocol and RestoreVerb), against what current holds
// of it; types and protocols the base does not know are passed over, and
// those whose key may not be read now are listed as failed, unwritten
// (NoteUnreadable). The
// caller tells the shell when result.wrote.
RestoreResult RestoreTypes(IRegistry& reg, const AssocEntries& base, const AssocEntries& current,
                           const std::vector<std::string>& exts);

// A base of a format that recorded no protocols and no verbs (before
// version 3) as the check records it silently: every record as it was, those
// of types that open as current has them now with their verb read now
// (whatever changed is left to be listed), then the protocols current holds.
std::shared_ptr<AssocEntries> BaseWithLinks(const AssocEntries& base, const AssocEntries& current);

// Records of the base's history about to be made the base again: as they
// are where they recorded links or verbs; else (recorded before either
// was) with those of current (BaseWithLinks), so that a restore from them
// leaves every link as it is instead of undoing links they never knew.
std::shared_ptr<AssocEntries> WithLinksKept(const std::shared_ptr<AssocEntries>& records, const AssocEntries& current);

// Records the links with g's base where it is of a format before version 3
// (BaseWithLinks, saved in place; the base as it was kept as the backup):
// true where it did. A base that cannot be written, or one that names keys
// not its own (damage, see NamesOnlyItsOwnKeys), stays as it was, and the
// check compares against it as it is.
bool RecordLinks(Associations& g, BaseStore& vsd);

}  // namespace hollin
