// A key of the registry that the program opened: closed when its owner goes,
// moved but never copied, so that no way out of a function leaves one open.
#pragma once

#include <string>
#include <utility>

#include "registry/registry.h"

namespace hollin {

class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(RegKey&& other) noexcept : reg_(other.reg_), key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      reg_ = other.reg_;
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // parent\path opened with the access asked for (RegOpenKeyExA); an empty
  // key where it cannot be. status, where given, is the call's.
  static RegKey Open(IRegistry& reg, HKEY parent, const std::string& path, REGSAM access, LONG* status = nullptr);

  // parent\path opened, or made where it is missing (RegCreateKeyExA: a
  // lasting key). keyClass and security as the call takes them; none by
  // default.
  static RegKey Create(IRegistry& reg, HKEY parent, const std::string& path, REGSAM access, LONG* status = nullptr,
                       LPSTR keyClass = nullptr, const SECURITY_ATTRIBUTES* security = nullptr);

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

  // Closes the key now (nothing where it is empty).
  void Close();

 private:
  RegKey(IRegistry& reg, HKEY key) : reg_(&reg), key_(key) {}

  IRegistry* reg_ = nullptr;
  HKEY key_ = nullptr;
};

// Whether a status tells of a key that is there but may not be read with
// the caller's rights, as against one that is not there.
inline bool ReadRefused(LONG status) { return status == ERROR_ACCESS_DENIED; }

// Whether parent\path exists and may be read: opened for its values and
// closed again. A null parent holds nothing.
bool KeyExists(IRegistry& reg, HKEY parent, const std::string& path);

}  // namespace hollin
