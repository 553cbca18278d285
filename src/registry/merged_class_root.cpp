#include "registry/merged_class_root.h"

#include <mutex>
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/text.h"

namespace hollin {
namespace {

constexpr const char* kClasses = "Software\\Classes";

// A key of the merged view: its path below the class root and the two keys
// behind it (either may be missing).
struct Merged {
  std::string path;
  HKEY user = nullptr;
  HKEY machine = nullptr;
  std::vector<std::string> names;  // the subkeys of both, once enumerated
  bool listed = false;
};

std::string Join(const std::string& a, LPCSTR b) {
  std::string sub = b ? b : "";
  while (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
  if (sub.empty()) return a;
  return a.empty() ? sub : a + "\\" + sub;
}

}  // namespace

struct MergedClassRoot::Impl {
  // Held by every operation: the scan reads from several threads.
  std::recursive_mutex lock;
  IRegistry& reg;
  std::unordered_map<HKEY, std::unique_ptr<Merged>> merged;

  explicit Impl(IRegistry& r) : reg(r) {}

  Merged* Of(HKEY h) {
    const auto it = merged.find(h);
    return it == merged.end() ? nullptr : it->second.get();
  }
  // The path below the class root of a handle that is one of the view's.
  bool PathOf(HKEY h, std::string& path) {
    if (h == HKEY_CLASSES_ROOT) {
      path.clear();
      return true;
    }
    if (Merged* m = Of(h)) {
      path = m->path;
      return true;
    }
    return false;
  }
  LONG OpenLayer(HKEY root, const std::string& path, REGSAM sam, HKEY& out) {
    return reg.RegOpenKeyExA(root, Join(kClasses, path.c_str()).c_str(), 0, sam, &out);
  }
  HKEY Mint(std::string path, HKEY user, HKEY machine) {
    auto m = std::make_unique<Merged>();
    m->path = std::move(path);
    m->user = user;
    m->machine = machine;
    const HKEY h = reinterpret_cast<HKEY>(m.get());
    merged.emplace(h, std::move(m));
    return h;
  }
  // Opens path in both layers: fails only where neither has it (with the
  // machine classes' status, which tells a refusal from a missing key).
  LONG Open(const std::string& path, REGSAM sam, HKEY& out) {
    HKEY user = nullptr, machine = nullptr;
    const LONG u = OpenLayer(HKEY_CURRENT_USER, path, sam, user);
    LONG m = OpenLayer(HKEY_LOCAL_MACHINE, path, sam, machine);
    // Where the user classes answer, the machine classes still serve what
    // they lack, to be read.
    if (m == ERROR_ACCESS_DENIED && u == ERROR_SUCCESS) OpenLayer(HKEY_LOCAL_MACHINE, path, KEY_READ, machine);
    if (u != ERROR_SUCCESS && m != ERROR_SUCCESS) return m != ERROR_FILE_NOT_FOUND ? m : u;
    if (u != ERROR_SUCCESS) user = nullptr;
    out = Mint(path, user, machine);
    return ERROR_SUCCESS;
  }
  const std::vector<std::string>& Names(Merged& m) {
    if (m.listed) return m.names;
    std::vector<std::string> all;
    for (HKEY layer : {m.user, m.machine}) {
      if (!layer) continue;
      std::vector<char> name(1024);
      for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG r = reg.RegEnumKeyExA(layer, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r == ERROR_SUCCESS) all.emplace_back(name.data(), length);
      }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    for (auto& n : all)
      if (m.names.empty() || !EqualsNoCase(m.names.back(), n)) m.names.push_back(std::move(n));
    m.listed = true;
    return m.names;
  }
  // Where a value of m is written or deleted: the user classes where the
  // key exists there.
  HKEY WriteTarget(const Merged& m) const { return m.user ? m.user : m.machine; }
};

MergedClassRoot::MergedClassRoot(IRegistry& layers) : impl_(std::make_unique<Impl>(layers)) {}
MergedClassRoot::~MergedClassRoot() {
  for (auto& [h, m] : impl_->merged) {
    if (m->user) impl_->reg.RegCloseKey(m->user);
    if (m->machine) impl_->reg.RegCloseKey(m->machine);
  }
}

LONG MergedClassRoot::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                    PHKEY phkResult) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  std::string path;
  if (!impl_->PathOf(hKey, path)) return impl_->reg.RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult);
  return impl_->Open(Join(path, lpSubKey), samDesired, *phkResult);
}

LONG MergedClassRoot::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                                    LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  Merged* m = impl_->Of(hKey);
  HKEY root = nullptr;
  if (hKey == HKEY_CLASSES_ROOT) {
    const LONG r = RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &root);
    if (r != ERROR_SUCCESS) return r;
    m = impl_->Of(root);
  }
  if (!m)
    return impl_->reg.RegEnumKeyExA(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass,
                                    lpftLastWriteTime);
  const std::vector<std::string>& names = impl_->Names(*m);
  LONG r = ERROR_NO_MORE_ITEMS;
  if (dwIndex < names.size()) {
    const std::string& name = names[dwIndex];
    if (name.size() + 1 > *lpcchName) {
      *lpcchName = static_cast<DWORD>(name.size());
      r = ERROR_MORE_DATA;
    } else {
      std::memcpy(lpName, name.c_str(), name.size() + 1);
      *lpcchName = static_cast<DWORD>(name.size());
      r = ERROR_SUCCESS;
    }
  }
  if (root) RegCloseKey(root);
  return r;
}

LONG MergedClassRoot::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                       LPBYTE lpData, LPDWORD lpcbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const Merged* m = impl_->Of(hKey);
  if (!m) return impl_->reg.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
  LONG r = ERROR_FILE_NOT_FOUND;
  if (m->user) r = impl_->reg.RegQueryValueExA(m->user, lpValueName, lpReserved, lpType, lpData, lpcbData);
  if (r == ERROR_FILE_NOT_FOUND && m->machine)
    r = impl_->reg.RegQueryValueExA(m->machine, lpValueName, lpReserved, lpType, lpData, lpcbData);
  return r;
}

LONG MergedClassRoot::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                                     DWORD cbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const Merged* m = impl_->Of(hKey);
  if (!m) return impl_->reg.RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
  return impl_->reg.RegSetValueExA(impl_->WriteTarget(*m), lpValueName, Reserved, dwType, lpData, cbData);
}

LONG MergedClassRoot::RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                                      REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                                      PHKEY phkResult, LPDWORD lpdwDisposition) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  std::string path;
  if (!impl_->PathOf(hKey, path))
    return impl_->reg.RegCreateKeyExA(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
                                      lpSecurityAttributes, phkResult, lpdwDisposition);
  path = Join(path, lpSubKey);
  HKEY user = nullptr;
  if (impl_->OpenLayer(HKEY_CURRENT_USER, path, samDesired, user) == ERROR_SUCCESS) {
    HKEY machine = nullptr;
    if (impl_->OpenLayer(HKEY_LOCAL_MACHINE, path, KEY_READ, machine) != ERROR_SUCCESS) machine = nullptr;
    *phkResult = impl_->Mint(path, user, machine);
    if (lpdwDisposition) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  HKEY machine = nullptr;
  const LONG r =
      impl_->reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, Join(kClasses, path.c_str()).c_str(), Reserved, lpClass,
                                 dwOptions, samDesired, lpSecurityAttributes, &machine, lpdwDisposition);
  if (r != ERROR_SUCCESS) return r;
  *phkResult = impl_->Mint(path, nullptr, machine);
  return ERROR_SUCCESS;
}

LONG MergedClassRoot::RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const Merged* m = impl_->Of(hKey);
  if (!m) return impl_->reg.RegDeleteValueA(hKey, lpValueName);
  return impl_->reg.RegDeleteValueA(impl_->WriteTarget(*m), lpValueName);
}

LONG MergedClassRoot::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                    LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const Merged* m = impl_->Of(hKey);
  if (!m)
    return impl_->reg.RegEnumValueA(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData,
                                    lpcbData);
  // The user classes' values, then those of the machine classes the user
  // classes do not have.
  DWORD index = dwIndex;
  if (m->user) {
    const LONG r =
        impl_->reg.RegEnumValueA(m->user, index, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
    if (r != ERROR_NO_MORE_ITEMS) return r;
    DWORD count = 0;
    char probe[1];
    for (DWORD size = 1;; ++count, size = 1)
      if (impl_->reg.RegEnumValueA(m->user, count, probe, &size, nullptr, nullptr, nullptr, nullptr) ==
          ERROR_NO_MORE_ITEMS)
        break;
    index -= count;
  }
  if (!m->machine) return ERROR_NO_MORE_ITEMS;
  std::vector<char> name(16384);
  for (DWORD i = 0, shown = 0;; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    const LONG r = impl_->reg.RegEnumValueA(m->machine, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) return r;
    const std::string value(name.data(), size);
    if (m->user && impl_->reg.RegQueryValueExA(m->user, value.c_str(), nullptr, nullptr, nullptr, nullptr) !=
                       ERROR_FILE_NOT_FOUND)
      continue;  // the user classes' own shadows it
    if (shown++ == index)
      return impl_->reg.RegEnumValueA(m->machine, i, lpValueName, lpcchValueName, lpReserved, lpType, lpData,
                                      lpcbData);
  }
}

// A merged key tells the counts and time of its user classes' key where
// that exists (the one a write lands in), else of the machine classes'.
LONG MergedClassRoot::RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const Merged* m = impl_->Of(hKey);
  return impl_->reg.RegQueryInfoKeyA(m ? impl_->WriteTarget(*m) : hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys,
                                     lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen,
                                     lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

LONG MergedClassRoot::RegCloseKey(HKEY hKey) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto it = impl_->merged.find(hKey);
  if (it == impl_->merged.end()) return impl_->reg.RegCloseKey(hKey);
  if (it->second->user) impl_->reg.RegCloseKey(it->second->user);
  if (it->second->machine) impl_->reg.RegCloseKey(it->second->machine);
  impl_->merged.erase(it);
  return ERROR_SUCCESS;
}

bool MergedClassRoot::ConcurrentReads() const { return impl_->reg.ConcurrentReads(); }

}  // namespace hollin
