// The short program name shown in the list for an open command.
#pragma once

#include <string>

namespace hollin {

// Turns an open command into the display name: quotes go, everything up to
// the last backslash goes, then the text is cut at the first dot that is not
// followed by another dot before the next blank (so "my.tool.exe %1" gives
// "tool" and "C:\WINDOWS\NOTEPAD.EXE %1" gives "NOTEPAD"); a command with no
// dot left gives "-". Letter case stays as in the command.
std::string ProgramNameFromCommand(const std::string& Command);

}  // namespace hollin
