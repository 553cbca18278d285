#include "registry/settings.h"

#include <cstring>
#include <exception>

#include "common/names.h"
#include "registry/reg_key.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

constexpr const char* kRegistryBoxTitle = "ODBC Registry";

void ShowRegistryError(IMessageBox& box, const std::string& text) {
  box.Show({text, MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
            kRegistryBoxTitle});
}

bool ReadSettingUnguarded(IRegistry& reg, HKEY root, IMessageBox& box,
                          const std::string& Name, std::int16_t RequestedType,
                          SettingValue& Value, bool ShowErrors) {
  // Reading asks for no more than reading: a standard user may read the
  // machine-wide key but not open it for writing.
  LONG status = ERROR_SUCCESS;
  RegKey key = RegKey::Open(reg, root, kSettingsKey, KEY_QUERY_VALUE, &status);
  if (!key) {
    if (ShowErrors)
      ShowRegistryError(box, std::string("Error Opening Registry Key Entry:\r\n") +
                                 "Key/Path=" + kSettingsKey + "\r\n" +
                                 "DLL Returned=" + std::to_string(status));
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
    if (ShowErrors)
      ShowRegistryError(box, "Error Retrieving Registry Key Entry:\r\nKey=" +
                                 Name + "\r\nDLL Returned=" +
                                 std::to_string(status));
    return false;
  }
  key.Close();

  if (type == REG_SZ) {
    // The text lies in whichever buffer the query filled.
    const char* data = RequestedType == 1 ? text : reinterpret_cast<const char*>(&number);
    std::string read(data, count);
    Value = TrimRegString(read);
  } else if (type == REG_DWORD) {
    Value = RequestedType == 4 ? number : std::int32_t{0};
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

bool ReadSetting(IRegistry& reg, IMessageBox& box, const std::string& Name,
                 std::int16_t RequestedType, SettingValue& Value, bool ShowErrors) {
  try {
    // The user's own setting first; only the machine's key reports errors.
    return ReadSettingUnguarded(reg, HKEY_CURRENT_USER, box, Name, RequestedType, Value, false) ||
           ReadSettingUnguarded(reg, HKEY_LOCAL_MACHINE, box, Name, RequestedType, Value, ShowErrors);
  } catch (const std::exception& e) {
    box.Show({e.what(), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
              kProductName});
    return false;
  }
}

}  // namespace hollin
