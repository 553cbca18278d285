// What the window tests share: a process that records its ends and beeps,
// and a small HKEY_CLASSES_ROOT.
#pragma once

#include <string>

#include "base/base_test_util.h"
#include "registry/registry_store.h"
#include "ui/frm_main.h"

namespace hollin::test {

struct FakePlatform : IPlatform {
  std::string commandLine = "C:\\Hollin\\hollin.exe";
  int beeps = 0;
  int ends = 0;
  MousePointer pointer = MousePointer::Default;
  bool AnotherInstanceRunning() override { return false; }
  std::string ProgramFolder() override { return "."; }
  void ChangeCurrentFolder(const std::string&) override {}
  double TwipsPerPixelY() override { return 15; }
  void SetMousePointer(MousePointer p) override { pointer = p; }
  std::string CommandLine() override { return commandLine; }
  void Beep() override { ++beeps; }
  int notices = 0;  // associations-changed notices to the shell
  void AssociationsChanged() override { ++notices; }
  std::string ErrorText(long status) override { return status == 5 ? "Access is denied." : ""; }
  void EndProcess() override { ++ends; }
};

constexpr const char* kClasses = R"(REGEDIT4

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"
[HKEY_CLASSES_ROOT\txtfile\shell\open\command]
@="C:\\WINDOWS\\NOTEPAD.EXE %1"
[HKEY_CLASSES_ROOT\.bmp]
@="Paint.Picture"
[HKEY_CLASSES_ROOT\Paint.Picture\shell\open\command]
@="\"C:\\Program Files\\Paint\\zpaint.exe\" \"%1\""
[HKEY_CLASSES_ROOT\.ini]
@="inifile"
[HKEY_CLASSES_ROOT\inifile\shell\open\command]
@="C:\\WINDOWS\\NOTEPAD.EXE %1"
)";

}  // namespace hollin::test
