// The steps of a check that every caller shares, so that all run the same
// code.
#pragma once

#include <string>
#include <vector>

#include "common/platform.h"
#include "compare/restore.h"
#include "registry/registry.h"
#include "registry/scan.h"

namespace hollin {

// The scan as every check runs it: the class root with the running user's
// layers read directly, a packaged app's name resolved by the platform once
// per check.
ScanResult ScanCurrent(IRegistry& reg, IPlatform& platform);

// Writes the BASE of each of exts that the base knows (see RestoreLayers and
// RestoreEntry), against what current holds of it; types the base does not
// know are passed over. The caller tells the shell when result.wrote.
RestoreResult RestoreTypes(IRegistry& reg, const AssocEntries& base, const AssocEntries& current,
                           const std::vector<std::string>& exts);

}  // namespace hollin
