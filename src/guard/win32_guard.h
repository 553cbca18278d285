// The guard on Windows: one per user session, a notification-area icon with
// its menu, the notice window, and the wait on the registry's change
// notifications and the window's messages together.
#pragma once

#include "common/windows_api.h"

#include <functional>
#include <string>
#include <vector>

#include "guard/guard.h"

namespace hollin::guard {

// Whether the arguments ask for the guard: "--guard" (or "/guard"), with
// "--stop" (end the running guard) or "--logon" (started at logon: a guard
// already running is left alone, and nothing is shown) after it.
bool IsGuardRun(const std::vector<std::string>& args);

// Whether the arguments after "--guard" are the guard's own: "--stop" and
// "--logon", the notice's process ("--notice" and its window), or a
// check's scan ("--scan" and the file it writes into).
bool GuardArgumentsKnown(const std::vector<std::string>& args);

// Runs the guard, or stops the one running; returns the exit code: 0, or 64
// for arguments it does not know, 5 when a guard asked to end did not or
// one asked to start did not (a start with an administrator's full rights
// the shell did not take over: guard/start_rights.h). Each check's record
// goes to record (the Application log), and so does a start that did not
// run.
int RunWindowsGuard(HINSTANCE instance, const std::vector<std::string>& args,
                    std::function<void(const CheckRecord&)> record);

// One argument of a command line, quoted as the system's start-up code splits
// it back (CommandLineToArgvW): blanks and quotes kept, backslashes before a
// quote doubled.
std::string QuotedArgument(const std::string& argument);

}  // namespace hollin::guard
