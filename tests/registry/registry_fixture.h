// The registries that the registry-layer tests run against, and a private
// key for each test.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace hollin::test {

struct RegistryUnderTest {
  std::string name;  // a test-name suffix: "Store", "Win32"
  std::function<std::unique_ptr<IRegistry>()> make;
};
void PrintTo(const RegistryUnderTest& r, std::ostream* os);

// The store always; in the Windows build the system registry too.
std::vector<RegistryUnderTest> RegistriesUnderTest();

// A fresh key unique to one test, HKEY_CURRENT_USER\Software\HollinTest\<id>,
// created and opened with KEY_ALL_ACCESS. At destruction the handle is closed
// and, in the system registry, the key is deleted with everything below it.
class Sandbox {
 public:
  explicit Sandbox(IRegistry& reg);
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  HKEY root() const { return key_; }                    // the open key
  const std::string& path() const { return path_; }     // below base()
  static HKEY base() { return HKEY_CURRENT_USER; }

 private:
  IRegistry& reg_;
  HKEY key_ = nullptr;
  std::string path_;
};

}  // namespace hollin::test
