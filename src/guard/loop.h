// The guard's loop: wait for a signal, a message or the time the guard asks
// to be woken at, tell the guard, and wait again. The Win32 bindings wait on
// the registry's change notifications and the window's messages together
// (win32_guard); a test's stand-in delivers signals on a clock of its own.
#pragma once

#include "guard/guard.h"

namespace hollin::guard {

enum class Wakeup {
  Time,        // the time asked for came, or messages were handled
  Registry,    // a watched key changed (its watch is armed again)
  UserClasses, // the user classes changed (their watch is armed again)
  BaseFolder,  // the base file's folder changed (its watch is armed again)
  Stop,        // the guard is to end
};

class ISignals {
 public:
  virtual ~ISignals() = default;
  virtual Millis Now() = 0;
  // Waits until a signal comes or until the time wakeAt (kNever: no limit),
  // handling the window's messages meanwhile; commands of the icon's menu
  // and of the notice act on the guard from there.
  virtual Wakeup Wait(Millis wakeAt) = 0;
};

// Starts the guard and runs until Stop.
void RunGuard(Guard& guard, ISignals& signals);

}  // namespace hollin::guard
