// Values read from the registry by their type, with the platform's rules for
// sizes: a value of any length (read again with the size the registry asks
// for), text trimmed as the scan trims it (registry/reg_string.h), a list of
// texts split at its zero characters.
#pragma once

#include <string>
#include <vector>

#include "registry/registry.h"

namespace hollin {

// A value of base\path of any length, trimmed as the scan trims, with its
// registry type (REG_NONE and "" where the key or value is missing).
std::string ReadValue(IRegistry& reg, HKEY base, const std::string& path, const char* name, DWORD& type);

// The same of an open key; status, where given, is the query's
// (ERROR_FILE_NOT_FOUND: the key holds no value of that name).
std::string ReadOpenValue(IRegistry& reg, HKEY key, const char* name, DWORD& type, LONG* status = nullptr);

// The texts of a REG_MULTI_SZ value of an open key, in their order, empty
// ones passed over; none where the value is missing or of another type.
std::vector<std::string> ReadMultiText(IRegistry& reg, HKEY key, const char* name);

// Whether an open key holds a value of that name, of any type.
bool HasValue(IRegistry& reg, HKEY key, const char* name);

}  // namespace hollin
