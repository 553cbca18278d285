#include "registry_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>

#include "common/atomic_file.h"
#include "registry/registry_store.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace hollin::test {

void PrintTo(const RegistryUnderTest& r, std::ostream* os) { *os << r.name; }

std::vector<RegistryUnderTest> RegistriesUnderTest() {
  std::vector<RegistryUnderTest> all{{"Store", [] { return std::unique_ptr<IRegistry>(new RegistryStore()); }}};
#ifdef _WIN32
  all.push_back({"Win32", [] { return std::unique_ptr<IRegistry>(new Win32Registry()); }});
#endif
  return all;
}

Sandbox::Sandbox(IRegistry& reg) : reg_(reg) {
  static std::atomic<unsigned> serial{0};
  path_ = "Software\\HollinTest\\" + std::to_string(detail::CurrentProcessId()) + "-" + std::to_string(serial++);
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    path_ += '-';
    for (const char* c = info->name(); *c; ++c) path_ += *c == '/' ? '_' : *c;  // no slash in a key name
  }
  DWORD disposition = 0;
  const LONG r = reg_.RegCreateKeyExA(base(), path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                      nullptr, &key_, &disposition);
  if (r != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY)
    ADD_FAILURE() << "cannot make a fresh sandbox " << path_ << ": " << r;
}

Sandbox::~Sandbox() {
  if (key_) reg_.RegCloseKey(key_);
#ifdef _WIN32
  if (dynamic_cast<Win32Registry*>(&reg_)) {
    ::RegDeleteTreeA(base(), path_.c_str());
    ::RegDeleteKeyA(base(), "Software\\HollinTest");  // only once no other test's key is left
  }
#endif
}

}  // namespace hollin::test
