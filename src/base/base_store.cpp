#include "base/base_store.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <system_error>
#include <unordered_set>

#include "base/base_location.h"
#include "base/data_file.h"
#include "base/generations.h"
#include "common/atomic_file.h"
#include "common/file_system.h"
#include "common/text.h"
#include "registry/layers.h"
#include "registry/reg_entry.h"

namespace hollin {
namespace {

constexpr std::string_view kFieldExt = "Ext";
constexpr std::string_view kFieldPath = "Path";
constexpr std::string_view kFieldKey = "Key";
constexpr std::string_view kFieldProgID = "ProgID";
// The layers, from format version 2 on.
constexpr std::string_view kFieldMachine = "Machine";
constexpr std::string_view kFieldUser = "User";
constexpr std::string_view kFieldChoice = "Choice";
constexpr std::string_view kFieldCommand = "Command";
constexpr std::string_view kFieldOpener = "Opener";
// The registry types of the extension's default, the command and the
// machine and user classes' defaults, as decimal numbers separated by
// blanks ("1 2 1 0"; 0: no value).
constexpr std::string_view kFieldTypes = "Types";
// The verb and where Explorer's choice was read, from format version 3 on:
// the default verb where it is not "open", its command, its DelegateExecute
// handler, the layer whose shell key chose it ("user", "machine" or ""),
// and the key of Explorer's choice ("UserChoiceLatest\ProgId",
// "UserChoiceLatest", "UserChoice" or "").
constexpr std::string_view kFieldVerb = "Verb";
constexpr std::string_view kFieldVerbCommand = "VerbCommand";
constexpr std::string_view kFieldHandler = "Handler";
constexpr std::string_view kFieldVerbAt = "VerbAt";
constexpr std::string_view kFieldChoiceAt = "ChoiceAt";
// The Explorer's choice that Windows did not honour, from format version 4
// on ("" for none).
constexpr std::string_view kFieldNotHonoured = "NotHonoured";
constexpr std::string_view kFields[] = {kFieldExt,     kFieldPath,   kFieldKey,         kFieldProgID,
                                        kFieldMachine, kFieldUser,   kFieldChoice,      kFieldCommand,
                                        kFieldOpener,  kFieldTypes,  kFieldVerb,        kFieldVerbCommand,
                                        kFieldHandler, kFieldVerbAt, kFieldChoiceAt,    kFieldNotHonoured};
constexpr int kFieldsV1 = 4;
constexpr int kFieldsV2 = 10;
constexpr int kFieldsV3 = 15;
constexpr int kFieldsV4 = 16;
// The registry types a record of each kind holds: those of the layers, and
// those of the verb's values too where the verb was read.
constexpr int kTypesWithoutVerbs = AssocEntry::kShellType;

int FieldsOf(const DataFile& vsd) {
  if (vsd.Layout() == kBaseLayout) return kFieldsV4;
  if (vsd.Layout() == kBaseLayoutV3) return kFieldsV3;
  if (vsd.Layout() == kBaseLayoutV2) return kFieldsV2;
  return vsd.Layout() == kBaseLayoutV1 ? kFieldsV1 : 0;
}

// The format version a layout is written in.
int FormatOf(const DataFile& vsd) {
  const int fields = FieldsOf(vsd);
  return fields == kFieldsV4 ? 4 : fields == kFieldsV3 ? 3 : fields == kFieldsV2 ? 2 : fields == kFieldsV1 ? 1 : 0;
}

std::string_view VerbAtText(AssocEntry::VerbSource at) {
  return at == AssocEntry::VerbSource::User ? "user" : at == AssocEntry::VerbSource::Machine ? "machine" : "";
}

AssocEntry::VerbSource VerbAtOf(std::string_view text) {
  if (EqualsNoCase(text, "user")) return AssocEntry::VerbSource::User;
  if (EqualsNoCase(text, "machine")) return AssocEntry::VerbSource::Machine;
  return AssocEntry::VerbSource::None;
}

// A table that RecordNewBase made and no save has named and filled yet: no
// field named, no record. A table with records whose names are gone is
// damaged, not new.
bool NeverFilled(DataFile& vsd) {
  const int fields = FieldsOf(vsd);
  for (int n = 1; n <= fields; ++n)
    if (!vsd.FieldName(n).empty()) return false;
  if (fields == 0) return false;
  vsd.FirstRecord();
  return vsd.EndOfRecords();
}

// A base's fields: those of this version, or of version 1 (which lacks the
// layers).
bool HasBaseFields(const DataFile& vsd) {
  const int fields = FieldsOf(vsd);
  if (fields == 0) return false;
  for (int n = 1; n <= fields; ++n)
    if (vsd.FieldName(n) != kFields[n - 1]) return false;
  return true;
}

std::string TypesText(const AssocEntry& e) {
  std::string out;
  const int slots = e.VerbsRead() ? AssocEntry::kTypeSlots : kTypesWithoutVerbs;
  for (int slot = 0; slot < slots; ++slot) {
    if (slot) out.push_back(' ');
    out += std::to_string(e.ValueType(static_cast<AssocEntry::TypeSlot>(slot)));
  }
  return out;
}

// Reads the types field; a value that is not a small number counts as no
// value (the record stays usable: the types only guide a restore). Returns
// how many it holds.
int ReadTypes(std::string_view text, AssocEntry& e) {
  int count = 0;
  for (int slot = 0; slot < AssocEntry::kTypeSlots; ++slot) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty()) ++count;
    std::uint32_t type = 0;
    size_t i = 0;
    while (i < text.size() && i < 3 && text[i] >= '0' && text[i] <= '9') type = type * 10 + (text[i++] - '0');
    text.remove_prefix(i);
    while (!text.empty() && text.front() != ' ') text.remove_prefix(1);
    e.ValueType(static_cast<AssocEntry::TypeSlot>(slot), type);
  }
  return count;
}

[[noreturn]] void ThrowDamaged(const DataFile& vsd, BaseFileReason reason, std::string_view ext = {}) {
  throw BaseFileError(reason, AbsolutePath(vsd.FilePath()), BaseFileFacts().Name(std::string(ext)));
}

[[noreturn]] void ThrowTwoRecords(const DataFile& vsd, std::string_view ext) {
  ThrowDamaged(vsd, BaseFileReason::TwoRecords, ext);
}

[[noreturn]] void ThrowNoType(const DataFile& vsd) { ThrowDamaged(vsd, BaseFileReason::NoType); }

static_assert(kBaseFileExtension == DataFile::kExtension);

// A record names a file type or a protocol: a key's name, which holds no
// backslash. (Which keys a restore of it may write is checked before a
// restore; every record that a version ever saved loads.)
void RequireType(const DataFile& vsd, std::string_view ext) {
  if (ext.empty()) ThrowNoType(vsd);
  if (ext.find('\\') != std::string_view::npos)
    ThrowDamaged(vsd, BaseFileReason::NotAType, ext);
}

// Reads every record of an open base as a load would, raising the load's
// error for a base that cannot be loaded.
void RequireLoadable(DataFile& vsd) {
  std::unordered_set<std::string> types;
  for (vsd.FirstRecord(); !vsd.EndOfRecords(); vsd.NextRecord()) {
    const std::string_view ext = vsd.FieldValue(kFieldExt);
    RequireType(vsd, ext);
    if (!types.insert(FoldCase(ext)).second) ThrowTwoRecords(vsd, ext);
  }
}

// Makes the named file with an empty table of this version's layout; the
// save that follows names and fills its fields.
void MakeEmptyTable(DataFile& vsd) {
  vsd.Create();
  vsd.Layout(kBaseLayout);
  vsd.MakeTable();
  vsd.Close();
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm parts = *std::localtime(&now);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
  return text;
}

}  // namespace

namespace {

// Opens the base a load reads: g.BaseFile, or, while that is missing or was
// never filled, g.FormerBaseFile where one is set.
void OpenToRead(const Associations& g, DataFile& vsd) {
  vsd.FileName(g.BaseFile, g.BaseExtension);
  vsd.Open();
  // A save into the new place that never filled it (a crash between making
  // the file and filling it) must not hide the former base either.
  if (!g.FormerBaseFile.empty() && (vsd.Status() == DataFile::kStatusNoSuchFile || NeverFilled(vsd))) {
    vsd.FileName(g.FormerBaseFile);
    vsd.Open();
  }
}

void Tell(IBaseProgress* progress, BaseStep step) {
  if (progress) progress->Step(step);
}

// Reads the records of the open base into g.BaseEntries.
void ReadRecords(Associations& g, DataFile& file, IBaseProgress* progress) {
  if (!HasBaseFields(file))
    ThrowDamaged(file, BaseFileReason::NoBaseFields);
  const int format = FormatOf(file);
  const bool layered = format >= 2, verbs = format >= 3, setAside = format >= 4;
  Tell(progress, BaseStep::Reading);

  file.FirstRecord();
  auto entries = std::make_shared<AssocEntries>();
  while (!file.EndOfRecords()) {
    auto entry = std::make_shared<AssocEntry>();
    entry->Ext(std::string(file.FieldValue(kFieldExt)));
    entry->ProgramFullPath(std::string(file.FieldValue(kFieldPath)));
    entry->OpenCmdRegKey(std::string(file.FieldValue(kFieldKey)));
    entry->ProgramID(std::string(file.FieldValue(kFieldProgID)));
    if (layered) {
      entry->MachineProgID(std::string(file.FieldValue(kFieldMachine)));
      entry->UserProgID(std::string(file.FieldValue(kFieldUser)));
      entry->ChoiceProgID(std::string(file.FieldValue(kFieldChoice)));
      entry->OpenerCommand(std::string(file.FieldValue(kFieldCommand)));
      entry->OpenerName(std::string(file.FieldValue(kFieldOpener)));
      const int types = ReadTypes(file.FieldValue(kFieldTypes), *entry);
      // A record of a check that did not read the layers says so by its
      // empty types, one that did not read the verb by the types it lacks.
      entry->Layered(types > 0);
      if (verbs && types >= AssocEntry::kTypeSlots) {
        entry->VerbsRead(true);
        entry->Verb(std::string(file.FieldValue(kFieldVerb)));
        entry->VerbCommand(std::string(file.FieldValue(kFieldVerbCommand)));
        entry->Handler(std::string(file.FieldValue(kFieldHandler)));
        entry->VerbAt(VerbAtOf(file.FieldValue(kFieldVerbAt)));
      }
      if (verbs) entry->ChoiceAt(ChoicePlaceOf(file.FieldValue(kFieldChoiceAt)));
      if (setAside && entry->Layered()) {
        entry->IgnoredRead(true);
        entry->IgnoredChoice(std::string(file.FieldValue(kFieldNotHonoured)));
      }
    }
    RequireType(file, entry->Ext());
    try {
      entries->Add(entry, entry->Ext());
    } catch (const AssocEntriesError& e) {
      if (e.code() != AssocEntriesError::Code::DuplicateKey) throw;
      ThrowTwoRecords(file, entry->Ext());
    }
    file.NextRecord();
  }
  file.Close();
  g.BaseEntries = std::move(entries);
  g.BaseFormat = format;
}

}  // namespace

namespace {

// The steps on the component itself; the functions of base_store.h pass
// the component their BaseStore holds.
NotKept SaveCurrentAsDefault(Associations& g, DataFile& file, IBaseProgress* progress);
NotKept SaveEntriesAsBase(Associations& g, DataFile& file, const std::shared_ptr<AssocEntries>& entries);
void RecordNewBase(Associations& g, DataFile& file, IBaseProgress* progress);

BaseLoad LoadBase(Associations& g, DataFile& file, IBaseProgress* progress) {
  OpenToRead(g, file);
  BaseLoad outcome = BaseLoad::Loaded;
  if (file.Status() == DataFile::kStatusNoSuchFile) {
    RecordNewBase(g, file, progress);
    file.Open();
    outcome = BaseLoad::RecordedNew;
  } else if (NeverFilled(file)) {
    SaveCurrentAsDefault(g, file, progress);
    file.FileName(g.BaseFile, g.BaseExtension);
    file.Open();
    outcome = BaseLoad::RecordedNew;
  }
  ReadRecords(g, file, progress);
  return outcome;
}

bool LoadRecordedBase(Associations& g, DataFile& file, IBaseProgress* progress) {
  OpenToRead(g, file);
  if (file.Status() == DataFile::kStatusNoSuchFile || NeverFilled(file)) {
    file.FileName(g.BaseFile, g.BaseExtension);  // closes it unchanged
    return false;
  }
  ReadRecords(g, file, progress);
  return true;
}

NotKept SaveCurrentAsDefault(Associations& g, DataFile& file, IBaseProgress* progress) {
  Tell(progress, BaseStep::Saving);
  return SaveEntriesAsBase(g, file, g.CurrentEntries);
}

NotKept SaveEntriesAsBase(Associations& g, DataFile& file, const std::shared_ptr<AssocEntries>& entries) {
  file.FileName(g.BaseFile, g.BaseExtension);
  file.Open();
  // The first save of a base read from its former place makes the file.
  if (file.Status() == DataFile::kStatusNoSuchFile) {
    MakeEmptyTable(file);
    file.Open();
  }
  if (file.Status() != DataFile::kStatusNoSuchFile &&
      !(NeverFilled(file) || HasBaseFields(file)))
    ThrowDamaged(file, BaseFileReason::NoBaseFields);
  // A base that a load would refuse is not saved over either: only setting
  // it aside replaces it.
  if (file.Status() != DataFile::kStatusNoSuchFile && HasBaseFields(file))
    RequireLoadable(file);
  // A table just made (a first run's) is no base to keep, in the history or
  // as the backup: a backup that held it would load as a base never filled,
  // and a start would take it for a new base to record.
  const bool filled = !NeverFilled(file);
  file.Updatable(true);
  file.KeepBackup(filled);
  NotKept notKept;
  if (filled)
    file.KeepOldBase([&notKept, folder = GenerationsFolder(g.BaseFile)](const std::string& held, std::int64_t written) {
      notKept = KeepGeneration(folder, held, written);
    });
  // A base of an earlier format version is written in this one.
  file.Layout(kBaseLayout);
  for (int n = 1; n <= kFieldsV4; ++n) file.FieldName(n, std::string(kFields[n - 1]));
  file.Clear();
  const std::shared_ptr<AssocEntries> recorded = RecordableEntries(entries, *g.BaseEntries);
  for (const auto& entry : *recorded) {
    file.NewRecord();
    file.FieldValue(kFieldExt, entry->Ext());
    file.FieldValue(kFieldPath, entry->ProgramFullPath());
    file.FieldValue(kFieldKey, entry->OpenCmdRegKey());
    file.FieldValue(kFieldProgID, entry->ProgramID());
    if (entry->Layered()) {
      file.FieldValue(kFieldMachine, entry->MachineProgID());
      file.FieldValue(kFieldUser, entry->UserProgID());
      file.FieldValue(kFieldChoice, entry->ChoiceProgID());
      file.FieldValue(kFieldCommand, entry->OpenerCommand());
      file.FieldValue(kFieldOpener, entry->OpenerName());
      file.FieldValue(kFieldTypes, TypesText(*entry));
      if (entry->VerbsRead()) {
        // The verb "open" is the rule and is not written.
        if (entry->VerbIsNotOpen()) {
          file.FieldValue(kFieldVerb, entry->Verb());
          file.FieldValue(kFieldVerbCommand, entry->VerbCommand());
        }
        file.FieldValue(kFieldHandler, entry->Handler());
        file.FieldValue(kFieldVerbAt, VerbAtText(entry->VerbAt()));
      }
      file.FieldValue(kFieldChoiceAt, ChoicePlaceText(entry->ChoiceAt()));
      file.FieldValue(kFieldNotHonoured, entry->IgnoredChoice());
    }
    file.StoreRecord();
  }
  file.Close();
  g.BaseFormat = 4;
  return notKept;
}

NotKept SaveGenerationAsBase(Associations& g, DataFile& file, const std::shared_ptr<AssocEntries>& records,
                                 IBaseProgress* progress) {
  Tell(progress, BaseStep::Saving);
  NotKept notKept = SaveEntriesAsBase(g, file, records);
  g.BaseEntries = records;
  return notKept;
}

void RecordNewBase(Associations& g, DataFile& file, IBaseProgress* progress) {
  file.FileName(g.BaseFile, g.BaseExtension);
  MakeEmptyTable(file);
  SaveCurrentAsDefault(g, file, progress);
}

std::string SetAsideAndRecordNewBase(Associations& g, DataFile& file, IBaseProgress* progress) {
  // A damaged former base is not set aside: its folder cannot be written,
  // and the new base goes to BaseFile anyway.
  const std::string read = BaseFileRead(g);
  if (read != g.BaseFile + g.BaseExtension) {
    RecordNewBase(g, file, progress);
    return FileNameOf(read);
  }
  file.FileName(g.BaseFile, g.BaseExtension);
  const std::string current = file.FilePath();
  const std::string stem = FileNameOf(g.BaseFile) + ".damaged-" + Timestamp();
  std::string leaf;
  for (int n = 1;; ++n) {
    leaf = stem;
    if (n > 1) leaf.append("-").append(std::to_string(n));
    leaf.append(kBaseFileExtension);
    if (!NameTaken(SiblingPath(current, leaf))) break;
  }
  if (const std::error_code ec = RenameReplacing(current, SiblingPath(current, leaf)))
    throw BaseFileError(BaseFileReason::NotSetAside, AbsolutePath(current), BaseFileFacts().Name(leaf).Cause(ec.message()));
  RecordNewBase(g, file, progress);
  return leaf;
}

}  // namespace

struct BaseStoreDoor {
  static DataFile& File(BaseStore& store) { return *store.file_; }
};

BaseStore::BaseStore() : file_(std::make_unique<DataFile>()) {}
BaseStore::BaseStore(const BaseStore& other) : file_(std::make_unique<DataFile>(*other.file_)) {}
BaseStore::~BaseStore() = default;

BaseLoad LoadBase(Associations& g, BaseStore& store, IBaseProgress* progress) {
  return LoadBase(g, BaseStoreDoor::File(store), progress);
}

bool LoadRecordedBase(Associations& g, BaseStore& store, IBaseProgress* progress) {
  return LoadRecordedBase(g, BaseStoreDoor::File(store), progress);
}

std::shared_ptr<AssocEntries> RecordableEntries(const std::shared_ptr<AssocEntries>& entries, const AssocEntries& base) {
  if (std::none_of(entries->begin(), entries->end(), [](const auto& e) { return e->Unreadable(); })) return entries;
  auto out = std::make_shared<AssocEntries>();
  out->Reserve(static_cast<size_t>(entries->Count()));
  for (const auto& e : *entries) {
    if (!e->Unreadable()) {
      out->Add(e, e->Ext());
    } else if (const AssocEntry* kept = base.Lookup(e->Ext()); kept && !kept->Unreadable()) {
      out->Add(std::make_shared<AssocEntry>(*kept), kept->Ext());
    }
  }
  return out;
}

NotKept SaveCurrentAsDefault(Associations& g, BaseStore& store, IBaseProgress* progress) {
  return SaveCurrentAsDefault(g, BaseStoreDoor::File(store), progress);
}

NotKept SaveEntriesAsBase(Associations& g, BaseStore& store, const std::shared_ptr<AssocEntries>& entries) {
  return SaveEntriesAsBase(g, BaseStoreDoor::File(store), entries);
}

NotKept SaveGenerationAsBase(Associations& g, BaseStore& store, const std::shared_ptr<AssocEntries>& records,
                             IBaseProgress* progress) {
  return SaveGenerationAsBase(g, BaseStoreDoor::File(store), records, progress);
}

void RecordNewBase(Associations& g, BaseStore& store, IBaseProgress* progress) {
  RecordNewBase(g, BaseStoreDoor::File(store), progress);
}

std::string SetAsideAndRecordNewBase(Associations& g, BaseStore& store, IBaseProgress* progress) {
  return SetAsideAndRecordNewBase(g, BaseStoreDoor::File(store), progress);
}

std::string BaseFileStamp(const Associations& g) {
  std::string bytes;
  try {
    if (ReadWholeFile(BaseFileRead(g), bytes) != ReadResult::Ok) return "none";
  } catch (const FileError&) {
    return "unreadable";
  }
  return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>()(bytes));
}

void RequireRestorableBase(const Associations& g) {
  for (const auto& entry : *g.BaseEntries) {
    if (NamesOnlyItsOwnKeys(*entry)) continue;
    const AssocEntry& e = *entry;
    BaseFileReason reason = BaseFileReason::BadKey;
    std::string what = e.OpenCmdRegKey();
    if (!e.Handler().empty() && !IsClassId(e.Handler())) {
      reason = BaseFileReason::BadHandler;
      what = e.Handler();
    } else if (!e.Verb().empty() && !IsVerbName(e.Verb())) {
      reason = BaseFileReason::BadVerb;
      what = e.Verb();
    }
    throw BaseFileError(reason, AbsolutePath(BaseFileRead(g)), BaseFileFacts().Name(e.Ext()).Other(what));
  }
}

}  // namespace hollin
