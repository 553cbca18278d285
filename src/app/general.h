// The program-wide state of the General module: the CURRENT and BASE
// collections, the working entries that go with them and the start-up
// flags. The program makes one General; every test makes a fresh one.
#pragma once

#include <cstdint>
#include <memory>

#include "registry/reg_entry.h"

namespace hollin {

struct General {
  std::shared_ptr<cRegEntries> CurrentEntries = std::make_shared<cRegEntries>();
  std::shared_ptr<cRegEntries> BaseEntries = std::make_shared<cRegEntries>();
  std::shared_ptr<cRegEntry> CurrentEntry;
  std::shared_ptr<cRegEntry> BaseEntry;

  // A quiet start ("-h") whose main window has not been painted yet.
  bool HiddenStart = false;
  // A confirmed restore whose result the next changes view reports; while it
  // is set, the scan and the base load leave the status text alone.
  bool RestoreConfirmed = false;
  // The screen's vertical twips per pixel, rounded.
  std::int16_t ScreenTwipsY = 0;
};

}  // namespace hollin
