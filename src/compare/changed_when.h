// When a type changed, as far as the registry can tell: the last-write time
// of the key that changed, in the layer that changed. It is the key's time,
// not the change's: a later write to the same key, of anything, moves it,
// and a key made anew since the base was recorded tells when it was made.
#pragma once

#include <cstdint>
#include <string>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

struct ChangedKey {
  HKEY root = nullptr;  // none: nothing to tell (a type that is gone)
  std::string path;
};

// The key whose change makes now open differently from before: where the
// program identifier in force changed, the highest layer whose identifier
// differs (Explorer's choice, the user classes' type, the machine classes'
// type, else the class root's type); where only the command changed, the
// open command of the identifier in force in the layer that holds it; of a
// latent change (LatentLayer), the key of the layer that changed. A record
// without layers names the class root's keys.
ChangedKey ChangedKeyOf(IRegistry& reg, const AssocEntry* now, const AssocEntry* before);

// When key was last written, in seconds since 1970 (UTC); false where it
// cannot be read.
bool KeyLastWritten(IRegistry& reg, const ChangedKey& key, std::int64_t& seconds);

// A time in seconds since 1970 as the local date and minute
// ("2026-12-08 10:14").
std::string LocalMinute(std::int64_t seconds);

}  // namespace hollin
