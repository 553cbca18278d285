#include "registry/open_command.h"

#include <cstdio>
#include <stdexcept>

#include "registry/reg_key.h"
#include "registry/scan.h"

namespace hollin {

std::string GetOpenCommand(IRegistry& reg, const std::string& className) {
  std::string command = ReadDefaultValue(reg, HKEY_CLASSES_ROOT, className + std::string(kOpenCommandKey));
  size_t p = command.find("%1");
  if (p == std::string::npos) return command;
  if (p > 0 && command[p - 1] == '"') --p;
  return command.substr(0, p);
}

bool GetKeyValue(IRegistry& reg, HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
  // Reading needs no more: a standard user may not open a machine-wide key
  // for writing.
  const RegKey key = RegKey::Open(reg, KeyRoot, KeyName, KEY_READ);
  if (!key) {
    KeyVal.clear();
    return false;
  }
  std::string buffer(1024, '\0');
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(buffer.size());
  if (reg.RegQueryValueExA(key.get(), SubKeyRef.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    KeyVal.clear();
    return false;
  }
  // The error names the value (key\value); its one caller, the About box,
  // ends every failure in a message of its own.
  if (size == 0) throw std::runtime_error(KeyName + "\\" + SubKeyRef);
  if (type == REG_DWORD && size >= 4) {
    unsigned number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(buffer[static_cast<size_t>(i)]);
    char text[16];
    std::snprintf(text, sizeof text, "&h%X", number);
    KeyVal = text;
  } else if (type == REG_SZ) {
    // Cut at the data size, less a terminating NUL.
    buffer.resize(buffer[size - 1] == '\0' ? size - 1 : size);
    KeyVal = buffer;
  }
  return true;
}

}  // namespace hollin
