// The check the three front ends share: a first run, a change found against
// the base, and a check against a base held between checks (the guard's).
#include <gtest/gtest.h>

#include <filesystem>

#include "compare/check.h"
#include "support/fake_platform.h"
#include "support/registry_store.h"
#include "support/test_support.h"

namespace hollin {
namespace {

constexpr const char* kTxt =
    "REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n"
    "@=\"notepad.exe %1\"\n";
constexpr const char* kTakenOver =
    "REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n"
    "@=\"grab.exe %1\"\n";

class RunCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.LoadText(kTxt, "classes");
    g.BaseFile = dir.File("Prev");
  }
  test::TempDir dir;
  RegistryStore reg;
  test::FakePlatform platform;
  Associations g;
  BaseStore file;
};

TEST_F(RunCheckTest, AFirstRunRecordsTheBaseThenAChangeIsFoundAgainstIt) {
  const CheckResult first = RunCheck(reg, platform, g, {.load = &file});
  EXPECT_TRUE(first.firstRun);
  EXPECT_TRUE(first.changes.empty());
  EXPECT_TRUE(std::filesystem::exists(dir.File("Prev.isd")));
  ASSERT_TRUE(first.base && first.base->Lookup(".txt"));

  reg.LoadText(kTakenOver, "taken over");
  const CheckResult second = RunCheck(reg, platform, g, {.load = &file});
  EXPECT_FALSE(second.firstRun);
  EXPECT_FALSE(second.linksRecorded);
  ASSERT_EQ(second.changes.size(), 1u);
  EXPECT_EQ(second.changes[0].ext, ".txt");
  EXPECT_EQ(second.changes[0].opener, "grab");
  // What the window goes on from: CURRENT is this check's scan.
  EXPECT_EQ(g.CurrentEntries, second.current);
  EXPECT_EQ(g.BaseEntries, second.base);
}

// The guard holds its base between checks and nothing of a scan: a check
// that loads nothing reads no base file, writes none, and leaves CURRENT
// as it was.
TEST_F(RunCheckTest, ACheckThatLoadsNothingComparesWithTheBaseHeldAndKeepsNoScan) {
  g.BaseEntries = RunCheck(reg, platform, g).current;
  const auto held = g.CurrentEntries;
  reg.LoadText(kTakenOver, "taken over");
  const CheckResult r = RunCheck(reg, platform, g);
  EXPECT_EQ(g.CurrentEntries, held);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Prev.isd")));
  EXPECT_FALSE(r.firstRun);
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].ext, ".txt");
  EXPECT_EQ(r.base, g.BaseEntries);
}

}  // namespace
}  // namespace hollin
