// The start rights read from the real tokens, and a start handed to the
// desktop's shell: the program runs, started by the shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/win32_platform.h"
#include "common/win32_text.h"
#include "guard/win32_start_rights.h"
#include "support/test_support.h"

namespace hollin::guard {
namespace {

bool ShellThere() { return FindWindowW(L"Shell_TrayWnd", nullptr) || GetShellWindow(); }

// A test runs as a user's program does: on Windows with the user's limited
// token, under Wine with the full one beside a shell that has it too.
TEST(Win32StartRights, AnOrdinaryStartRunsHere) {
  if (!ShellThere()) GTEST_SKIP() << "no desktop shell";
  const StartRights rights = ReadStartRights();
  if (rights.elevation == Elevation::Full) {
    ASSERT_TRUE(rights.integrity.has_value());
    ASSERT_TRUE(rights.shellIntegrity.has_value()) << "the shell's level was not read";
    EXPECT_GE(*rights.integrity, kIntegrityHigh);
  }
  EXPECT_EQ(DecideGuardStart(rights), GuardStart::Here);
}

TEST(Win32StartRights, TheShellStartsWhatItIsHanded) {
  if (!ShellThere()) GTEST_SKIP() << "no desktop shell";
  test::TempDir dir;
  const std::wstring file = Wide(dir.File("started by the shell.txt"));
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring folder = system;
  ComApartment apartment;
  ASSERT_EQ(StartThroughShell(folder + L"\\cmd.exe", L"/c echo started> \"" + file + L"\"", folder), S_OK);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  for (int i = 0; i < 200 && attributes == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(100);
    attributes = GetFileAttributesW(file.c_str());
  }
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the shell did not run the program in 20 s";
}

}  // namespace
}  // namespace hollin::guard
