// Restoring one type's BASE into the registry, on the stand-in and (in the
// Windows build) on the system registry: what is written, in which type, and
// what is left alone.
#include <gtest/gtest.h>

#include <cstring>

#include "compare/restore.h"
#include "registry/registry_fixture.h"

namespace hollin {
namespace {

using namespace std::string_literals;

class RestoreTest : public test::OnEachRegistry {
 protected:
  // The machine classes of the test live in its sandbox; its user classes
  // are empty.
  void Set(const std::string& path, DWORD type, const std::string& bytes) {
    ASSERT_EQ(test::SetRegValue(*reg, root(), "Software\\Classes\\" + path, "", type, bytes), ERROR_SUCCESS) << path;
  }
  // The default value of path as "<type> <bytes>" (a zero byte as "|"), or
  // "absent".
  std::string Get(const std::string& path) {
    HKEY key = nullptr;
    if (reg->RegOpenKeyExA(root(), ("Software\\Classes\\" + path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      return "absent";
    char data[512];
    std::memset(data, '#', sizeof data);
    DWORD type = 99, size = sizeof data;
    const LONG r = reg->RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    reg->RegCloseKey(key);
    if (r != ERROR_SUCCESS) return "absent";
    std::string bytes(data, size);
    for (char& c : bytes) c = c == '\0' ? '|' : c;
    return std::to_string(type) + " " + bytes;
  }
};

TEST_P(RestoreTest, WritesWhatDiffersInTheTypeItHasAndNeverShortens) {
  struct Value {
    std::string path;
    DWORD type;
    std::string bytes;
  };
  struct Case {
    const char* name;
    std::vector<Value> before;
    const char* programId;
    std::string command;  // under programId (or .t)\shell\open\command
    std::string ext, open;  // the values afterwards, as Get gives them
    bool wrote;
  };
  const Case cases[] = {
      {"a command with an environment reference is written expandable",
       {{".t", REG_SZ, "tfile\0"s}, {"tfile\\shell\\open\\command", REG_SZ, "evil.exe %1\0"s}},
       "tfile", "%SystemRoot%\\np.exe %1", "1 tfile|", "2 %SystemRoot%\\np.exe %1|", true},
      {"one without stays plain text",
       {{".t", REG_SZ, "tfile\0"s}, {"tfile\\shell\\open\\command", REG_SZ, "evil.exe %1\0"s}},
       "tfile", "C:\\np.exe %1 at 100%", "1 tfile|", "1 C:\\np.exe %1 at 100%|", true},
      {"an expandable command keeps its type",
       {{".t", REG_SZ, "tfile\0"s}, {"tfile\\shell\\open\\command", REG_EXPAND_SZ, "evil.exe %1\0"s}},
       "tfile", "C:\\np.exe %1", "1 tfile|", "2 C:\\np.exe %1|", true},
      {"a multi-string identifier keeps its type",
       {{".t", REG_MULTI_SZ, "grab\0\0"s}, {"tfile\\shell\\open\\command", REG_SZ, "np.exe %1\0"s}},
       "tfile", "np.exe %1", "7 tfile||", "1 np.exe %1|", true},
      {"an identifier that names the base up to a zero is left whole",
       {{".t", REG_SZ, "tfile\0junk\0"s}, {"tfile\\shell\\open\\command", REG_SZ, "np.exe %1\0"s}},
       "tfile", "np.exe %1", "1 tfile|junk|", "1 np.exe %1|", false},
      {"a command equal to the base is not rewritten",
       {{".t", REG_SZ, "grab\0"s}, {"multi\\shell\\open\\command", REG_MULTI_SZ, "C:\\m\\multi.exe %1\0second\0\0"s}},
       "multi", "C:\\m\\multi.exe %1\0second"s, "1 multi|", "7 C:\\m\\multi.exe %1|second||", true},
      {"a changed command with zeros inside is written whole",
       {{".t", REG_SZ, "multi\0"s}, {"multi\\shell\\open\\command", REG_MULTI_SZ, "evil\0\0"s}},
       "multi", "C:\\m\\multi.exe %1\0second"s, "1 multi|", "7 C:\\m\\multi.exe %1|second||", true},
      {"no identifier: an empty one replaces another program's",
       {{".t", REG_SZ, "grab\0"s}, {".t\\shell\\open\\command", REG_SZ, "own.exe\0"s}},
       "", "own.exe", "1 |", "1 own.exe|", true},
      {"a command with a lone surrogate is written back unit for unit",
       {{".t", REG_SZ, "tfile\0"s}, {"tfile\\shell\\open\\command", REG_SZ, "\xED\xA0\x81.exe %1\0"s}},
       "tfile", "\xED\xA0\x80.exe %1", "1 tfile|", "1 \xED\xA0\x80.exe %1|", true},
      {"missing keys are made", {}, "tfile", "np.exe %1", "1 tfile|", "1 np.exe %1|", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    for (const auto& v : c.before) Set(v.path, v.type, v.bytes);
    AssocEntry base;
    base.Ext(".t");
    base.ProgramID(c.programId);
    base.OpenCmdRegKey(std::string(*c.programId ? c.programId : ".t") + "\\shell\\open\\command");
    base.ProgramFullPath(c.command);
    RestoreResult result;
    HKEY user = nullptr;
    ASSERT_EQ(reg->RegCreateKeyExA(root(), "user", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr),
              ERROR_SUCCESS);
    RestoreEntry(*reg, base, result, {root(), user});
    reg->RegCloseKey(user);
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(result.wrote, c.wrote);
    EXPECT_EQ(Get(".t"), c.ext);
    EXPECT_EQ(Get(base.OpenCmdRegKey()), c.open);
  }
}

// A base recorded with its layers puts each value back in the type it
// recorded, whatever type the value has now: texts, and bytes as bytes.
TEST_P(RestoreTest, AValueGoesBackInTheTypeRecorded) {
  for (const DWORD type : {DWORD{REG_MULTI_SZ}, DWORD{REG_EXPAND_SZ}, DWORD{REG_BINARY}}) {
    SCOPED_TRACE(type);
    TearDown();
    SetUp();
    Set(".t", REG_SZ, "grab\0"s);
    Set("tfile\\shell\\open\\command", REG_SZ, "evil.exe %1\0"s);
    AssocEntry base, now;
    for (AssocEntry* e : {&base, &now}) {
      e->Ext(".t");
      e->Layered(true);
    }
    base.MachineProgID("tfile");
    base.ProgramID("tfile");
    base.ValueType(AssocEntry::kMachineType, type);
    base.OpenCmdRegKey("tfile\\shell\\open\\command");
    base.ProgramFullPath("C:\\np.exe %1");
    base.ValueType(AssocEntry::kCommandType, type);
    now.MachineProgID("grab");
    RestoreResult result;
    RestoreLayers(*reg, base, &now, result, {root(), nullptr});
    RestoreEntry(*reg, base, result, {root(), nullptr});
    EXPECT_TRUE(result.failed.empty());
    const std::string end = type == REG_MULTI_SZ ? "||" : type == REG_BINARY ? "" : "|";
    EXPECT_EQ(Get(".t"), std::to_string(type) + " tfile" + end);
    EXPECT_EQ(Get(base.OpenCmdRegKey()), std::to_string(type) + " C:\\np.exe %1" + end);
  }
}

HOLLIN_ON_EACH_REGISTRY(RestoreTest);

TEST(EnvironmentReference, NeedsANameBetweenTwoPercentSigns) {
  for (const char* yes : {"%SystemRoot%\\np.exe", "x %ProgramFiles(x86)%\\a.exe", "%1 %_A9%", "100% %windir%"})
    EXPECT_TRUE(HasEnvironmentReference(yes)) << yes;
  for (const char* no : {"np.exe %1", "%1%", "100%", "% A%", "%A", "%%", ""})
    EXPECT_FALSE(HasEnvironmentReference(no)) << no;
}

}  // namespace
}  // namespace hollin
