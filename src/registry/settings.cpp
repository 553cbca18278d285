#include "registry/settings.h"

#include <cstring>
#include <exception>

#include "common/names.h"
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
  HKEY key = nullptr;
  // Reading asks for no more than reading: a standard user may read the
  // machine-wide key but not open it for writing.
  LONG status = reg.RegOpenKeyExA(root, kSettingsKey, 0, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) {
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
    status = reg.RegQueryValueExA(key, Name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text), &count);
  } else if (RequestedType == 4) {
    count = sizeof number;
    status = reg.RegQueryValueExA(key, Name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&number), &count);
  }
  if (status != ERROR_SUCCESS) {
    if (ShowErrors)
      ShowRegistryError(box, "Error Retrieving Registry Key Entry:\r\nKey=" +
                                 Name + "\r\nDLL Returned=" +
                                 std::to_string(status));
    reg.RegCloseKey(key);
    return false;
  }
  reg.RegCloseKey(key);

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
  HKEY key = nullptr;
  SECURITY_ATTRIBUTES security{};
  char noClass[] = "";
  LONG status = reg.RegCreateKeyExA(root, kSettingsKeyForWrite, 0, noClass, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, &security, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = reg.RegSetValueExA(key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Text.c_str()),
                              static_cast<DWORD>(Text.size() + 1));
  reg.RegCloseKey(key);
  return status;
}

}  // namespace

LONG WriteSetting(IRegistry& reg, const std::string& Name, const std::string& Text) {
  if (WriteSettingIn(reg, HKEY_LOCAL_MACHINE, Name, Text) != ERROR_SUCCESS)
    return WriteSettingIn(reg, HKEY_CURRENT_USER, Name, Text);
  // The user's own value would hide the machine's from every read.
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    reg.RegDeleteValueA(key, Name.c_str());
    reg.RegCloseKey(key);
  }
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
