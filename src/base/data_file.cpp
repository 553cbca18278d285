#include "base/data_file.h"

#include <optional>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_system.h"

namespace hollin {

std::string DataFile::ShownPath() const {
  return AbsolutePath(path_);
}

void DataFile::Fail(BaseFileReason reason, BaseFileFacts facts) const {
  throw BaseFileError(reason, ShownPath(), std::move(facts));
}

void DataFile::Reset(State state) {
  state_ = state;
  status_ = kStatusOpen;
  updatable_ = false;
  keepBackup_ = false;
  keepOld_ = nullptr;
  dirty_ = false;
  fileExisted_ = false;
  table_.Reset(std::string());
  current_ = 0;
  pending_ = false;
}

void DataFile::FileName(std::string name, std::string_view extension) {
  Reset(State::Closed);
  path_ = name + std::string(extension);
  name_ = std::move(name);
}

void DataFile::Open() {
  Reset(State::Closed);
  RemoveStaleTemporaries(path_);  // the writer's and the backup's
  ReadResult read = ReadResult::Ok;
  try {
    // A base table stays below 4 GiB: a larger file is refused by its size.
    read = ReadWholeFile(path_, io_, BaseTable::kMaxBytes);
  } catch (const FileError& e) {
    // A name taken by something that is no file (a folder, a device, a link
    // that leads nowhere) holds no base and never will: damage, which the
    // caller may set aside, not a reason to stop every start.
    if (const auto what = NoFile()) Fail(*what);
    Fail(BaseFileReason::CannotRead, BaseFileFacts().File(e));
  }
  if (read == ReadResult::NotFound && NameTaken(path_))
    if (const auto what = NoFile()) Fail(*what);
  if (read == ReadResult::NotFound) {
    state_ = State::NoFile;
    status_ = kStatusNoSuchFile;
    return;
  }
  if (read == ReadResult::TooLarge)
    Fail(BaseFileReason::TooLarge);
  table_.Decode(io_, ShownPath());
  state_ = State::Open;
  fileExisted_ = true;
}

std::optional<BaseFileReason> DataFile::NoFile() const {
  FileIdentity identity;
  if (!NameTaken(path_)) return std::nullopt;
  if (!IdentityOf(path_, identity)) return BaseFileReason::LinkToNothing;
  if (IsFolder(path_)) return BaseFileReason::Folder;
  if (!IsPlainFile(path_)) return BaseFileReason::Device;
  return std::nullopt;
}

void DataFile::Create() {
  Reset(State::Closed);
  if (NameTaken(path_))
    Fail(BaseFileReason::AlreadyExists);
  state_ = State::Creating;
}

void DataFile::Layout(std::string layout) {
  if (state_ != State::Creating && !(state_ == State::Open && updatable_))
    Fail(BaseFileReason::LayoutNotNow);
  if (BaseTable::FieldsOfLayout(layout) == 0)
    Fail(BaseFileReason::BadLayout, BaseFileFacts().Name(layout));
  if (state_ == State::Open) {
    if (layout == table_.Layout()) return;
    current_ = 0;
    pending_ = false;
    dirty_ = true;
  }
  table_.Reset(std::move(layout));
}

void DataFile::MakeTable() {
  if (state_ != State::Creating || table_.FieldCount() == 0)
    Fail(BaseFileReason::MakeTableTooSoon);
  state_ = State::Open;
  dirty_ = true;
}

void DataFile::Close() {
  if (state_ == State::Creating)
    Fail(BaseFileReason::TableNeverMade);
  if (state_ == State::Open && dirty_) {
    const std::string_view content = table_.Seal();
    struct Unsealer {
      BaseTable& table;
      ~Unsealer() { table.Unseal(); }
    } unseal{table_};
    if (IsWriteProtected(path_))
      Fail(BaseFileReason::WriteProtected);
    // One save at a time replaces the file: what another saved meanwhile is
    // what this one keeps as the old base. Where the lock file cannot be
    // made, the replacement below fails with the system's reason; where its
    // name is taken by what no save makes, that is the reason.
    const FileLock lock(path_ + std::string(kLockSuffix), kLockWaitMs);
    if (lock.Blocked())
      Fail(BaseFileReason::LockNameTaken, BaseFileFacts().Name(AbsolutePath(path_ + std::string(kLockSuffix))));
    if (lock.Contended())
      Fail(BaseFileReason::Locked, BaseFileFacts().Number(kLockWaitMs / 1000));
    // The base as it was is held under a temporary name first and becomes
    // the backup only once the new file has replaced it: a save that fails
    // (a full disk) leaves the base and the older backup as they were. The
    // file as it is now counts, not as it was opened: another copy of the
    // program may have saved since.
    std::string held, now;
    std::int64_t written = 0;
    if (keepBackup_ && ReadOldFile(now) && now != content) {
      if (!LastWriteSeconds(path_, written)) written = 0;
      held = HoldOldFile();
    }
    try {
      ReplaceFileAtomically(path_, content);
    } catch (const FileError& e) {
      if (!held.empty()) RemoveFile(held);
      Fail(BaseFileReason::NotSaved, BaseFileFacts().File(e));
    }
    if (!held.empty() && keepOld_) keepOld_(held, written);
    if (!held.empty()) {
      if (const std::error_code ec = RenameReplacing(held, path_ + ".bak")) {
        RemoveFile(held);
        Fail(BaseFileReason::BackupNotKept, BaseFileFacts().Cause(ec.message()));
      }
    }
  }
  Reset(State::Closed);
}

bool DataFile::ReadOldFile(std::string& bytes) const {
  try {
    return ReadWholeFile(path_, bytes, BaseTable::kMaxBytes) == ReadResult::Ok;
  } catch (const FileError&) {
    return fileExisted_;  // held as before, and a failure to hold it is told
  }
}

std::string DataFile::HoldOldFile() {
  // A hard link keeps the old file's bytes without copying them; where the
  // file system has none, a copy does, flushed before Close renames it to the
  // backup's name like any new file. The temporary name keeps two copies
  // saving at once from tripping over each other, and one left by a crash is
  // removed at the next Open.
  const std::string tmp =
      TemporaryNameFor(path_, detail::CurrentProcessId(), detail::NextTemporarySerial());
  RemoveFile(tmp);
  std::error_code ec = MakeHardLink(path_, tmp);
  if (ec == std::errc::no_such_file_or_directory) return std::string();  // nothing to keep
  if (ec) {
    ec = CopyFileReplacing(path_, tmp);
    if (!ec) ec = FlushFileToDisk(tmp);
  }
  if (ec) {
    RemoveFile(tmp);
    Fail(BaseFileReason::NotHeldForBackup, BaseFileFacts().Cause(ec.message()));
  }
  return tmp;
}

void DataFile::RequireTable(const char* operation) const {
  if (state_ == State::Open) return;
  Fail(state_ == State::NoFile ? BaseFileReason::DoesNotExist : BaseFileReason::NotOpen, BaseFileFacts().Name(operation));
}

void DataFile::RequireUpdatable(const char* operation) const {
  RequireTable(operation);
  if (!updatable_)
    Fail(BaseFileReason::ReadOnly, BaseFileFacts().Name(operation));
}

size_t DataFile::FieldIndex(std::string_view fieldName) const {
  const int index = table_.FindField(fieldName);
  if (index < 0)
    Fail(BaseFileReason::NoSuchField, BaseFileFacts().Name(std::string(fieldName)));
  return static_cast<size_t>(index);
}

void DataFile::FieldName(int number, std::string name) {
  RequireTable("FieldName");
  if (number < 1 || static_cast<size_t>(number) > table_.FieldCount())
    Fail(BaseFileReason::NoFieldNumber, BaseFileFacts().Number(static_cast<std::uint64_t>(number)));
  const auto field = static_cast<size_t>(number - 1);
  if (table_.FieldName(field) == name) return;
  const int other = table_.FindField(name);
  if (!name.empty() && other >= 0 && static_cast<size_t>(other) != field)
    Fail(BaseFileReason::FieldNameTaken, BaseFileFacts().Name(name));
  table_.SetFieldName(field, std::move(name));
  dirty_ = true;
}

const std::string& DataFile::FieldName(int number) const {
  RequireTable("FieldName");
  if (number < 1 || static_cast<size_t>(number) > table_.FieldCount())
    Fail(BaseFileReason::NoFieldNumber, BaseFileFacts().Number(static_cast<std::uint64_t>(number)));
  return table_.FieldName(static_cast<size_t>(number - 1));
}

void DataFile::Clear() {
  RequireUpdatable("Clear");
  table_.Clear();
  current_ = 0;
  pending_ = false;
  dirty_ = true;
}

void DataFile::NewRecord() {
  RequireUpdatable("NewRecord");
  table_.BeginRecord();
  pending_ = true;
}

void DataFile::FieldValue(std::string_view fieldName, std::string_view value) {
  if (!pending_)
    Fail(BaseFileReason::NoNewRecordForValue);
  table_.SetValue(FieldIndex(fieldName), value);
}

std::string_view DataFile::FieldValue(std::string_view fieldName) const {
  if (state_ != State::Open) RequireTable("FieldValue");
  const size_t field = FieldIndex(fieldName);
  if (pending_) return table_.PendingValue(field, scratch_);
  if (EndOfRecords()) Fail(BaseFileReason::NoCurrentRecord);
  return table_.Value(current_, field, scratch_);
}

void DataFile::StoreRecord() {
  if (!pending_) Fail(BaseFileReason::NoNewRecordToStore);
  try {
    table_.EndRecord();
  } catch (const std::length_error&) {
    Fail(BaseFileReason::Over4GiB);
  }
  pending_ = false;
  dirty_ = true;
}

void DataFile::FirstRecord() {
  if (state_ != State::NoFile) RequireTable("FirstRecord");
  if (pending_) table_.DropRecord();
  pending_ = false;
  current_ = 0;
  table_.RecordCount();  // parses the record lines now, reporting any fault
}

void DataFile::NextRecord() {
  if (state_ != State::NoFile) RequireTable("NextRecord");
  if (EndOfRecords()) Fail(BaseFileReason::PastLastRecord);
  ++current_;
}

}  // namespace hollin
