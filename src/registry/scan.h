// The current scan: which command opens each file type registered under a
// root key (HKEY_CLASSES_ROOT in the program).
#pragma once

#include <memory>
#include <string>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

// Reads the default value of a key path under root, of any length, through
// TrimRegString. An absent key or default value gives "".
std::string ReadDefaultValue(IRegistry& reg, HKEY root, const std::string& path);

struct ScanResult {
  std::shared_ptr<cRegEntries> entries;
  std::shared_ptr<cRegEntry> last;  // the entry built last, if any
};

// Every subkey of root whose name begins with "." and whose open command
// (the program ID's "\shell\open\command" key, else the extension's own)
// has a non-empty default value becomes one entry, in enumeration order.
ScanResult ScanCurrentEntries(IRegistry& reg, HKEY root = HKEY_CLASSES_ROOT);

}  // namespace hollin
