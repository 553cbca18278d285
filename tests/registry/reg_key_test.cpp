// Keys that close themselves and the typed value reads, against each
// registry under test; and the registry layer's readers and writers, each
// closing every key it opened whichever way it ends.
#include <gtest/gtest.h>

#include <stdexcept>

#include "registry/layers.h"
#include "registry/open_command.h"
#include "registry/reg_key.h"
#include "registry/reg_value.h"
#include "registry/settings.h"
#include "registry/user_classes.h"
#include "registry_fixture.h"
#include "support/counting_registry.h"
#include "support/registry_store.h"
#include "support/test_support.h"

namespace hollin {
namespace {

using namespace std::string_literals;

class RegKeyTest : public ::testing::TestWithParam<test::RegistryUnderTest> {
 protected:
  void SetUp() override { sandbox = std::make_unique<test::Sandbox>(*inner); }
  void TearDown() override {
    EXPECT_TRUE(reg.Open().empty()) << reg.Open().size() << " key(s) left open";
    EXPECT_EQ(reg.strayCloses, 0);
  }
  void Set(const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(test::SetRegValue(*inner, sandbox->root(), path, name, type, bytes), ERROR_SUCCESS);
  }
  HKEY root() const { return sandbox->root(); }

  std::unique_ptr<IRegistry> inner = GetParam().make();
  std::unique_ptr<test::Sandbox> sandbox;
  test::CountingRegistry reg{*inner};
};

TEST_P(RegKeyTest, AKeyIsClosedOnceByWhoeverHoldsItLast) {
  LONG status = ERROR_SUCCESS;
  EXPECT_FALSE(RegKey::Open(reg, root(), "missing", KEY_READ, &status));
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.opened, 0);
  {
    RegKey made = RegKey::Create(reg, root(), "a\\b", KEY_SET_VALUE, &status);
    ASSERT_TRUE(made);
    EXPECT_EQ(status, ERROR_SUCCESS);
    RegKey moved(std::move(made));
    EXPECT_FALSE(made);  // NOLINT: the moved-from key holds nothing
    EXPECT_EQ(reg.Open().size(), 1u);
    RegKey other = RegKey::Open(reg, root(), "a", KEY_READ);
    ASSERT_TRUE(other);
    other = std::move(moved);  // the key it held is closed at once
    EXPECT_EQ(reg.Open(), std::vector<HKEY>{other.get()});
    other.Close();
    EXPECT_TRUE(reg.Open().empty());
  }
  EXPECT_TRUE(KeyExists(reg, root(), "a\\b"));
  EXPECT_FALSE(KeyExists(reg, root(), "a\\c"));
  EXPECT_FALSE(KeyExists(reg, nullptr, "a"));
  EXPECT_EQ(reg.opened, 3);
}

TEST_P(RegKeyTest, ValuesAreReadWholeWhateverTheirLength) {
  const std::string longText(70000, 'x');
  Set("k", "short", REG_SZ, " edit.exe \0"s);
  Set("k", "long", REG_EXPAND_SZ, longText + '\0');
  Set("k", "list", REG_MULTI_SZ, "a\0\0b\0"s + std::string(300, 'c') + "\0\0"s);
  Set("k", "text", REG_SZ, "a\0b\0\0"s);
  DWORD type = 99;
  LONG status = 99;
  const RegKey key = RegKey::Open(reg, root(), "k", KEY_QUERY_VALUE);
  ASSERT_TRUE(key);
  EXPECT_EQ(ReadOpenValue(reg, key.get(), "short", type, &status), "edit.exe");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(ReadOpenValue(reg, key.get(), "long", type), longText);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(ReadOpenValue(reg, key.get(), "none", type, &status), "");
  EXPECT_EQ(type, REG_NONE);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadValue(reg, root(), "k", "long", type), longText);
  EXPECT_EQ(ReadValue(reg, root(), "gone", "long", type), "");
  EXPECT_EQ(type, REG_NONE);

  EXPECT_EQ(ReadMultiText(reg, key.get(), "list"), (std::vector<std::string>{"a", "b", std::string(300, 'c')}));
  EXPECT_TRUE(ReadMultiText(reg, key.get(), "text").empty());  // a text is no list
  EXPECT_TRUE(ReadMultiText(reg, key.get(), "none").empty());
  EXPECT_TRUE(HasValue(reg, key.get(), "text"));
  EXPECT_FALSE(HasValue(reg, key.get(), "none"));
}

HOLLIN_ON_EACH_REGISTRY(RegKeyTest);

// The procedures that open keys, on each of their ways out: found, missing,
// refused, and a value that makes one throw.
TEST(RegistryProcedures, CloseEveryKeyTheyOpen) {
  RegistryStore store;
  store.LoadText(R"(REGEDIT4
[HKEY_LOCAL_MACHINE\Software\Classes\.txt]
@="txtfile"
[HKEY_LOCAL_MACHINE\Software\Classes\txtfile\shell]
@="print,edit"
[HKEY_LOCAL_MACHINE\Software\Classes\txtfile\shell\edit]
"LegacyDisable"=""
[HKEY_LOCAL_MACHINE\Software\Classes\txtfile\shell\edit\command]
@="C:\\Tools\\edit.exe \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\txtfile\shell\open\command]
@="C:\\Tools\\view.exe \"%1\""
"DelegateExecute"="{11111111-2222-3333-4444-555555555555}"
[HKEY_CURRENT_USER\Software\Classes\mytxt\shell\show\command]
@="C:\\Tools\\show.exe \"%1\""
[HKEY_CURRENT_USER\Software\Classes\web]
"URL Protocol"=""
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.txt\UserChoiceLatest]
"ProgId"="mytxt"
[HKEY_LOCAL_MACHINE\SOFTWARE\Nordane\Hollin]
"warn"="1"
"empty"=hex:
)",
                 "layers");
  test::CountingRegistry reg(store);
  const auto allClosed = [&](const char* what) {
    EXPECT_TRUE(reg.Open().empty()) << what << " left " << reg.Open().size() << " key(s) open";
    EXPECT_EQ(reg.strayCloses, 0) << what;
  };
  {
    OpenClassLayers open(reg);
    const ClassLayers& layers = open.layers();
    std::string path;
    EXPECT_EQ(ReadExplorerChoice(reg, layers.fileExts, ".txt", path), "mytxt");
    EXPECT_EQ(ReadExplorerChoice(reg, layers.fileExts, ".pdf", path), "");
    EXPECT_TRUE(IsMarkedProtocol(reg, layers.user, "web"));
    EXPECT_FALSE(IsMarkedProtocol(reg, layers.user, "ftp"));
    const HKEY order[] = {layers.user, layers.machine, HKEY_CLASSES_ROOT};
    VerbRead verb;
    ReadVerb(reg, order, 3, "txtfile", verb);
    EXPECT_EQ(verb.verb, "open");
    ReadVerb(reg, order, 3, "mytxt", verb);
    EXPECT_EQ(verb.verb, "show");
    ReadVerb(reg, order, 3, "nothing", verb);
    EXPECT_FALSE(verb.shell);
  }
  allClosed("the layers");

  EXPECT_FALSE(ReadUserClassesState(reg, {"mytxt"}).empty());
  allClosed("the user classes' state");

  SettingValue value;
  EXPECT_TRUE(ReadSetting(reg, "warn", 1, value));
  EXPECT_FALSE(ReadSetting(reg, "missing", 1, value));
  EXPECT_EQ(WriteSetting(reg, "warn", "0"), ERROR_SUCCESS);
  store.DenyAccess(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_SET_VALUE);
  EXPECT_EQ(WriteSetting(reg, "warn", "1"), ERROR_SUCCESS);  // the user's key takes it
  allClosed("the settings");

  std::string text;
  EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", "warn", text));
  EXPECT_FALSE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", "missing", text));
  EXPECT_THROW(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nordane\\Hollin", "empty", text), std::runtime_error);
  allClosed("GetKeyValue");
  EXPECT_GT(reg.opened, 10);
}

}  // namespace
}  // namespace hollin
