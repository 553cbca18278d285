#include "compare/always_restore.h"

#include <algorithm>

#include "common/text.h"
#include "registry/reg_key.h"
#include "registry/reg_value.h"
#include "registry/settings.h"

namespace hollin {

std::vector<std::string> ReadAlwaysRestore(IRegistry& reg) {
  std::vector<std::string> types;
  const RegKey key = RegKey::Open(reg, HKEY_CURRENT_USER, kSettingsKey, KEY_QUERY_VALUE);
  if (!key) return types;
  for (std::string& name : ReadMultiText(reg, key.get(), kAlwaysRestoreValue))
    if (!HoldsType(types, name)) types.push_back(std::move(name));
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
