// The session's named mutex that keeps one copy of a program per session.
#pragma once

#include "common/session_mutex.h"
#include "common/windows_api.h"

namespace hollin {

// CreateMutexExW, or a test's stand-in for it.
using CreateMutexCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);

// Creates or opens the mutex name ("Local\..."), asking only for SYNCHRONIZE;
// a mutex made here lets every process of the user open it for that, elevated
// or not, so that each copy finds the other whatever its rights. The handle
// (null where none) goes to held, to be closed when the process no longer
// claims the session; the answer tells whether another copy runs.
SessionMutexState ClaimSessionMutex(const wchar_t* name, HANDLE& held, CreateMutexCall create = CreateMutexExW);

}  // namespace hollin
