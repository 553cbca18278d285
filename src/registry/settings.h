// The program's own settings, under "SOFTWARE\Nordane\Hollin" in two places:
// HKEY_CURRENT_USER (the user's own) and HKEY_LOCAL_MACHINE (the machine's,
// which a standard user may read but not write).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "registry/registry.h"

namespace hollin {

// The settings key as the reader names it; the writer names it with a
// leading backslash, which the registry layer treats as absent.
inline constexpr const char* kSettingsKey = "SOFTWARE\\Nordane\\Hollin";
inline constexpr const char* kSettingsKeyForWrite = "\\SOFTWARE\\Nordane\\Hollin";

// What ReadSetting hands back: a text, a number, or nothing yet.
using SettingValue = std::variant<std::monostate, std::string, std::int32_t>;

// Writes Text as REG_SZ under the machine's settings key and, where that is
// refused (a standard user), under the user's; once the machine's key holds
// it, a value of that name in the user's key is removed, so that the value
// written is the one read. Returns ERROR_SUCCESS, or the status of the
// user's key's refusal when neither key would take it.
LONG WriteSetting(IRegistry& reg, const std::string& Name, const std::string& Text);

// Why a setting was not read: the settings key would not open, the value
// would not be read (Name), or something unforeseen was thrown (what it said).
struct SettingFailure {
  enum class Kind { None, KeyNotOpened, ValueNotRead, Unexpected };
  Kind kind = Kind::None;
  std::string key;   // the key that would not open
  std::string name;  // the value that would not be read
  LONG status = ERROR_SUCCESS;
  std::string what;  // Unexpected: the exception's text
};

// Reads a setting, from the user's key where it holds one, else from the
// machine's. RequestedType 1 reads a text (at most 254 characters),
// 4 a number; any other type yields the number 1 without reading. Returns
// true and replaces Value when the value was read; false on any failure,
// leaving Value as it was, and where failure is given, says why: the
// machine's key that cannot be opened or its value that cannot be read
// (the user's key is only looked into), or an exception (Unexpected). The
// registry layer shows nothing: the window decides what to tell.
bool ReadSetting(IRegistry& reg, const std::string& Name, std::int16_t RequestedType, SettingValue& Value,
                 SettingFailure* failure = nullptr);

}  // namespace hollin
