// A setting read where the window may tell what went wrong.
#pragma once

#include <cstdint>
#include <string>

#include "common/message_box.h"
#include "registry/settings.h"

namespace hollin::ui {

// ReadSetting, and a box where it failed: with showErrors, the machine's key
// that would not open or its value that would not be read ("ODBC
// Registry"); always, an unforeseen error (titled with the product's name).
bool ReadSettingOrTell(IRegistry& reg, IMessageBox& box, const std::string& name, std::int16_t requestedType,
                       SettingValue& value, bool showErrors);

// The box that tells why a setting was not read (nothing for None).
void ShowSettingFailure(IMessageBox& box, const SettingFailure& failure);

}  // namespace hollin::ui
