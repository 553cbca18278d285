// Loading, creating and saving the BASE: the base file g.BaseFile (Prev.isd
// where base_location.h puts it) through the data-file component.
//
// Each function shows its progress through the status sink at the points the
// window shows them; every failure of the base file arrives as one
// BaseFileError naming the file and what is wrong. A damaged base file is
// never replaced or deleted by these functions: the window shows the error
// and may offer SetAsideAndRecordNewBase.
#pragma once

#include <string>

#include "base/associations.h"
#include "base/data_file.h"
#include "common/status_sink.h"

namespace hollin {

// The layout of the base as it is written: the type, the merged class root's
// command, its key and program identifier (all a base of format version 1
// holds, kBaseLayoutV1), then the machine classes', user classes' and
// Explorer's choice's identifiers, the command and name of what opens the
// type, and the registry types of the values (see base_store.cpp).
inline constexpr const char* kBaseLayout = "$*256$$$$$$$$$";
inline constexpr const char* kBaseLayoutV1 = "$*256$$$";

// Loads the base file into g.BaseEntries; while it does not exist, from
// g.FormerBaseFile where that is set and exists. With no base file yet (first run,
// told only by status 13), it first records CURRENT as the base (RecordNewBase).
// A base file that was made but never filled (a crash or failure between
// making it and the save that fills it) is filled from CURRENT the same way.
// Shows the yellow LED and, unless a restore is being confirmed, "Reading
// BASE entries...". On failure g.BaseEntries is left as it was; two records
// for one extension raise BaseFileError (Damaged) naming the extension, and
// so does a record without one, or one whose type holds a backslash.
void LoadBase(Associations& g, DataFile& vsdMain, IStatusSink& status,
                    bool& NewDBCreated);

// Loads the base file into g.BaseEntries as LoadBase does, but only a
// base that was recorded: with none, or one that was made but never filled,
// it writes nothing and returns false (an export or a report must never
// record a base, let alone an empty one). Shows what LoadBase shows.
bool LoadRecordedBase(Associations& g, DataFile& vsdMain, IStatusSink& status);

// Raises BaseFileError (Damaged), naming the base file and the record, when
// a record of g.BaseEntries names a key a restore must not write (see
// NamesOnlyItsOwnKeys): a restore asks before it writes anything, and then
// writes nothing. An export, which others import, asks the same.
void RequireRestorableBase(const Associations& g);

// Replaces the records of the base file by g.CurrentEntries, in their order.
// Shows "Building new BASE record from CURRENT entries..." and repaints. The
// file is replaced in one step; when the save fails the old base stays. The
// base as it was is kept as Prev.isd.bak. A base file that LoadBase
// would refuse raises the same BaseFileError and is left as it is.
void SaveCurrentAsDefault(Associations& g, DataFile& vsdMain, IStatusSink& status);

// Makes a new, empty base file, sets NewDBCreated and fills the file from
// CURRENT with SaveCurrentAsDefault.
void RecordNewBase(Associations& g, DataFile& vsdMain, IStatusSink& status,
               bool& NewDBCreated);

// For a base file that cannot be used (damaged, of an unknown format, a
// folder of that name): renames it, in its folder, to a name that is not in
// use ("Prev.damaged-YYYYMMDD-HHMMSS.isd"), then records a new base from
// CURRENT with RecordNewBase. Returns the name the old file now has. When the
// rename fails, BaseFileError (Unwritable) is raised and nothing has changed.
// A damaged g.FormerBaseFile read in place of a missing base file keeps its
// name: the new base goes to g.BaseFile beside it in any case.
std::string SetAsideAndRecordNewBase(Associations& g, DataFile& vsdMain, IStatusSink& status,
                                 bool& NewDBCreated);

}  // namespace hollin
