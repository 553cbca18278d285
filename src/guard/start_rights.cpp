#include "guard/start_rights.h"

namespace hollin::guard {

GuardStart DecideGuardStart(const StartRights& rights) {
  if (rights.elevation != Elevation::Full) return GuardStart::Here;
  if (!rights.shellIntegrity) return GuardStart::NotAtAll;
  if (rights.integrity && *rights.shellIntegrity >= *rights.integrity) return GuardStart::Here;
  return GuardStart::ThroughShell;
}

}  // namespace hollin::guard
