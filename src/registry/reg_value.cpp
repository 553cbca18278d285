#include "registry/reg_value.h"

#include <algorithm>
#include <string_view>

#include "registry/reg_key.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

// A value's bytes, whatever their length. The usual value fits on the stack
// (small); a longer one is read again into data with the size the registry
// asks for, allowing for one that grows in between. bytes is what was read,
// in either; type is REG_NONE where the query failed.
LONG Query(IRegistry& reg, HKEY key, const char* name, DWORD& type, char (&small)[256], std::string& data,
           std::string_view& bytes) {
  type = REG_NONE;
  bytes = {};
  DWORD size = sizeof small;
  LONG status = reg.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(small), &size);
  if (status == ERROR_SUCCESS) {
    bytes = std::string_view(small, size < sizeof small ? size : sizeof small);
    return status;
  }
  for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
    data.assign(size > data.size() ? size : data.size() * 2, '\0');
    size = static_cast<DWORD>(data.size());
    status = reg.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (status != ERROR_SUCCESS) {
    type = REG_NONE;
    return status;
  }
  data.resize(size < data.size() ? size : data.size());
  bytes = data;
  return status;
}

}  // namespace

std::string ReadValue(IRegistry& reg, HKEY base, const std::string& path, const char* name, DWORD& type) {
  type = REG_NONE;
  const RegKey key = RegKey::Open(reg, base, path, KEY_QUERY_VALUE);
  return key ? ReadOpenValue(reg, key.get(), name, type) : std::string();
}

std::string ReadOpenValue(IRegistry& reg, HKEY key, const char* name, DWORD& type, LONG* status) {
  char small[256];
  std::string data;
  std::string_view bytes;
  const LONG r = Query(reg, key, name, type, small, data, bytes);
  if (status) *status = r;
  return std::string(TrimRegView(bytes));
}

std::vector<std::string> ReadMultiText(IRegistry& reg, HKEY key, const char* name) {
  std::vector<std::string> texts;
  char small[256];
  std::string data;
  std::string_view bytes;
  DWORD type = REG_NONE;
  if (Query(reg, key, name, type, small, data, bytes) != ERROR_SUCCESS || type != REG_MULTI_SZ) return texts;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = std::min(bytes.find('\0', start), bytes.size());
    if (end > start) texts.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return texts;
}

bool HasValue(IRegistry& reg, HKEY key, const char* name) {
  DWORD size = 0;
  return reg.RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

}  // namespace hollin
