// Laying out a registry for a test: a key's default value as text.
#pragma once

#include <string>

#include "registry/registry.h"

namespace hollin::test {

// Sets the default value of root\path to text (REG_SZ), making the keys on
// the way; the status of the first step that fails.
inline LONG SetDefault(IRegistry& reg, HKEY root, const std::string& path, const std::string& text) {
  HKEY key = nullptr;
  LONG r = reg.RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                               &key, nullptr);
  if (r != ERROR_SUCCESS) return r;
  r = reg.RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  reg.RegCloseKey(key);
  return r;
}

}  // namespace hollin::test
