// The program-wide state (AppState, the design's General): the CURRENT and
// BASE collections and the base file (base/associations.h). The program
// makes one; every test makes a fresh one. What a caller keeps beyond it
// is its own.
#pragma once

#include "base/associations.h"

namespace hollin {

using AppState = Associations;

}  // namespace hollin
