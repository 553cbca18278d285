// Laying out a registry for a test: a value as bytes of a type, or a key's
// default value as text.
#pragma once

#include <string>

#include "registry/registry.h"

namespace hollin::test {

// Stores a value of root\path as the bytes given and of that type, making
// the keys on the way (the last opened for access); the status of the first
// step that fails.
inline LONG SetRegValue(IRegistry& reg, HKEY root, const std::string& path, const char* name, DWORD type,
                        const std::string& bytes, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  LONG r = reg.RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
  if (r == ERROR_SUCCESS) {
    r = reg.RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    reg.RegCloseKey(key);
  }
  return r;
}

// Sets the default value of root\path to text (REG_SZ).
inline LONG SetDefault(IRegistry& reg, HKEY root, const std::string& path, const std::string& text) {
  return SetRegValue(reg, root, path, "", REG_SZ, text + '\0', KEY_SET_VALUE);
}

}  // namespace hollin::test
