// The types the user wants restored at once, without being asked, when the
// guard finds them changed ("Always restore"; none by default). The user's
// own choice, so it is kept in the user's settings key:
// HKEY_CURRENT_USER\SOFTWARE\Nordane\Hollin, value "AlwaysRestore"
// (REG_MULTI_SZ, one type a string; the window writes it so). A text
// (REG_SZ, REG_EXPAND_SZ), as an administrator's file may set it, holds one
// type or several between commas or semicolons.
#pragma once

#include <string>
#include <vector>

#include "registry/registry.h"

namespace hollin {

inline constexpr const char* kAlwaysRestoreValue = "AlwaysRestore";

// The types chosen, in the order kept; none where the value is missing or
// cannot be read. otherType, where given, is set to the value's registry
// type where it is there but of a type that holds no names (a number, bytes),
// else to REG_NONE: what it holds is nobody's to write over unasked.
std::vector<std::string> ReadAlwaysRestore(IRegistry& reg, DWORD* otherType = nullptr);

// Keeps exactly types (each once, letter case aside); an empty set removes
// the value. Returns the registry's status.
LONG WriteAlwaysRestore(IRegistry& reg, const std::vector<std::string>& types);

// Whether types holds ext, letter case aside.
bool HoldsType(const std::vector<std::string>& types, const std::string& ext);

}  // namespace hollin
