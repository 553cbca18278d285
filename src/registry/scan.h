// The current scan: which command opens each file type registered under a
// root key (HKEY_CLASSES_ROOT in the program).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "registry/layers.h"
#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

// Reads the default value of a key path under root, of any length, trimmed
// as TrimRegString trims (ReadValue of layers.h without its type). An absent
// key or default value gives "".
std::string ReadDefaultValue(IRegistry& reg, HKEY root, const std::string& path);

// A subkey of the root that the scan could not take as a type.
struct SkippedSubkey {
  DWORD index = 0;   // its enumeration index
  std::string name;  // as enumerated; "" when it could not be read
  LONG status = 0;   // ERROR_SUCCESS: the name was taken already; else why the read failed
};

// A key of the classes without a leading dot that is there but may not be
// read, so that whether it is a protocol's is unknown: most such names are
// none, and only a caller that knows the protocol (the base) takes it for
// one that may not be read.
struct UnreadableName {
  std::string name;
  AssocEntry::Layer at = AssocEntry::Layer::Classes;
};

struct ScanResult {
  std::shared_ptr<AssocEntries> entries;
  std::vector<UnreadableName> unreadableNames;
  // In enumeration order: names equal (without regard to case) to one taken
  // earlier, and indexes whose name could not be read. The window says so.
  std::vector<SkippedSubkey> skipped;
};

// Every subkey of root whose name begins with "." and whose program ID
// (else the extension's own key) has a verb that runs (ReadVerb, VerbRuns:
// a command or a handler, whatever the verb's name) or an open command
// ("\shell\open\command" with a non-empty default value) becomes one
// entry, in enumeration order; so does every key marked as a URL protocol.
//
// No one key can end or fail the scan: a name of any length is read (again,
// with the room it needs); only ERROR_NO_MORE_ITEMS ends the enumeration; an
// index that cannot be read, and a name equal to one taken already (the
// registry changing under the scan), are skipped and listed. After
// kMaxFailedIndexes failures in a row the registry is taken to fail at every
// index and the scan ends (the failures are listed).
//
// A type whose key (in the layer that would decide), or whose Explorer's
// choice, is there but may not be read with the user's rights becomes an
// entry marked Unreadable, its name alone; so does a protocol known as one
// (marked in a layer that may be read, or chosen in Explorer) whose key may
// not be read. Any other name without a dot whose key may not be read is
// listed in unreadableNames.
//
// With layers, each type's layers are read too (see layers.h), the types
// that only the user classes or Explorer's choice name are added after the
// root's, and a type counts when Explorer's choice or the user classes name
// a program for it even where the root holds no command.
inline constexpr int kMaxFailedIndexes = 64;
//
// honoured, where given, tells the program identifier the system itself
// uses for a type ("" where it cannot tell); a type whose Explorer's choice
// it does not name is read as though it had none, the choice kept in
// IgnoredChoice. It is called on the calling thread, while no reader of the
// scan runs.
using HonouredIdentifier = std::function<std::string(const std::string& ext)>;
ScanResult ScanCurrentEntries(IRegistry& reg, HKEY root = HKEY_CLASSES_ROOT, const ClassLayers* layers = nullptr,
                              const IndirectStringResolver& resolve = {}, const HonouredIdentifier& honoured = {});

}  // namespace hollin
