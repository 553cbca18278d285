#include "compare/always_restore.h"

#include <algorithm>
#include <string_view>

#include "common/text.h"
#include "registry/reg_key.h"
#include "registry/reg_value.h"
#include "registry/settings.h"

namespace hollin {

std::vector<std::string> ReadAlwaysRestore(IRegistry& reg, DWORD* otherType) {
  std::vector<std::string> types;
  if (otherType) *otherType = REG_NONE;
  const RegKey key = RegKey::Open(reg, HKEY_CURRENT_USER, kSettingsKey, KEY_QUERY_VALUE);
  if (!key) return types;
  auto add = [&types](std::string name) {
    if (!name.empty() && !HoldsType(types, name)) types.push_back(std::move(name));
  };
  DWORD type = REG_NONE;
  LONG status = ERROR_SUCCESS;
  const std::string text = ReadOpenValue(reg, key.get(), kAlwaysRestoreValue, type, &status);
  if (status != ERROR_SUCCESS) return types;
  if (type == REG_MULTI_SZ) {
    for (std::string& name : ReadMultiText(reg, key.get(), kAlwaysRestoreValue)) add(std::move(name));
  } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
    for (size_t at = 0; at <= text.size();) {
      const size_t end = std::min(text.find_first_of(",;", at), text.size());
      std::string_view name = std::string_view(text).substr(at, end - at);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
      add(std::string(name));
      at = end + 1;
    }
  } else if (otherType) {
    *otherType = type;
  }
  return types;
}

LONG WriteAlwaysRestore(IRegistry& reg, const std::vector<std::string>& types) {
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Create(reg, HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE, &status);
  if (!key) return status;
  std::vector<std::string> kept;
  std::string data;
  for (const auto& t : types)
    if (!t.empty() && !HoldsType(kept, t)) {
      kept.push_back(t);
      data.append(t).push_back('\0');
    }
  if (kept.empty()) {
    status = reg.RegDeleteValueA(key.get(), kAlwaysRestoreValue);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  } else {
    data.push_back('\0');
    status = reg.RegSetValueExA(key.get(), kAlwaysRestoreValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
  }
  return status;
}

bool HoldsType(const std::vector<std::string>& types, const std::string& ext) {
  for (const auto& t : types)
    if (EqualsNoCase(t, ext)) return true;
  return false;
}

}  // namespace hollin
