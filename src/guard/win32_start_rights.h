// The Win32 binding of guard/start_rights.h: the facts read from this
// process's token and from the desktop shell's, and the start handed to the
// shell.
#pragma once

#include "common/windows_api.h"

#include <string>

#include "guard/start_rights.h"

namespace hollin::guard {

// This process's elevation type and integrity level, and the level of the
// process that owns the notification area (the taskbar's window, else the
// shell's desktop window): the shell the user's programs start from, which
// sends the guard's icon its messages.
StartRights ReadStartRights();

// Asks the desktop's shell to start program with arguments, in folder, as it
// starts what the user opens from the desktop: with the shell's own token.
// The shell's desktop view is found through the shell windows' list
// (IShellWindows::FindWindowSW), and its Shell object runs the start
// (IShellDispatch2::ShellExecute). S_OK where the shell took the start;
// else the first failure on the way. Wants a single-threaded apartment on
// the calling thread.
HRESULT StartThroughShell(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder);

}  // namespace hollin::guard
