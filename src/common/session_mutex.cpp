#include "common/session_mutex.h"

namespace hollin {

SessionMutexState SessionMutexStateOf(bool handle, unsigned long error) {
  if (handle) return error == kMutexErrorAlreadyExists ? SessionMutexState::AnotherRuns : SessionMutexState::First;
  return error == kMutexErrorAccessDenied ? SessionMutexState::AnotherRuns : SessionMutexState::Unknown;
}

}  // namespace hollin
