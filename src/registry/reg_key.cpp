#include "registry/reg_key.h"

namespace hollin {

RegKey RegKey::Open(IRegistry& reg, HKEY parent, const std::string& path, REGSAM access, LONG* status) {
  HKEY key = nullptr;
  const LONG r = reg.RegOpenKeyExA(parent, path.c_str(), 0, access, &key);
  if (status) *status = r;
  return r == ERROR_SUCCESS ? RegKey(reg, key) : RegKey();
}

RegKey RegKey::Create(IRegistry& reg, HKEY parent, const std::string& path, REGSAM access, LONG* status,
                      LPSTR keyClass, const SECURITY_ATTRIBUTES* security) {
  HKEY key = nullptr;
  const LONG r = reg.RegCreateKeyExA(parent, path.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, access, security,
                                     &key, nullptr);
  if (status) *status = r;
  return r == ERROR_SUCCESS ? RegKey(reg, key) : RegKey();
}

void RegKey::Close() {
  if (key_) reg_->RegCloseKey(std::exchange(key_, nullptr));
}

bool KeyExists(IRegistry& reg, HKEY parent, const std::string& path) {
  return parent && RegKey::Open(reg, parent, path, KEY_QUERY_VALUE);
}

}  // namespace hollin
