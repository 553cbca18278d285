// Loading, creating and saving the BASE: the base file g.BaseFile (Prev.isd
// where base_location.h puts it) through the data-file component, which
// only this room sees: a caller holds a BaseStore and passes it.
//
// Each function tells its steps (BaseStep) to whoever shows progress, and
// returns what it loaded or saved; every failure of the base file arrives as
// one BaseFileError naming the file, its kind (BaseFileProblem) and what is
// wrong. A damaged base file is never replaced or deleted by these
// functions: the caller reports the error and may offer
// SetAsideAndRecordNewBase.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/associations.h"
#include "base/base_file_error.h"

namespace hollin {

class DataFile;

// The extension of a base file ("Prev.isd").
inline constexpr std::string_view kBaseFileExtension = ".isd";

// The base file as a caller holds it from one load or save to the next (the
// main window's vsdMain): the data-file component behind it, with its read
// buffer kept from use to use.
class BaseStore {
 public:
  BaseStore();
  ~BaseStore();
  // A copy holds a data file of its own in the state of the other's (the
  // guard copies what it keeps off a check's heap).
  BaseStore(const BaseStore& other);
  BaseStore& operator=(const BaseStore&) = delete;

 private:
  friend struct BaseStoreDoor;
  std::unique_ptr<DataFile> file_;
};

// Why the base as it was is not kept in the history; none when it was (or
// there was nothing to keep).
using NotKept = std::optional<BaseFileError>;

// The layout of the base as it is written: the type or protocol, the merged
// class root's command, its key and program identifier (all a base of
// format version 1 holds, kBaseLayoutV1), then the machine classes', user
// classes' and Explorer's choice's identifiers, the command and name of
// what opens the type, and the registry types of the values (format version
// 2, kBaseLayoutV2), then the default verb, its command and handler, the
// layer whose shell key chose it, and where Explorer's choice was read
// (format version 3, kBaseLayoutV3), then the Explorer's choice that
// Windows did not honour (format version 4; see base_store.cpp). A
// protocol's record holds, for its machine and user classes, their open
// commands.
inline constexpr const char* kBaseLayout = "$*256$$$$$$$$$$$$$$$";
inline constexpr const char* kBaseLayoutV3 = "$*256$$$$$$$$$$$$$$";
inline constexpr const char* kBaseLayoutV2 = "$*256$$$$$$$$$";
inline constexpr const char* kBaseLayoutV1 = "$*256$$$";

// A step of a load or a save, as it begins: the records of CURRENT are being
// written (Saving), or the base's records read (Reading).
enum class BaseStep { Saving, Reading };

// Who is told of the steps, to show progress; a caller that shows none
// passes no one.
class IBaseProgress {
 public:
  virtual ~IBaseProgress() = default;
  virtual void Step(BaseStep step) = 0;
};

// What LoadBase found: a recorded base, loaded; or none (or one made but
// never filled), so that CURRENT was recorded as the base and loaded.
enum class BaseLoad { Loaded, RecordedNew };

// Loads the base file into g.BaseEntries; while it does not exist, from
// g.FormerBaseFile where that is set and exists. With no base file yet (first run,
// told only by status 13), it first records CURRENT as the base (RecordNewBase).
// A base file that was made but never filled (a crash or failure between
// making it and the save that fills it) is filled from CURRENT the same way;
// either returns BaseLoad::RecordedNew. Tells BaseStep::Reading before it
// reads the records. On failure g.BaseEntries is left as it was; two records
// for one extension raise BaseFileError (Damaged) naming the extension, and
// so does a record without one, or one whose type holds a backslash.
BaseLoad LoadBase(Associations& g, BaseStore& file, IBaseProgress* progress = nullptr);

// Loads the base file into g.BaseEntries as LoadBase does, but only a
// base that was recorded: with none, or one that was made but never filled,
// it writes nothing and returns false (an export or a report must never
// record a base, let alone an empty one). Tells what LoadBase tells.
bool LoadRecordedBase(Associations& g, BaseStore& file, IBaseProgress* progress = nullptr);

// What tells the base file a load reads (BaseFileRead) as it is now from
// the same file written since: its length and a hash of its bytes; "none"
// while there is none, "unreadable" while it cannot be read.
std::string BaseFileStamp(const Associations& g);

// Raises BaseFileError (Damaged), naming the base file and the record, when
// a record of g.BaseEntries names a key a restore must not write (see
// NamesOnlyItsOwnKeys): a restore asks before it writes anything, and then
// writes nothing. An export, which others import, asks the same.
void RequireRestorableBase(const Associations& g);

// Replaces the records of the base file by g.CurrentEntries, in their order
// (their RecordableEntries against g.BaseEntries).
// Tells BaseStep::Saving first. The file is replaced in one step; when the save fails the old base stays. The
// base as it was is kept as Prev.isd.bak, and as the newest generation
// (base/generations.h) where it differs; a table never filled (a first
// run's) is kept as neither. A base file that LoadBase
// would refuse raises the same BaseFileError and is left as it is. Returns
// none or why the base as it was could not be kept as a generation (the
// save is done all the same).
NotKept SaveCurrentAsDefault(Associations& g, BaseStore& file, IBaseProgress* progress = nullptr);

// Makes the records of a generation the base, as an accept makes CURRENT
// the base (the base it replaces becomes the newest generation), and loads
// them as g.BaseEntries. Returns what SaveCurrentAsDefault returns.
NotKept SaveGenerationAsBase(Associations& g, BaseStore& file, const std::shared_ptr<AssocEntries>& records,
                                 IBaseProgress* progress = nullptr);

// What a base records of entries: each as it is, but one whose key may not
// be read (AssocEntry::Unreadable), which is never recorded: the record base
// holds of it stays as it is, and one base lacks stays out. Every save of a
// base writes this of what it is given.
std::shared_ptr<AssocEntries> RecordableEntries(const std::shared_ptr<AssocEntries>& entries, const AssocEntries& base);

// Replaces the records of the base file by entries, as SaveCurrentAsDefault
// does but without telling a step (the check's silent recording of what an
// earlier format lacked).
NotKept SaveEntriesAsBase(Associations& g, BaseStore& file, const std::shared_ptr<AssocEntries>& entries);

// Makes a new, empty base file and fills it from CURRENT with
// SaveCurrentAsDefault.
void RecordNewBase(Associations& g, BaseStore& file, IBaseProgress* progress = nullptr);

// For a base file that cannot be used (damaged, of an unknown format, a
// folder of that name): renames it, in its folder, to a name that is not in
// use ("Prev.damaged-YYYYMMDD-HHMMSS.isd"), then records a new base from
// CURRENT with RecordNewBase. Returns the name the old file now has. When the
// rename fails, BaseFileError (Unwritable) is raised and nothing has changed.
// A damaged g.FormerBaseFile read in place of a missing base file keeps its
// name: the new base goes to g.BaseFile beside it in any case.
std::string SetAsideAndRecordNewBase(Associations& g, BaseStore& file, IBaseProgress* progress = nullptr);

}  // namespace hollin
