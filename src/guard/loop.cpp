#include "guard/loop.h"

namespace hollin::guard {

void RunGuard(Guard& guard, ISignals& signals) {
  guard.Start(signals.Now());
  for (;;) {
    const Wakeup w = signals.Wait(guard.WakeAt());
    const Millis now = signals.Now();
    if (w == Wakeup::Stop) return;
    if (w == Wakeup::Registry) guard.RegistryChanged(now);
    if (w == Wakeup::UserClasses) guard.UserClassesChanged(now);
    if (w == Wakeup::BaseFolder) guard.BaseFolderChanged(now);
    guard.Wake(now);
  }
}

}  // namespace hollin::guard
