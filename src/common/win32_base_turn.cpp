#include "common/win32_base_turn.h"

#include "common/win32_session_mutex.h"
#include "common/win32_text.h"

namespace hollin {

TurnTaken TakeSessionTurn(const std::string& name, unsigned waitMs, HANDLE& held) {
  held = nullptr;
  HANDLE mutex = nullptr;
  ClaimSessionMutex(Wide("Local\\" + name).c_str(), mutex);
  if (!mutex) return TurnTaken::Unguarded;
  const DWORD waited = WaitForSingleObject(mutex, waitMs);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    held = mutex;
    return TurnTaken::Taken;
  }
  CloseHandle(mutex);
  return waited == WAIT_TIMEOUT ? TurnTaken::Busy : TurnTaken::Unguarded;
}

void GiveSessionTurn(HANDLE held) {
  if (!held) return;
  ReleaseMutex(held);
  CloseHandle(held);
}

}  // namespace hollin
