// The program-wide state (AppState): the CURRENT and BASE collections with
// their working entries (Associations), and the start-up flags. The program
// makes one AppState; every test makes a fresh one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/associations.h"

namespace hollin {

struct AppState : Associations {
  // A quiet start ("-h") whose main window has not been painted yet.
  bool HiddenStart = false;
  // The screen's vertical twips per pixel, rounded.
  std::int16_t ScreenTwipsY = 0;
  // The types the guard's notice asked to review: the changes view lists
  // only these (none: every change).
  std::vector<std::string> ReviewTypes;
};

}  // namespace hollin
