// The program-wide state (AppState, the design's General): the CURRENT and
// BASE collections and the base file (base/associations.h). The program
// makes one; every test makes a fresh one. What the windows keep of their
// own (a quiet start, the one-shot flags of the changes view) is theirs
// (ui/delta_view.h).
#pragma once

#include "base/associations.h"

namespace hollin {

using AppState = Associations;

}  // namespace hollin
