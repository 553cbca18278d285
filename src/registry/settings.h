// The program's own settings under HKEY_LOCAL_MACHINE "SOFTWARE\Nordane\Hollin".
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/message_box.h"
#include "registry/registry.h"

namespace hollin {

// The settings key as the reader names it; the writer names it with a
// leading backslash, which the registry layer treats as absent.
inline constexpr const char* kSettingsKey = "SOFTWARE\\Nordane\\Hollin";
inline constexpr const char* kSettingsKeyForWrite = "\\SOFTWARE\\Nordane\\Hollin";

// What ReadSetting hands back: a text, a number, or nothing yet.
using SettingValue = std::variant<std::monostate, std::string, std::int32_t>;

// Writes Text as REG_SZ under the settings key. Reports nothing: a failure
// to create the key or to set the value goes unnoticed.
void WriteSetting(IRegistry& reg, const std::string& Name, const std::string& Text);

// Reads a setting. RequestedType 1 reads a text (at most 254 characters),
// 4 a number; any other type yields the number 1 without reading. Returns
// true and replaces Value when the value was read; false on any failure,
// leaving Value as it was. With ShowErrors, a key that cannot be opened or a
// value that cannot be read is reported in an "ODBC Registry" box.
bool ReadSetting(IRegistry& reg, IMessageBox& box, const std::string& Name,
                 std::int16_t RequestedType, SettingValue& Value, bool ShowErrors);

}  // namespace hollin
