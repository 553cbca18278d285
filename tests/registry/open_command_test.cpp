// The About box's registry reads, on every registry: a class's open command
// cut before its placeholder, and a value read as text.
#include <gtest/gtest.h>

#include "registry/open_command.h"
#include "registry_fixture.h"

namespace hollin {
namespace {

using namespace std::string_literals;

class OpenCommandTest : public test::OnEachRegistry {
 protected:
  void Set(const char* name, DWORD type, const std::string& data) {
    reg->RegSetValueExA(root(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
  }
};

TEST_P(OpenCommandTest, GetKeyValueReadsTextAndNumbersAndFailsCleanly) {
  Set("text", REG_SZ, "C:\\Tools\\info.exe\0"s);
  Set("number", REG_DWORD, "\x2A\0\0\0"s);
  Set("long", REG_SZ, std::string(1500, 'x') + '\0');
  Set("binary", REG_BINARY, "\x01\x02"s);
  Set("empty", REG_BINARY, "");
  const std::string& name = sandbox->path();
  const struct {
    const char* value;
    bool ok;
    std::string text;
  } cases[] = {
      {"text", true, "C:\\Tools\\info.exe"},
      {"number", true, "&h2A"},
      {"binary", true, "before"},  // another type leaves the text as it was
      {"missing", false, ""},
      {"long", false, ""},  // over 1024 bytes
  };
  for (const auto& c : cases) {
    std::string value = "before";
    EXPECT_EQ(GetKeyValue(*reg, HKEY_CURRENT_USER, name, c.value, value), c.ok) << c.value;
    EXPECT_EQ(value, c.text) << c.value;
  }
  std::string value;
  EXPECT_FALSE(GetKeyValue(*reg, HKEY_CURRENT_USER, name + "\\none", "text", value));
  EXPECT_THROW(GetKeyValue(*reg, HKEY_CURRENT_USER, name, "empty", value), std::runtime_error);
}

TEST_P(OpenCommandTest, GetOpenCommandEndsBeforeThePlaceholder) {
  // GetOpenCommand reads HKEY_CLASSES_ROOT: classes of our own, removed after.
  const std::pair<const char*, const char*> cases[][2] = {
      {{"HollinTest.Quoted", "C:\\Mail\\mail.exe \"%1\""}, {"", "C:\\Mail\\mail.exe "}},
      {{"HollinTest.Plain", "C:\\Web\\web.exe -nohome"}, {"", "C:\\Web\\web.exe -nohome"}},
      {{"HollinTest.First", "%1 --open"}, {"", ""}},
      {{"HollinTest.Bare", "viewer.exe %1 %2"}, {"", "viewer.exe "}},
  };
  for (const auto& c : cases) {
    const std::string path = std::string(c[0].first) + "\\shell\\open\\command";
    ASSERT_EQ(test::SetDefault(*reg, HKEY_CLASSES_ROOT, path.c_str(), c[0].second), ERROR_SUCCESS);
    EXPECT_EQ(GetOpenCommand(*reg, c[0].first), c[1].second) << c[0].second;
#ifdef _WIN32
    if (GetParam().name != "Store") ::RegDeleteTreeA(HKEY_CLASSES_ROOT, c[0].first);
#endif
  }
  EXPECT_EQ(GetOpenCommand(*reg, "HollinTest.NoSuchClass"), "");
}

HOLLIN_ON_EACH_REGISTRY(OpenCommandTest);

}  // namespace
}  // namespace hollin
