// What the user classes give the scan, read through each registry (the
// store, and under Wine the system's): names and data longer than the first
// room given are read whole, and a write below a key's "Local Settings"
// leaves the text while one to a verb's command changes it.
#include <gtest/gtest.h>

#include "registry/user_classes.h"
#include "registry_fixture.h"

namespace hollin {
namespace {

class UserClassesRead : public test::OnEachRegistry {
 protected:
  void Set(const std::string& path, const std::string& name, const std::string& text) {
    ASSERT_EQ(test::SetRegValue(*reg, test::Sandbox::base(), sandbox->path() + "\\" + path, name.c_str(), REG_SZ,
                                text + '\0'),
              ERROR_SUCCESS);
  }
  std::string Read() { return ReadUserClassesState(*reg, root(), {"Applications\\app.exe"}); }
};

TEST_P(UserClassesRead, ReadsWholeWhatTheScanReads) {
  const std::string longName(2000, 'n'), longData(3000, 'd');
  Set("Doc.File\\shell\\open\\command", "", "C:\\App\\app.exe %1");
  Set("Doc.File", longName, longData);
  Set("Applications\\app.exe\\shell\\open\\command", "", "C:\\App\\app.exe %1");
  Set("Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags\\1\\Shell", "Mode", "1");
  const std::string read = Read();
  EXPECT_NE(read.find(longName), std::string::npos);
  EXPECT_NE(read.find(longData), std::string::npos);

  Set("Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags\\1\\Shell", "Mode", "4");
  Set("Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache", "C:\\App\\app.exe", "App");
  EXPECT_EQ(Read(), read) << "Explorer's writes";
  Set("Doc.File", longName, longData.substr(1) + 'e');
  const std::string longer = Read();
  EXPECT_NE(longer, read) << "the end of a long value";
  Set("Doc.File\\shell\\open\\command", "", "C:\\Grab\\grab.exe %1");
  const std::string command = Read();
  EXPECT_NE(command, longer) << "a verb's command";
  Set("Applications\\app.exe\\shell\\open\\command", "", "C:\\Grab\\grab.exe %1");
  EXPECT_NE(Read(), command) << "the command of an identifier named by its path";
}

HOLLIN_ON_EACH_REGISTRY(UserClassesRead);

}  // namespace
}  // namespace hollin
