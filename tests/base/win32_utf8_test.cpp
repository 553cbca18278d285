// Text outside any single-byte code page survives the whole way: a type
// imported by the system's registry editor from a UTF-16 file is scanned,
// saved as the base, and read back byte for byte; the base file holds UTF-8.
#include <gtest/gtest.h>

#include <windows.h>

#include "base_test_util.h"
#include "registry/scan.h"
#include "registry/win32_registry.h"

namespace hollin {
namespace {

constexpr char kCommand[] = "C:\\Программы\\ÆØÅ\\日本.exe %1";

void WriteUtf16(const std::string& path, const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  test::WriteFileBytes(path, bytes);
}

int RunAndWait(std::wstring commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

TEST(Utf8CodePage, ATypeImportedFromUtf16IsRecordedAndReadBackWhole) {
  ASSERT_EQ(GetACP(), 65001u) << "the test runs with the program's manifest";
  test::InFreshFolder folder;
  const std::string reg = folder.path() + "\\types.reg";
  WriteUtf16(reg,
             L"Windows Registry Editor Version 5.00\r\n\r\n"
             L"[HKEY_CURRENT_USER\\Software\\HollinUtf8Test\\.h\u00f8llin]\r\n@=\"Hollin.\u65e5\u672c\"\r\n\r\n"
             L"[HKEY_CURRENT_USER\\Software\\HollinUtf8Test\\Hollin.\u65e5\u672c\\shell\\open\\command]\r\n"
             L"@=\"C:\\\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\\\\u00c6\u00d8\u00c5\\\\"
             L"\u65e5\u672c.exe %1\"\r\n");
  std::wstring wideReg(reg.begin(), reg.end());
  ASSERT_EQ(RunAndWait(L"regedit.exe /s \"" + wideReg + L"\""), 0);

  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\HollinUtf8Test", 0, KEY_READ, &root), 0);
  Win32Registry registry;
  const ScanResult scan = ScanCurrentEntries(registry, root);
  RegCloseKey(root);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\HollinUtf8Test");

  ASSERT_EQ(scan.entries->Count(), 1);
  EXPECT_EQ(scan.entries->Item(1)->Ext(), ".høllin");
  EXPECT_EQ(scan.entries->Item(1)->ProgramFullPath(), kCommand);
  test::SaveBase(scan.entries);
  EXPECT_EQ(test::LoadBase(), (std::vector<std::string>{".høllin", kCommand,
                                                        "Hollin.日本\\shell\\open\\command", "Hollin.日本"}));
  EXPECT_NE(test::ReadFileBytes("Prev.isd").find(kCommand), std::string::npos);
}

}  // namespace
}  // namespace hollin
