// The registry reads of the About box: a class's open command, and a value
// of any key (the system-information tool's location).
#pragma once

#include <string>

#include "registry/registry.h"

namespace hollin {

// The start of a file class's open command: the default value of
// "<className>\shell\open\command" under HKEY_CLASSES_ROOT (cleaned by
// TrimRegString), cut before its first "%1" and before a quote that opens it;
// the whole command when it has no "%1"; "" when there is none.
std::string GetOpenCommand(IRegistry& reg, const std::string& className);

// Reads the value SubKeyRef of KeyName under KeyRoot. A string (type 1)
// becomes KeyVal; a 32-bit number becomes "&h" and its hexadecimal digits;
// another type leaves KeyVal as it was; in each case the result is true. A key
// that cannot be opened or a value that cannot be read (missing, or over 1024
// bytes) gives false and an empty KeyVal. A value of no data at all cannot be
// cut to its length: that raises std::runtime_error, whose what() names the
// value ("KeyName\SubKeyRef"). The key is opened for
// reading only.
bool GetKeyValue(IRegistry& reg, HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

}  // namespace hollin
