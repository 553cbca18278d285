// The generations of the base: each base that an accept, a keep or a
// restore from a generation replaced, kept whole in a folder beside the base
// file ("Prev.history" beside "Prev.isd"), so that an accept can be undone.
//
// A generation is a base file as it was, byte for byte, and loads as any
// base file does. Its name sorts by age and tells when it was recorded as
// the base: "00000012-20261208T101400Z.isd" (a serial, then the time, UTC).
// The newest kGenerationsKept are kept; the oldest beyond them are removed.
// Files of other names in the folder are left alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/associations.h"

namespace hollin {

inline constexpr int kGenerationsKept = 10;

// The folder of the generations of the base file baseFile (given without its
// extension, as Associations::BaseFile): "<baseFile>.history".
std::string GenerationsFolder(const std::string& baseFile);

struct Generation {
  int number = 0;             // 1: the base before the current one, 2: the one before that ...
  std::string path;           // the file
  std::int64_t recorded = 0;  // when it was recorded as the base, seconds since 1970 (UTC); 0: unknown
  std::shared_ptr<AssocEntries> entries;  // its records; null when it cannot be used
  std::string problem;        // why it cannot be used (the load's error); "" when sound
};

// Every generation in folder, newest first, numbered from 1, each read and
// checked as a load checks a base file: one that cannot be read or is
// damaged keeps its number and says why in problem. None when there is no
// such folder.
std::vector<Generation> ReadGenerations(const std::string& folder);

// Keeps the file held (a base as it was, recorded at the time recorded) as
// the newest generation in folder, made where it is missing, checks it as a
// load would, and removes the oldest generations beyond kGenerationsKept.
// Returns "" when it was kept, else why not;
// never throws (the save it follows is done whatever happens here). The
// caller holds the base's lock, so serials are not taken twice.
std::string KeepGeneration(const std::string& folder, const std::string& held, std::int64_t recorded);

// The name of a generation (for the tests that plant them).
std::string GenerationName(std::uint32_t serial, std::int64_t recorded);

}  // namespace hollin
