// The guard's checks over a registry that takes no concurrent reads (the
// registry the guard itself reads with): every call is made on the thread
// that checks, so that a check starts and ends no thread. Under Wine every
// thread holds about 1 MB resident while it lives and the last one ended
// holds as much until another ends, which a resident guard would keep.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "guard/guard.h"
#include "support/fake_platform.h"
#include "support/registry_store.h"
#include "support/test_support.h"

namespace hollin::guard {
namespace {

// The stand-in registry, saying it takes no concurrent reads, noting the
// threads its reads come from.
class OneReaderStore : public RegistryStore {
 public:
  bool ConcurrentReads() const override { return false; }
  LONG RegOpenKeyExA(HKEY k, LPCSTR s, DWORD o, REGSAM r, PHKEY out) override {
    Note();
    return RegistryStore::RegOpenKeyExA(k, s, o, r, out);
  }
  LONG RegEnumKeyExA(HKEY k, DWORD i, LPSTR n, LPDWORD nc, LPDWORD r, LPSTR c, LPDWORD cc, PFILETIME t) override {
    Note();
    return RegistryStore::RegEnumKeyExA(k, i, n, nc, r, c, cc, t);
  }
  LONG RegQueryValueExA(HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD c) override {
    Note();
    return RegistryStore::RegQueryValueExA(k, n, r, t, d, c);
  }
  std::set<std::thread::id> Threads() {
    const std::lock_guard<std::mutex> hold(lock_);
    return threads_;
  }
  size_t Reads() {
    const std::lock_guard<std::mutex> hold(lock_);
    return reads_;
  }

 private:
  void Note() {
    const std::lock_guard<std::mutex> hold(lock_);
    threads_.insert(std::this_thread::get_id());
    ++reads_;
  }
  std::mutex lock_;
  std::set<std::thread::id> threads_;
  size_t reads_ = 0;
};

struct Quiet : IGuardHost {
  int shown = 0;
  void Show(const Notice& n) override { shown += !n.empty(); }
  void Tip(const std::string&) override {}
  void Record(const CheckRecord&) override {}
};

// A class root large enough for the scan to share its reading among
// threads where the registry allows it (types, links, other classes), with
// Explorer's choices; the first check records the base, the second finds a
// type taken over and tells it.
TEST(GuardOneThread, ChecksReadOnTheCheckingThreadAlone) {
  std::string text = "REGEDIT4\n";
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.t" + n + "]\n@=\"T.File." + n + "\"\n";
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\T.File." + n + "\\shell\\open\\command]\n@=\"t" + n +
            ".exe %1\"\n";
    text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Other." + n + "]\n@=\"class\"\n";
    if (i % 10 == 0) {
      text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\link" + n + "]\n\"URL Protocol\"=\"\"\n";
      text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\link" + n + "\\shell\\open\\command]\n@=\"l.exe %1\"\n";
    }
    if (i % 4 == 0)
      text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.t" + n +
              "\\UserChoice]\n\"ProgId\"=\"T.File." + n + "\"\n";
  }
  OneReaderStore reg;
  reg.LoadText(text, "classes");
  test::TempDir dir;
  test::FakePlatform platform;
  Associations g;
  g.BaseFile = dir.File("Prev");
  Quiet host;
  Guard guard{reg, platform, g, host};
  guard.CheckNow(0);
  reg.LoadText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.t7]\n@=\"Other.7\"\n", "write");
  guard.CheckNow(10000);
  EXPECT_EQ(guard.Checks(), 2);
  EXPECT_EQ(host.shown, 1);  // the second check read the type taken over
  EXPECT_GT(reg.Reads(), 2u * 900u);
  EXPECT_EQ(reg.Threads(), std::set<std::thread::id>{std::this_thread::get_id()});
}

}  // namespace
}  // namespace hollin::guard
