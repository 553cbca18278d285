#include "support/registry_store.h"

#include <mutex>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "common/text.h"
#include "common/wtf8.h"
#include "support/reg_file.h"

namespace hollin {
namespace {

// Status codes and access bits beyond those the rest of the program names.
constexpr LONG kErrorNoAccess = 998;            // ERROR_NOACCESS
constexpr LONG kErrorKeyDeleted = 1018;         // ERROR_KEY_DELETED
constexpr REGSAM kAllKeyRights = KEY_ALL_ACCESS;
// The root keys the store keeps, in the order of its roots.
const HKEY kRoots[4] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};

struct Value {
  std::string name;  // as first written
  DWORD type = REG_NONE;
  std::string data;
};

struct Key {
  std::string name;    // as first created
  std::string folded;  // FoldCase(name): the key's identity among its siblings
  Key* parent = nullptr;
  int depth = 0;       // levels below its root key
  bool deleted = false;
  std::unordered_map<std::string, std::shared_ptr<Key>> children;  // by folded name
  // The children in enumeration order, rebuilt on the first enumeration after
  // a change, so that walking the indexes is linear overall.
  std::vector<Key*> sorted;
  bool sortedValid = true;
  std::map<std::string, Value> values;  // by folded name; "" is the default
  FILETIME written{};
};

struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access = 0;
};

// The time ticks (of 100 ns) after 1970 as the registry keeps it.
FILETIME FileTime(std::int64_t ticks) {
  const std::int64_t t = ticks + 116444736000000000LL;  // 1601-01-01 to 1970-01-01
  return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFF), static_cast<DWORD>(t >> 32)};
}

FILETIME Now() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  return FileTime(std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch()).count());
}

// A subkey path split at backslashes; empty parts (a leading, doubled or
// trailing backslash) are dropped.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const size_t s = path.find('\\');
    if (s != 0) parts.push_back(path.substr(0, s));
    if (s == std::string_view::npos) break;
    path.remove_prefix(s + 1);
  }
  return parts;
}

std::string_view View(LPCSTR s) { return s ? std::string_view(s) : std::string_view(); }

// A name or a text as the registry keeps it: WTF-8 as it comes back from
// UTF-16 (a byte that begins no character becomes U+FFFD, a pair written as
// two halves its character), as the Win32 binding converts it.
std::string In(LPCSTR s) { return AsWtf8(View(s)); }

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A string value that lacks its terminating NUL is handed out with one added,
// and counted, as the ANSI functions do.
size_t ReportedSize(const Value& v) {
  return v.data.size() + (IsText(v.type) && !v.data.empty() && v.data.back() != '\0' ? 1 : 0);
}

void CopyOut(const Value& v, LPBYTE out) {
  std::memcpy(out, v.data.data(), v.data.size());
  if (ReportedSize(v) > v.data.size()) out[v.data.size()] = 0;
}

}  // namespace

struct RegistryStore::Impl {
  // Held by every operation: the scan reads from several threads.
  std::recursive_mutex lock;
  std::shared_ptr<Key> roots[4];
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t nextHandle = 0x1000;
  std::set<std::uintptr_t> closed;  // numbers to give out again
  std::map<std::string, REGSAM> limits;  // rights granted, by folded full path

  Impl() {
    for (int i = 0; i < 4; ++i) {
      roots[i] = std::make_shared<Key>();
      roots[i]->name = RootKeyName(kRoots[i]);
      roots[i]->folded = FoldCase(roots[i]->name);
      roots[i]->written = Now();
    }
    // The class root is the machine classes, as on Wine; a MergedClassRoot
    // over the store merges the user classes over them, as Windows does.
    Key* made = CreatePath(roots[2].get(), "Software\\Classes");
    classesOwner = made->parent->children.at(made->folded);
    classes = made;
  }
  std::shared_ptr<Key> classesOwner;  // kept even should the key be deleted
  Key* classes = nullptr;  // HKLM\Software\Classes, which HKEY_CLASSES_ROOT opens

  static int RootIndex(HKEY h) {
    const auto at = std::find(std::begin(kRoots), std::end(kRoots), h);
    return at == std::end(kRoots) ? -1 : static_cast<int>(at - std::begin(kRoots));
  }

  // The key and the rights behind a handle, or the status that refuses it.
  struct Held {
    LONG status;
    Key* key;
    REGSAM access;
  };
  Held Resolve(HKEY h) {
    const int root = RootIndex(h);
    if (root >= 0) return {ERROR_SUCCESS, root == 0 ? classes : roots[root].get(), kAllKeyRights};
    const auto it = handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == handles.end()) return {ERROR_INVALID_HANDLE, nullptr, 0};
    Key* key = it->second.key.get();
    return {key->deleted ? kErrorKeyDeleted : ERROR_SUCCESS, key, it->second.access};
  }

  // A handle numbered as the system numbers them: the lowest number closed
  // is given out again first.
  HKEY NewHandle(Key* key, REGSAM access) {
    std::uintptr_t id = nextHandle;
    if (closed.empty()) nextHandle += 4;
    else id = closed.extract(closed.begin()).value();
    std::shared_ptr<Key> owner =
        key->parent ? key->parent->children.at(key->folded) : roots[IndexOfRoot(key)];
    handles.emplace(id, OpenKey{std::move(owner), access});
    return reinterpret_cast<HKEY>(id);
  }

  int IndexOfRoot(const Key* key) const {
    for (int i = 0; i < 4; ++i)
      if (roots[i].get() == key) return i;
    return -1;
  }

  static Key* Find(Key* key, std::string_view path) {
    for (std::string_view part : SplitPath(path)) {
      const auto it = key->children.find(FoldCase(part));
      if (it == key->children.end()) return nullptr;
      key = it->second.get();
    }
    return key;
  }

  // Whether the keys of path below key stay within the registry's limits
  // (kMaxKeyDepth, kMaxKeyNameLength).
  static bool WithinLimits(const Key* key, std::string_view path) {
    const std::vector<std::string_view> parts = SplitPath(path);
    if (key->depth + static_cast<std::int64_t>(parts.size()) > kMaxKeyDepth) return false;
    for (std::string_view part : parts)
      if (Utf16Length(part) > kMaxKeyNameLength) return false;
    return true;
  }

  static Key* AddChild(Key* parent, std::string_view name) {
    auto child = std::make_shared<Key>();
    child->name = std::string(name);
    child->folded = FoldCase(name);
    child->parent = parent;
    child->depth = parent->depth + 1;
    child->written = Now();
    Key* raw = child.get();
    parent->children.emplace(raw->folded, std::move(child));
    parent->sortedValid = false;
    return raw;
  }

  // The key at path below key, made with the keys on the way; createdTop
  // (if given) is set to the first key made.
  static Key* CreatePath(Key* key, std::string_view path, Key** createdTop = nullptr) {
    for (std::string_view part : SplitPath(path)) {
      const auto it = key->children.find(FoldCase(part));
      if (it != key->children.end()) {
        key = it->second.get();
      } else {
        key = AddChild(key, part);
        if (createdTop && !*createdTop) *createdTop = key;
      }
    }
    return key;
  }

  static void MarkDeleted(Key* top) {
    std::vector<Key*> pending{top};
    while (!pending.empty()) {
      Key* key = pending.back();
      pending.pop_back();
      key->deleted = true;
      for (auto& [name, child] : key->children) pending.push_back(child.get());
    }
  }

  static void RemoveKey(Key* key) {
    MarkDeleted(key);
    Key* parent = key->parent;
    parent->sortedValid = false;
    parent->children.erase(key->folded);  // frees key unless a handle holds it
  }

  static const std::vector<Key*>& Sorted(Key* key) {
    if (!key->sortedValid) {
      key->sorted.clear();
      key->sorted.reserve(key->children.size());
      for (auto& [name, child] : key->children) key->sorted.push_back(child.get());
      std::sort(key->sorted.begin(), key->sorted.end(), [](const Key* a, const Key* b) {
        return CompareNoCase(a->folded, b->folded) < 0;
      });
      key->sortedValid = true;
    }
    return key->sorted;
  }

  std::string FoldedPathOf(const Key* key) const {
    std::vector<const std::string*> parts;
    for (; key; key = key->parent) parts.push_back(&key->folded);
    std::string path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
      if (!path.empty()) path.push_back('\\');
      path.append(**it);
    }
    return path;
  }

  // The rights a handle to key gets when asked for sam, or ERROR_ACCESS_DENIED
  // when any of them is not granted. (The program asks for specific rights
  // only: generic rights and MAXIMUM_ALLOWED grant nothing here.)
  LONG Admit(const Key* key, REGSAM sam, REGSAM& granted) const {
    granted = sam & kAllKeyRights;
    if (limits.empty()) return ERROR_SUCCESS;
    const auto it = limits.find(FoldedPathOf(key));
    return it != limits.end() && (granted & ~it->second) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
  }

  static void SetValue(Key* key, std::string_view name, DWORD type, std::string data) {
    std::string folded = FoldCase(name);
    auto it = key->values.find(folded);
    if (it == key->values.end())
      it = key->values.emplace(std::move(folded), Value{std::string(name), type, {}}).first;
    it->second.type = type;
    it->second.data = std::move(data);
    key->written = Now();
  }

  void Apply(const RegFileContent& content) {
    for (const RegFileKey& entry : content.keys) {
      Key* root = entry.root == HKEY_CLASSES_ROOT ? classes : roots[RootIndex(entry.root)].get();
      if (entry.remove) {
        if (Key* key = Find(root, entry.path); key && key != root) RemoveKey(key);
        continue;
      }
      Key* key = CreatePath(root, entry.path);
      for (const RegFileValue& v : entry.values) {
        if (v.remove) {
          key->values.erase(FoldCase(v.name));
        } else {
          SetValue(key, v.name, v.type, v.data);
        }
      }
    }
  }

  // The keys under root in enumeration order, depth first without recursion.
  // A key without values that has subkeys gets no entry of its own: the
  // entries of its subkeys make it again. So each entry is a key that holds
  // something, and a chain of empty keys is written as one line.
  void Collect(Key* root, HKEY rootKey, RegFileContent& out) const {
    struct Frame {
      Key* key;
      size_t pathLength;  // of the parent's path
    };
    std::vector<Frame> pending{{root, 0}};
    std::string path;
    while (!pending.empty()) {
      const Frame frame = pending.back();
      pending.pop_back();
      path.resize(frame.pathLength);
      if (frame.key != root) {
        if (!path.empty()) path.push_back('\\');
        path.append(frame.key->name);
      }
      const std::vector<Key*>& children = Sorted(frame.key);
      if (!frame.key->values.empty() || (frame.key != root && children.empty())) {
        RegFileKey entry;
        entry.root = rootKey;
        entry.path = path;
        for (const auto& [folded, v] : frame.key->values)
          entry.values.push_back(RegFileValue{v.name, false, v.type, v.data});
        out.keys.push_back(std::move(entry));
      }
      for (auto it = children.rbegin(); it != children.rend(); ++it)
        pending.push_back({*it, path.size()});
    }
  }

  std::string ToText() const {
    RegFileContent content;
    for (int i = 1; i < 4; ++i) Collect(roots[i].get(), kRoots[i], content);
    return FormatRegFile(content);
  }
};

RegistryStore::RegistryStore() : impl_(std::make_unique<Impl>()) {}

RegistryStore::~RegistryStore() = default;

LONG RegistryStore::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/,
                                  REGSAM samDesired, PHKEY phkResult) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  const std::string path = In(lpSubKey);
  // An empty path on a root key gives the root key itself.
  if (SplitPath(path).empty() && Impl::RootIndex(hKey) >= 0) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  Key* target = Impl::Find(key, path);
  if (!target) return ERROR_FILE_NOT_FOUND;
  REGSAM granted;
  if (LONG r = impl_->Admit(target, samDesired, granted)) return r;
  *phkResult = impl_->NewHandle(target, granted);
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                  LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                  PFILETIME lpftLastWriteTime) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (lpReserved || !lpcchName) return ERROR_INVALID_PARAMETER;
  if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  const std::vector<Key*>& children = Impl::Sorted(key);
  if (dwIndex >= children.size()) return ERROR_NO_MORE_ITEMS;
  const Key* child = children[dwIndex];
  // The buffer must hold the name and its NUL; when it does not, the count
  // is left as it was.
  if (*lpcchName <= child->name.size()) return ERROR_MORE_DATA;
  if (!lpName) return ERROR_INVALID_PARAMETER;
  std::memcpy(lpName, child->name.c_str(), child->name.size() + 1);
  *lpcchName = static_cast<DWORD>(child->name.size());
  if (lpcchClass) {
    if (lpClass && *lpcchClass > 0) lpClass[0] = '\0';
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = child->written;
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                     LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  if (lpType) *lpType = REG_NONE;  // what a failed query reports
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const auto it = key->values.find(FoldCase(In(lpValueName)));
  if (it == key->values.end()) return ERROR_FILE_NOT_FOUND;
  const size_t size = ReportedSize(it->second);
  if (lpType) *lpType = it->second.type;
  if (lpData && *lpcbData < size) {
    *lpcbData = static_cast<DWORD>(size);
    return ERROR_MORE_DATA;
  }
  if (lpcbData) *lpcbData = static_cast<DWORD>(size);
  if (lpData) CopyOut(it->second, lpData);
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!lpData && cbData > 0) return kErrorNoAccess;
  const std::string name = In(lpValueName);
  if (Utf16Length(name) > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  if (IsText(dwType)) data = AsWtf8(data);
  Impl::SetValue(key, name, dwType, std::move(data));
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                                    LPSTR /*lpClass*/, DWORD /*dwOptions*/, REGSAM samDesired,
                                    const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/,
                                    PHKEY phkResult, LPDWORD lpdwDisposition) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  if (Reserved != 0 || !phkResult) return ERROR_INVALID_PARAMETER;
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  const std::string path = In(lpSubKey);
  const bool emptyPath = SplitPath(path).empty();
  if (!Impl::WithinLimits(key, path)) return ERROR_INVALID_PARAMETER;
  Key* created = nullptr;
  Key* target = Impl::CreatePath(key, path, &created);
  REGSAM granted;
  if (LONG r = impl_->Admit(target, samDesired, granted)) {
    if (created) Impl::RemoveKey(created);  // a refused create leaves no key
    return r;
  }
  *phkResult = impl_->NewHandle(target, granted);
  // As the platform does, an empty path reports a new key, though it is not.
  if (lpdwDisposition)
    *lpdwDisposition = created || emptyPath ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  const auto it = key->values.find(FoldCase(In(lpValueName)));
  if (it == key->values.end()) return ERROR_FILE_NOT_FOUND;
  key->values.erase(it);
  key->written = Now();
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                  LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  // Values enumerate in the order of their folded names (the platform
  // promises no order); the walk to an index is linear, as keys hold few.
  if (dwIndex >= key->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = std::next(key->values.begin(), dwIndex)->second;
  // The name and its NUL must fit; when they do not, nothing is stored.
  if (*lpcchValueName <= v.name.size()) return ERROR_MORE_DATA;
  const size_t size = ReportedSize(v);
  if (lpData && *lpcbData < size) {
    *lpcbData = static_cast<DWORD>(size);
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpValueName, v.name.c_str(), v.name.size() + 1);
  *lpcchValueName = static_cast<DWORD>(v.name.size());
  if (lpType) *lpType = v.type;
  if (lpcbData) *lpcbData = static_cast<DWORD>(size);
  if (lpData) CopyOut(v, lpData);
  return ERROR_SUCCESS;
}

LONG RegistryStore::RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto [status, key, access] = impl_->Resolve(hKey);
  if (status) return status;
  if (lpReserved || lpClass) return ERROR_INVALID_PARAMETER;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  // The counts and the time; the longest names and data, which nothing here
  // asks for, are refused.
  if (lpcchClass || lpcbMaxSubKeyLen || lpcbMaxClassLen || lpcbMaxValueNameLen || lpcbMaxValueLen ||
      lpcbSecurityDescriptor)
    return ERROR_INVALID_PARAMETER;
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key->children.size());
  if (lpcValues) *lpcValues = static_cast<DWORD>(key->values.size());
  if (lpftLastWriteTime) *lpftLastWriteTime = key->written;
  return ERROR_SUCCESS;
}

void RegistryStore::SetLastWriteTime(HKEY root, const std::string& path, std::int64_t secondsSince1970) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const auto held = impl_->Resolve(root);
  Key* key = held.status ? nullptr : held.key;
  if (key && !path.empty()) key = Impl::Find(key, path);
  if (!key) return;
  key->written = FileTime(secondsSince1970 * 10000000);
}

LONG RegistryStore::RegCloseKey(HKEY hKey) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  if (Impl::RootIndex(hKey) >= 0) return ERROR_SUCCESS;
  const auto id = reinterpret_cast<std::uintptr_t>(hKey);
  if (!impl_->handles.erase(id)) return ERROR_INVALID_HANDLE;
  impl_->closed.insert(id);
  return ERROR_SUCCESS;
}

void RegistryStore::LoadText(std::string_view text, const std::string& source) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const RegFileContent content = ParseRegFile(text, source);
  impl_->Apply(content);
}

std::string RegistryStore::ToText() const {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  return impl_->ToText();
}

namespace {
// root\path as the limits are kept, or "" for an unknown root.
std::string FoldedKeyPath(HKEY root, const std::string& path) {
  const char* rootName = RootKeyName(root);
  if (!rootName) return std::string();
  std::string folded = FoldCase(root == HKEY_CLASSES_ROOT ? "HKEY_LOCAL_MACHINE\\Software\\Classes" : rootName);
  for (std::string_view part : SplitPath(path)) folded.append("\\").append(FoldCase(part));
  return folded;
}
}  // namespace

void RegistryStore::AllowOnly(HKEY root, const std::string& path, REGSAM rights) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  const std::string key = FoldedKeyPath(root, path);
  if (!key.empty()) impl_->limits[key] = rights & kAllKeyRights;
}

void RegistryStore::DenyAccess(HKEY root, const std::string& path, REGSAM mask) {
  const std::lock_guard<std::recursive_mutex> hold(impl_->lock);
  if (mask) AllowOnly(root, path, kAllKeyRights & ~mask);
  else impl_->limits.erase(FoldedKeyPath(root, path));
}

}  // namespace hollin
