// The session's turns as named mutexes ("Local\" and the turn's name).
#pragma once

#include <string>

#include "common/windows_api.h"

namespace hollin {

enum class TurnTaken {
  Taken,      // held: held is the mutex's handle, for GiveSessionTurn
  Busy,       // another process still held it after the wait
  Unguarded,  // no mutex of that name can be had (out of resources, the name
              // taken by another kind of object): the caller goes on without
};

// Creates or opens the mutex as the session mutex is (any rights of the
// user's find it), and waits up to waitMs for it. A mutex whose holder
// ended without giving it back is taken: what that holder wrote of a base
// file is whole (it is replaced in one step), and a restore it left half
// done is what the next check finds and tells.
TurnTaken TakeSessionTurn(const std::string& name, unsigned waitMs, HANDLE& held);
void GiveSessionTurn(HANDLE held);

}  // namespace hollin
