// The console program for scripts, hollinc.exe: the command line of
// hollin.exe (cli::RunWindowsCommandLine) in a console-subsystem program,
// which cmd and PowerShell wait for and take the exit code of. It never
// opens a window: without options it prints the usage and ends with 64.
#include "cli/win32_console.h"
#include "common/command_line.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"

int main() {
  using namespace hollin;
  // Before anything loads a DLL: none from the program's folder.
  SearchSystemFolderOnly();
  const std::string line = Utf8(GetCommandLineW());
  return cli::RunWindowsCommandLine(cli::SplitArguments(ArgumentsOf(line)));
}
