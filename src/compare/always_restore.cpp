#include "compare/always_restore.h"

#include <algorithm>

#include "common/text.h"
#include "registry/settings.h"

namespace hollin {

std::vector<std::string> ReadAlwaysRestore(IRegistry& reg) {
  std::vector<std::string> types;
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return types;
  DWORD type = 0, size = 0;
  std::string data;
  LONG status = reg.RegQueryValueExA(key, kAlwaysRestoreValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    data.resize(size);
    status = reg.RegQueryValueExA(key, kAlwaysRestoreValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
    data.resize(status == ERROR_SUCCESS ? size : 0);
  }
  reg.RegCloseKey(key);
  size_t start = 0;
  while (start < data.size()) {
    const size_t end = std::min(data.find('\0', start), data.size());
    std::string name = data.substr(start, end - start);
    if (!name.empty() && !HoldsType(types, name)) types.push_back(std::move(name));
    start = end + 1;
  }
  return types;
}

LONG WriteAlwaysRestore(IRegistry& reg, const std::vector<std::string>& types) {
  HKEY key = nullptr;
  LONG status = reg.RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                    nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::string> kept;
  std::string data;
  for (const auto& t : types)
    if (!t.empty() && !HoldsType(kept, t)) {
      kept.push_back(t);
      data.append(t).push_back('\0');
    }
  if (kept.empty()) {
    status = reg.RegDeleteValueA(key, kAlwaysRestoreValue);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  } else {
    data.push_back('\0');
    status = reg.RegSetValueExA(key, kAlwaysRestoreValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
  }
  reg.RegCloseKey(key);
  return status;
}

bool HoldsType(const std::vector<std::string>& types, const std::string& ext) {
  for (const auto& t : types)
    if (EqualsNoCase(t, ext)) return true;
  return false;
}

}  // namespace hollin
