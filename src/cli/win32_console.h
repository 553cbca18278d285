// The Windows side of a run for scripts: the console of the process that
// started the program (a GUI program has none of its own), the machine and
// user names, and the run itself.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"

namespace hollin::cli {

// Writes to the standard handles the program was given (a redirection, a
// pipe), else to the console of the parent process, attached on first use;
// to a console as UTF-16 text, to anything else as UTF-8 bytes. Where there
// is neither, the text goes nowhere: a run for scripts never opens a window.
class Win32Console : public IConsole {
 public:
  std::string Out(const std::string& text) override;
  void Err(const std::string& text) override;
};

// The machine's name, as the reports and events carry it ("" where the
// system tells none).
std::string ComputerName();

// Parses the arguments and runs them with the real registry, platform and
// console; returns the exit code.
int RunWindowsCommandLine(const std::vector<std::string>& args);

}  // namespace hollin::cli
