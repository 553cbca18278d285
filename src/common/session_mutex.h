// One copy per session: whether another copy runs, from what creating the
// session's named mutex answered. A mutex that exists but cannot be opened
// with this process's rights (an elevated copy made it before the mutex let
// the user's processes open it) fails with "access denied" and gives no
// handle: another copy runs all the same.
#pragma once

namespace hollin {

// Windows' error codes the answer is told by (winerror.h).
inline constexpr unsigned long kMutexErrorAccessDenied = 5;    // ERROR_ACCESS_DENIED
inline constexpr unsigned long kMutexErrorAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

enum class SessionMutexState {
  First,        // made here: no other copy runs
  AnotherRuns,  // it exists (opened, or refused to this process)
  Unknown,      // the call failed otherwise (out of resources, the name taken by
                // another kind of object): this copy runs as if it were first
};

// handle: whether the call gave a handle; error: the last error after it.
SessionMutexState SessionMutexStateOf(bool handle, unsigned long error);

}  // namespace hollin
