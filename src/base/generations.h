// The generations of the base: each base that an accept, a keep or a
// restore from a generation replaced, kept whole in a folder beside the base
// file ("Prev.history" beside "Prev.isd"), so that an accept can be undone.
//
// A generation is a base file as it was, byte for byte, and loads as any
// base file does. Its name tells its place and when it was recorded as the
// base: "00000012-20261208T101400Z.isd" (a serial, then the time, UTC). The
// time recorded is the name's, or the file's last write where that is
// earlier (a name cannot make a file newer than it is). Generations are in
// the order of their recorded times, a serial deciding between equal times;
// a new one takes the serial above the highest present, and where that
// would pass eight digits, or the serials disagree with the times, the
// generations are first renamed to serials 1, 2, ... in that order (one
// rename at a time, none over another file), so that a serial is never
// taken twice and the order never changes.
// The newest kGenerationsKept are kept; the oldest beyond them are removed.
// A file of a generation's name that fails to load and whose serial does
// not continue the run of the others' (one planted there, not one Hollin
// kept and that was damaged since) is foreign: never numbered, renamed,
// removed or restored from. Files of other names are left alone.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/associations.h"
#include "base/base_file_error.h"

namespace hollin {

inline constexpr int kGenerationsKept = 10;

// The folder of the generations of the base file baseFile (given without its
// extension, as Associations::BaseFile): "<baseFile>.history".
std::string GenerationsFolder(const std::string& baseFile);

struct Generation {
  int number = 0;             // 1: the base before the current one, 2: the one before that ...; 0: foreign
  std::string path;           // the file
  std::int64_t recorded = 0;  // when it was recorded as the base, seconds since 1970 (UTC); 0: unknown
  std::shared_ptr<AssocEntries> entries;  // its records; null when it cannot be used
  std::optional<BaseFileError> problem;  // why it cannot be used (the load's error); none when sound
};

// Every generation in folder, newest first, numbered from 1, each read and
// checked as a load checks a base file: one that cannot be read or is
// damaged keeps its number and says why in problem. None when there is no
// such folder. The foreign files (see above) are not among them; they go
// to *foreign where that is given, unnumbered, each saying why.
std::vector<Generation> ReadGenerations(const std::string& folder, std::vector<Generation>* foreign = nullptr);

// Keeps the file held (a base as it was, recorded at the time recorded) as
// the newest generation in folder, made where it is missing, checks it as a
// load would, and removes the oldest generations beyond kGenerationsKept.
// Returns none when it was kept, else why not;
// never throws (the save it follows is done whatever happens here). The
// caller holds the base's lock, so serials are not taken twice.
std::optional<BaseFileError> KeepGeneration(const std::string& folder, const std::string& held,
                                            std::int64_t recorded);

// The name of a generation (for the tests that plant them).
std::string GenerationName(std::uint32_t serial, std::int64_t recorded);

}  // namespace hollin
