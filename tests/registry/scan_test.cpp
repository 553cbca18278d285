// The current scan, against every registry under test: the store, and in the
// Windows build the real registry, each filled through the registry layer.
#include <gtest/gtest.h>

#include "registry/registry_store.h"
#include "registry/scan.h"
#include "registry_fixture.h"

namespace hollin {
namespace {

using namespace std::string_literals;

class ScanTest : public ::testing::TestWithParam<test::RegistryUnderTest> {
 protected:
  void SetUp() override { sandbox = std::make_unique<test::Sandbox>(*reg); }
  // Sets the default value of a path under the sandbox, creating the keys.
  void Default(const std::string& path, const std::string& value) {
    ASSERT_EQ(reg->RegSetValueA(root(), path.c_str(), REG_SZ, value.c_str(), 0), 0) << path;
  }
  void RawDefault(const std::string& path, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(reg->RegCreateKeyExA(root(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                   nullptr), ERROR_SUCCESS);
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    ASSERT_EQ(reg->RegSetValueExA(key, "", 0, type, data, DWORD(bytes.size())), ERROR_SUCCESS);
    reg->RegCloseKey(key);
  }
  HKEY root() const { return sandbox->root(); }
  ScanResult Scan() { return ScanCurrentEntries(*reg, root()); }

  std::unique_ptr<IRegistry> reg = GetParam().make();
  std::unique_ptr<test::Sandbox> sandbox;  // destroyed before reg
};

TEST_P(ScanTest, ProgramIdCommandThenExtensionFallbackAndNoOtherEntries) {
  const auto empty = Scan();
  EXPECT_EQ(empty.entries->Count(), 0);
  EXPECT_EQ(empty.last, nullptr);
  Default(".txt", "txtfile");
  Default("txtfile\\shell\\open\\command", "  \"C:\\Windows\\notepad.exe\" \"%1\"  ");
  // The program ID has no open command: the extension's own key serves.
  Default(".log", "logfile");
  Default("logfile", "Log File");
  Default(".log\\shell\\open\\command", "viewer.exe /log %1");
  // No entries: no default value on the extension, though it has its own
  // command (and it comes last: the last entry stays .txt);
  Default(".zz\\shell\\open\\command", "x.exe %1");
  // a default value of blanks only, which counts as none;
  Default(".blank", "   ");
  Default(".blank\\shell\\open\\command", "x.exe %1");
  // the program ID's command key exists but is empty: no fallback;
  Default(".emptycmd", "emptyfile");
  Default("emptyfile\\shell\\open\\command", "");
  Default(".emptycmd\\shell\\open\\command", "x.exe %1");
  // neither the program ID nor the extension has a command.
  Default(".none", "nonefile");
  Default("nonefile", "x");
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 2);
  const auto& txt = result.entries->Item(".txt");
  EXPECT_EQ(txt->ProgramID(), "txtfile");
  EXPECT_EQ(txt->OpenCmdRegKey(), "txtfile\\shell\\open\\command");
  EXPECT_EQ(txt->ProgramFullPath(), "\"C:\\Windows\\notepad.exe\" \"%1\"");
  const auto& log = result.entries->Item(".LOG");
  EXPECT_EQ(log->ProgramID(), "");
  EXPECT_EQ(log->OpenCmdRegKey(), ".log\\shell\\open\\command");
  EXPECT_EQ(log->ProgramFullPath(), "viewer.exe /log %1");
  EXPECT_EQ(result.last, txt);
}

TEST_P(ScanTest, EnumerationOrderAndCaseAreKept) {
  for (const char* ext : {".Zip", ".a_b", ".ALPHA", ".[br", ".beta"}) Default(ext, "prog");
  Default("prog\\shell\\open\\command", "P.EXE \"%1\"");
  const auto result = Scan();
  std::vector<std::string> order;
  for (const auto& e : *result.entries) order.push_back(e->Ext());
  EXPECT_EQ(order, (std::vector<std::string>{".[br", ".a_b", ".ALPHA", ".beta", ".Zip"}));
}

TEST_P(ScanTest, AwkwardValuesAreReadWhole) {
  // A command far longer than 256 bytes is still recorded in full.
  const std::string longCommand = "\"C:\\" + std::string(70000, 'L') + ".exe\" \"%1\"";
  Default(".long", "longfile");
  Default("longfile\\shell\\open\\command", longCommand);
  // Bytes above 127 pass unchanged.
  Default(".caf\xE9", "caf\xE9" "file");
  Default("caf\xE9" "file\\shell\\open\\command", "C:\\Caf\xE9\\open.exe %1");
  // Embedded zero characters stay; the terminating one goes.
  RawDefault(".nul", REG_SZ, "nulfile\0"s);
  RawDefault("nulfile\\shell\\open\\command", REG_SZ, "a.exe\0tail\0"s);
  // An expandable command is recorded as stored, unexpanded.
  Default(".exp", "expfile");
  RawDefault("expfile\\shell\\open\\command", REG_EXPAND_SZ, "%SystemRoot%\\notepad.exe %1\0"s);
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 4);
  EXPECT_EQ(result.entries->Item(".long")->ProgramFullPath(), longCommand);
  EXPECT_EQ(result.entries->Item(".CAF\xC9")->ProgramFullPath(), "C:\\Caf\xE9\\open.exe %1");
  EXPECT_EQ(result.entries->Item(".nul")->ProgramFullPath(), "a.exe\0tail"s);
  EXPECT_EQ(result.entries->Item(".exp")->ProgramFullPath(), "%SystemRoot%\\notepad.exe %1");
}

// A key name is used as the registry gives it: ".txt " is another type than
// ".txt", not a second ".txt" that would end the scan with a duplicate.
TEST_P(ScanTest, NamesThatTrimToTheSameTypeStayApart) {
  Default(".txt", "txtfile");
  Default(".txt ", "otherfile");
  Default("txtfile\\shell\\open\\command", "notepad.exe %1");
  Default("otherfile\\shell\\open\\command", "other.exe %1");
  const auto result = Scan();
  ASSERT_EQ(result.entries->Count(), 2);
  EXPECT_EQ(result.entries->Item(".txt")->ProgramFullPath(), "notepad.exe %1");
  EXPECT_EQ(result.entries->Item(".txt ")->ProgramFullPath(), "other.exe %1");
}

// A class root as large as a crowded machine's, in the store: the scan ends
// and finds every type (a quadratic step would show as a timeout).
TEST(ScanLargeRoot, HundredThousandSubkeys) {
  RegistryStore reg;
  reg.RegSetValueA(HKEY_CLASSES_ROOT, "prog\\shell\\open\\command", REG_SZ, "p.exe %1", 0);
  for (int i = 0; i < 100000; ++i) {
    const std::string name = (i % 2 ? ".e" : "c") + std::to_string(i);
    reg.RegSetValueA(HKEY_CLASSES_ROOT, name.c_str(), REG_SZ, "prog", 0);
  }
  const auto result = ScanCurrentEntries(reg);
  EXPECT_EQ(result.entries->Count(), 50000);
  EXPECT_EQ(result.last->Ext(), ".e99999");
}

INSTANTIATE_TEST_SUITE_P(Registries, ScanTest, ::testing::ValuesIn(test::RegistriesUnderTest()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hollin
