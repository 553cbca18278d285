// Restoring a type's BASE setting into the registry: the program identifier
// of the extension and the open command it names.
//
// Each of the two values is read first and written only when it differs
// from the BASE: a value that already equals it is left exactly as it is
// (its type and any bytes after a zero character included). A value that is
// written keeps the registry type it has (REG_EXPAND_SZ and REG_MULTI_SZ
// stay what they are); a command with an environment reference ("%SystemRoot%")
// is always written as REG_EXPAND_SZ, so that it still runs; a value that
// does not exist yet is written as REG_SZ. Text is written whole, zero
// characters inside included: a restore never shortens a value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

// Whether a command holds an environment reference: "%", a letter or "_",
// then letters, digits, "_", "(" or ")", then "%".
bool HasEnvironmentReference(std::string_view command);

// A write the registry refused.
struct RestoreFailure {
  std::string ext;
  bool programId = false;  // the extension's program identifier; else the open command
  LONG status = 0;
};

struct RestoreResult {
  bool wrote = false;  // at least one value was written
  std::vector<RestoreFailure> failed;
};

// Writes base's program identifier under root\<ext> (HKEY_CLASSES_ROOT in
// the program) and its command under its open command key, where they
// differ from what the registry holds. A type without a program identifier gets an empty one:
// the identifier another program wrote there must not stay.
void RestoreEntry(IRegistry& reg, const cRegEntry& base, RestoreResult& result,
                  HKEY root = HKEY_CLASSES_ROOT);

}  // namespace hollin
