// The program-wide state of the General module: the CURRENT and BASE
// collections with their working entries (Associations), and the start-up
// flags. The program makes one General; every test makes a fresh one.
#pragma once

#include <cstdint>

#include "base/associations.h"

namespace hollin {

struct General : Associations {
  // A quiet start ("-h") whose main window has not been painted yet.
  bool HiddenStart = false;
  // The screen's vertical twips per pixel, rounded.
  std::int16_t ScreenTwipsY = 0;
};

}  // namespace hollin
