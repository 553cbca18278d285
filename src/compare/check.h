// The steps of a check that every caller shares, so that all run the same
// code.
#pragma once

#include <string>
#include <vector>

#include "base/associations.h"
#include "base/data_file.h"
#include "common/platform.h"
#include "compare/restore.h"
#include "registry/registry.h"
#include "registry/scan.h"

namespace hollin {

// The scan as every check runs it: the class root with the running user's
// layers read directly, a packaged app's name resolved by the platform once
// per check.
ScanResult ScanCurrent(IRegistry& reg, IPlatform& platform);

// Writes the BASE of each of exts that the base knows (see RestoreLayers,
// RestoreEntry, RestoreProtocol and RestoreVerb), against what current holds
// of it; types and protocols the base does not know are passed over. The
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
bool RecordLinks(Associations& g, DataFile& vsd);

}  // namespace hollin
