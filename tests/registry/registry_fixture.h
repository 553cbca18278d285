// The registries that the registry-layer tests run against, and a private
// key for each test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "support/registry_store.h"
#include "support/registry_values.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin::test {

struct RegistryUnderTest {
  std::string name;  // a test-name suffix: "Store", "Win32"
  std::function<std::unique_ptr<IRegistry>()> make;
};
inline void PrintTo(const RegistryUnderTest& r, std::ostream* os) { *os << r.name; }

// The store always; in the Windows build the system registry too.
inline std::vector<RegistryUnderTest> RegistriesUnderTest() {
  std::vector<RegistryUnderTest> all{{"Store", [] { return std::unique_ptr<IRegistry>(new RegistryStore()); }}};
#ifdef _WIN32
  all.push_back({"Win32", [] { return std::unique_ptr<IRegistry>(new Win32Registry()); }});
#endif
  return all;
}

// A fresh key unique to one test, HKEY_CURRENT_USER\Software\HollinTest\<id>,
// created and opened with KEY_ALL_ACCESS. At destruction the handle is closed
// and, in the system registry, the key is deleted with everything below it.
class Sandbox {
 public:
  explicit Sandbox(IRegistry& reg) : reg_(reg) {
    static std::atomic<unsigned> serial{0};
    path_ = "Software\\HollinTest\\" + std::to_string(detail::CurrentProcessId()) + "-" + std::to_string(serial++);
    DWORD disposition = 0;
    const LONG r = reg_.RegCreateKeyExA(base(), path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                        nullptr, &key_, &disposition);
    if (r != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY)
      ADD_FAILURE() << "cannot make a fresh sandbox " << path_ << ": " << r;
  }
  ~Sandbox() {
    if (key_) reg_.RegCloseKey(key_);
#ifdef _WIN32
    if (dynamic_cast<Win32Registry*>(&reg_)) {
      ::RegDeleteTreeA(base(), path_.c_str());
      ::RegDeleteKeyA(base(), "Software\\HollinTest");  // only once no other test's key is left
    }
#endif
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  HKEY root() const { return key_; }                 // the open key
  const std::string& path() const { return path_; }  // its path under base()
  static HKEY base() { return HKEY_CURRENT_USER; }

 private:
  IRegistry& reg_;
  HKEY key_ = nullptr;
  std::string path_;
};

// A test run on each registry under test (HOLLIN_ON_EACH_REGISTRY), in a
// sandbox of its own.
class OnEachRegistry : public ::testing::TestWithParam<RegistryUnderTest> {
 protected:
  HKEY root() const { return sandbox->root(); }
  bool Real() const { return GetParam().name != "Store"; }
  // Starts again on r, in a fresh sandbox.
  void Renew(std::unique_ptr<IRegistry> r) {
    sandbox.reset();
    reg = std::move(r);
    sandbox = std::make_unique<Sandbox>(*reg);
  }
  std::unique_ptr<IRegistry> reg = GetParam().make();
  std::unique_ptr<Sandbox> sandbox = std::make_unique<Sandbox>(*reg);  // destroyed before reg
};

}  // namespace hollin::test

// Runs the parameterised tests of suite on each registry, named after it.
#define HOLLIN_ON_EACH_REGISTRY(suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(Registries, suite, ::testing::ValuesIn(::hollin::test::RegistriesUnderTest()), \
                           [](const auto& info) { return info.param.name; })
