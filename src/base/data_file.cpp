#include "base/data_file.h"

#include <system_error>

#include "common/atomic_file.h"
#include "common/file_system.h"

namespace hollin {
namespace {

// The cause part of a FileError, without the file name it starts with.
std::string CauseOf(const FileError& e) {
  const std::string prefix = "The file \"" + e.path() + "\" ";
  const std::string what = e.what();
  std::string cause =
      what.compare(0, prefix.size(), prefix) == 0 ? what.substr(prefix.size()) : what;
  while (!cause.empty() && (cause.back() == '.' || cause.back() == ' ')) cause.pop_back();
  return cause;
}

}  // namespace

std::string DataFile::ShownPath() const {
  return AbsolutePath(path_);
}

void DataFile::Fail(BaseFileProblem problem, const std::string& detail) const {
  throw BaseFileError(problem, ShownPath(), detail);
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
    if (const char* what = NoFile()) Fail(BaseFileProblem::Damaged, std::string("is damaged: ") + what);
    Fail(BaseFileProblem::Unreadable, CauseOf(e) + ".");
  }
  if (read == ReadResult::NotFound && NameTaken(path_))
    if (const char* what = NoFile()) Fail(BaseFileProblem::Damaged, std::string("is damaged: ") + what);
  if (read == ReadResult::NotFound) {
    state_ = State::NoFile;
    status_ = kStatusNoSuchFile;
    return;
  }
  if (read == ReadResult::TooLarge)
    Fail(BaseFileProblem::Damaged, "is damaged: it is too large to be a base file.");
  table_.Decode(io_, ShownPath());
  state_ = State::Open;
  fileExisted_ = true;
}

const char* DataFile::NoFile() const {
  FileIdentity identity;
  if (!NameTaken(path_)) return nullptr;
  if (!IdentityOf(path_, identity)) return "it is a link that leads to no file.";
  if (IsFolder(path_)) return "it is a folder, not a file.";
  if (!IsPlainFile(path_)) return "it is a device or a pipe, not a file.";
  return nullptr;
}

void DataFile::Create() {
  Reset(State::Closed);
  if (NameTaken(path_))
    Fail(BaseFileProblem::AlreadyExists,
         "already exists; a new base file is made only where there is none.");
  state_ = State::Creating;
}

void DataFile::Layout(std::string layout) {
  if (state_ != State::Creating && !(state_ == State::Open && updatable_))
    Fail(BaseFileProblem::Misuse, "takes a layout only while it is being created or updated.");
  if (BaseTable::FieldsOfLayout(layout) == 0)
    Fail(BaseFileProblem::Misuse, "cannot take the layout \"" + layout + "\".");
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
    Fail(BaseFileProblem::Misuse, "needs Create and a layout before MakeTable.");
  state_ = State::Open;
  dirty_ = true;
}

void DataFile::Close() {
  if (state_ == State::Creating)
    Fail(BaseFileProblem::Misuse, "was created, but its table was never made.");
  if (state_ == State::Open && dirty_) {
    const std::string_view content = table_.Seal();
    struct Unsealer {
      BaseTable& table;
      ~Unsealer() { table.Unseal(); }
    } unseal{table_};
    if (IsWriteProtected(path_))
      Fail(BaseFileProblem::Unwritable,
           "is write-protected; the base was not saved and the file is as it was.");
    // One save at a time replaces the file: what another saved meanwhile is
    // what this one keeps as the old base. Where the lock file cannot be
    // made, the replacement below fails with the system's reason.
    const FileLock lock(path_ + std::string(kLockSuffix), kLockWaitMs);
    if (lock.Contended())
      Fail(BaseFileProblem::Unwritable,
           "is being saved by another program, which has not finished in " + std::to_string(kLockWaitMs / 1000) +
               " seconds; the base was not saved and the file is as it was.");
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
      Fail(BaseFileProblem::Unwritable,
           CauseOf(e) + "; the base was not saved and the file is as it was.");
    }
    if (!held.empty() && keepOld_) keepOld_(held, written);
    if (!held.empty()) {
      if (const std::error_code ec = RenameReplacing(held, path_ + ".bak")) {
        RemoveFile(held);
        Fail(BaseFileProblem::Unwritable,
             "was saved, but the base as it was cannot be kept as its backup (" +
                 ec.message() + ").");
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
    Fail(BaseFileProblem::Unwritable,
         "cannot be kept as a backup (" + ec.message() +
             "); the base was not saved and the file is as it was.");
  }
  return tmp;
}

void DataFile::RequireTable(const char* operation) const {
  if (state_ == State::Open) return;
  Fail(BaseFileProblem::Misuse,
       std::string(state_ == State::NoFile ? "does not exist" : "is not open") +
           ", so " + operation + " cannot be done.");
}

void DataFile::RequireUpdatable(const char* operation) const {
  RequireTable(operation);
  if (!updatable_)
    Fail(BaseFileProblem::Misuse, std::string("is open read-only (Updatable is off), so ") +
                                      operation + " cannot be done.");
}

size_t DataFile::FieldIndex(std::string_view fieldName) const {
  const int index = table_.FindField(fieldName);
  if (index < 0)
    Fail(BaseFileProblem::Misuse, "has no field named \"" + std::string(fieldName) + "\".");
  return static_cast<size_t>(index);
}

void DataFile::FieldName(int number, std::string name) {
  RequireTable("FieldName");
  if (number < 1 || static_cast<size_t>(number) > table_.FieldCount())
    Fail(BaseFileProblem::Misuse, "has no field number " + std::to_string(number) + ".");
  const auto field = static_cast<size_t>(number - 1);
  if (table_.FieldName(field) == name) return;
  const int other = table_.FindField(name);
  if (!name.empty() && other >= 0 && static_cast<size_t>(other) != field)
    Fail(BaseFileProblem::Misuse, "already has a field named \"" + name + "\".");
  table_.SetFieldName(field, std::move(name));
  dirty_ = true;
}

const std::string& DataFile::FieldName(int number) const {
  RequireTable("FieldName");
  if (number < 1 || static_cast<size_t>(number) > table_.FieldCount())
    Fail(BaseFileProblem::Misuse, "has no field number " + std::to_string(number) + ".");
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
    Fail(BaseFileProblem::Misuse, "has no new record to take a value (NewRecord first).");
  table_.SetValue(FieldIndex(fieldName), value);
}

std::string_view DataFile::FieldValue(std::string_view fieldName) const {
  if (state_ != State::Open) RequireTable("FieldValue");
  const size_t field = FieldIndex(fieldName);
  if (pending_) return table_.PendingValue(field, scratch_);
  if (EndOfRecords()) Fail(BaseFileProblem::Misuse, "has no current record.");
  return table_.Value(current_, field, scratch_);
}

void DataFile::StoreRecord() {
  if (!pending_) Fail(BaseFileProblem::Misuse, "has no new record to store (NewRecord first).");
  try {
    table_.EndRecord();
  } catch (const std::length_error&) {
    Fail(BaseFileProblem::Unwritable, "cannot hold more than 4 GiB.");
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
  if (EndOfRecords()) Fail(BaseFileProblem::Misuse, "is past its last record.");
  ++current_;
}

}  // namespace hollin
