#include "registry/settings.h"

#include <cstring>
#include <exception>

#include "registry/reg_key.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

constexpr LONG kInvalidData = 13;  // ERROR_INVALID_DATA: a REG_DWORD of another size

bool ReadSettingUnguarded(IRegistry& reg, HKEY root, const std::string& Name, std::int16_t RequestedType,
                          SettingValue& Value, SettingFailure* failure) {
  // Reading asks for no more than reading: a standard user may read the
  // machine-wide key but not open it for writing.
  LONG status = ERROR_SUCCESS;
  RegKey key = RegKey::Open(reg, root, kSettingsKey, KEY_QUERY_VALUE, &status);
  if (!key) {
    if (failure) *failure = {SettingFailure::Kind::KeyNotOpened, kSettingsKey, std::string(), status, std::string()};
    return false;
  }

  char text[255] = {};
  std::int32_t number = 0;
  DWORD type = REG_NONE;
  DWORD count = 0;
  status = ERROR_SUCCESS;
  if (RequestedType == 1) {
    count = sizeof text;
    status = reg.RegQueryValueExA(key.get(), Name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text), &count);
  } else if (RequestedType == 4) {
    count = sizeof number;
    status = reg.RegQueryValueExA(key.get(), Name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&number), &count);
  }
  if (status != ERROR_SUCCESS) {
    if (failure) *failure = {SettingFailure::Kind::ValueNotRead, kSettingsKey, Name, status, std::string()};
    return false;
  }
  key.Close();

  if (type == REG_SZ) {
    // The text lies in whichever buffer the query filled.
    const char* data = RequestedType == 1 ? text : reinterpret_cast<const char*>(&number);
    std::string read(data, count);
    Value = TrimRegString(read);
  } else if (type == REG_DWORD) {
    // A number asked for as text is the number all the same: "Warn" stored
    // as REG_DWORD 1 (by a policy or a script) means warn, never 0. A
    // number of another size is no number and reads as nothing.
    if (count != sizeof number) {
      if (failure) *failure = {SettingFailure::Kind::ValueNotRead, kSettingsKey, Name, kInvalidData, std::string()};
      return false;
    }
    if (RequestedType == 1) std::memcpy(&number, text, sizeof number);
    Value = number;
  } else {
    Value = std::int32_t{1};
  }
  return true;
}

LONG WriteSettingIn(IRegistry& reg, HKEY root, const std::string& Name, const std::string& Text) {
  SECURITY_ATTRIBUTES security{};
  char noClass[] = "";
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Create(reg, root, kSettingsKeyForWrite, KEY_SET_VALUE, &status, noClass, &security);
  if (!key) return status;
  return reg.RegSetValueExA(key.get(), Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Text.c_str()),
                            static_cast<DWORD>(Text.size() + 1));
}

}  // namespace

LONG WriteSetting(IRegistry& reg, const std::string& Name, const std::string& Text) {
  if (WriteSettingIn(reg, HKEY_LOCAL_MACHINE, Name, Text) != ERROR_SUCCESS)
    return WriteSettingIn(reg, HKEY_CURRENT_USER, Name, Text);
  // The user's own value would hide the machine's from every read.
  if (const RegKey key = RegKey::Open(reg, HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE))
    reg.RegDeleteValueA(key.get(), Name.c_str());
  return ERROR_SUCCESS;
}

bool ReadSetting(IRegistry& reg, const std::string& Name, std::int16_t RequestedType, SettingValue& Value,
                 SettingFailure* failure) {
  if (failure) *failure = {};
  try {
    // The user's own setting first; only the machine's key tells why not.
    return ReadSettingUnguarded(reg, HKEY_CURRENT_USER, Name, RequestedType, Value, nullptr) ||
           ReadSettingUnguarded(reg, HKEY_LOCAL_MACHINE, Name, RequestedType, Value, failure);
  } catch (const std::exception& e) {
    if (failure) *failure = {SettingFailure::Kind::Unexpected, std::string(), Name, ERROR_SUCCESS, e.what()};
    return false;
  }
}

}  // namespace hollin
