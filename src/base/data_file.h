// DataFile: the data-file component that holds the base file.
//
// One table of text records in one file. The file name is given without
// folder or extension; the component adds ".isd" and works in the current
// folder. The whole file is read at Open and written at Close: changes made
// in between stay in memory, and Close puts them on the disk in one atomic
// replacement (a temporary file beside it, flushed, then moved over the old
// one). A crash, a kill or a power loss at any moment leaves the old base or
// the new one; a component that is reopened, given another file name or
// destroyed without Close leaves the file as it was. Stale temporary files of an earlier crash are
// ignored, and removed at the next Open.
//
// Use, in the orders the base store relies on:
//   new file:  FileName, Create, Layout, MakeTable, Close
//   save:      FileName, Open, Updatable(true), KeepBackup(true), Layout,
//              FieldName 1..n, Clear, then per record NewRecord,
//              FieldValue..., StoreRecord; Close
//   load:      FileName, Open, Status (13: no such file), FirstRecord, then
//              while !EndOfRecords: FieldValue..., NextRecord; Close
//
// Every failure raises BaseFileError, naming the file and what is wrong; a
// damaged file is never changed, and a failed Close leaves the old file as
// it was. Open checks the file's checksum, header and end line; faults in the
// record lines themselves (which only a writer that also made the checksum
// can cause) are reported by the first record operation (FirstRecord).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/base_file_error.h"
#include "base/base_table.h"

namespace hollin {

class DataFile {
 public:
  static constexpr int kStatusOpen = 0;
  static constexpr int kStatusNoSuchFile = 13;
  static constexpr std::string_view kExtension = ".isd";

  // The file for the next Open or Create: a name without extension, to
  // which the extension is added (".isd" unless another is given; a file
  // named by the user keeps its own, or none).
  void FileName(std::string name, std::string_view extension = kExtension);
  const std::string& FileName() const { return name_; }
  // The file the component works on: the name and ".isd".
  const std::string& FilePath() const { return path_; }

  // Reads the file. Status() then is 13 when nothing of that name exists
  // (the table then is empty and cannot be changed), 0 otherwise. A file that
  // cannot be read or is not a sound base file raises BaseFileError. Drops
  // the changes of an earlier Open that was not closed and turns both
  // settings off.
  void Open();
  // 13 after an Open that found no file; 0 after any other Open or Create.
  int Status() const { return status_; }

  // Starts a new file; Layout and MakeTable follow. Refuses (AlreadyExists)
  // when something of that name exists: a base is never made over another.
  void Create();
  // The record layout of the file being made (see BaseTable::FieldsOfLayout),
  // or, while an open file is updatable, a new layout for it: its records
  // and field names are dropped (as by Clear) unless it has that layout.
  void Layout(std::string layout);
  const std::string& Layout() const { return table_.Layout(); }
  // Makes the new file's empty table; Close then writes it.
  void MakeTable();
  // Writes the changes, if any, and closes. Closing a closed component does
  // nothing.
  void Close();

  // Names of the fields, by number 1..n; they are stored in the file.
  void FieldName(int number, std::string name);
  const std::string& FieldName(int number) const;

  // Updatable: records may be changed (Clear, NewRecord, FieldValue set,
  // StoreRecord). Off after every Open, so that a load cannot change the
  // base by mistake.
  void Updatable(bool on) { updatable_ = on; }
  bool Updatable() const { return updatable_; }
  // KeepBackup: when Close replaces an existing file by different content,
  // the file as it was is kept beside it as "<name>.isd.bak" (replacing an
  // older one, but only once the new file is in place), so the base before
  // an accept can still be recovered by hand.
  // Off after every Open.
  void KeepBackup(bool on) { keepBackup_ = on; }
  bool KeepBackup() const { return keepBackup_; }
  // Called, while KeepBackup is on, with a file that holds the base as it
  // was and when that was written (seconds since 1970), after the new file
  // is in place and before the old one becomes the backup: the base store
  // keeps it as a generation. It must not throw. Off after every Open.
  using KeepOld = std::function<void(const std::string& held, std::int64_t written)>;
  void KeepOldBase(KeepOld keep) { keepOld_ = std::move(keep); }

  // The lock file that one save of a file holds while it replaces it, so
  // that two saves at once (two copies of the program) take turns: each
  // keeps the base the other wrote, and none is lost. How long one waits.
  static constexpr std::string_view kLockSuffix = ".lock";
  static constexpr unsigned kLockWaitMs = 15000;

  // Removes every record.
  void Clear();
  // Starts a new record with empty values; FieldValue sets them.
  void NewRecord();
  // Sets a value of the new record.
  void FieldValue(std::string_view fieldName, std::string_view value);
  // A value of the new record (after NewRecord) or of the current record.
  // The view is valid until the next call on the component.
  std::string_view FieldValue(std::string_view fieldName) const;
  // Adds the new record at the end of the table.
  void StoreRecord();

  void FirstRecord();
  // True when no record is current: an empty table, or after the last.
  bool EndOfRecords() const { return current_ >= table_.RecordCount(); }
  void NextRecord();

 private:
  enum class State { Closed, NoFile, Creating, Open };

  std::string ShownPath() const;  // the file's full name, for messages
  // What the name of the file leads to where that is no file to read (a
  // folder, a device, a link that leads nowhere), else none.
  std::optional<BaseFileReason> NoFile() const;
  [[noreturn]] void Fail(BaseFileReason reason, BaseFileFacts facts = {}) const;
  void RequireTable(const char* operation) const;
  void RequireUpdatable(const char* operation) const;
  size_t FieldIndex(std::string_view fieldName) const;
  // Keeps the file as it is under a temporary name, which Close makes the
  // backup once the new file is in place; "" when there is none.
  std::string HoldOldFile();
  // The file as it is on the disk now; false when there is none (or it is
  // too large to be a base).
  bool ReadOldFile(std::string& bytes) const;
  void Reset(State state);

  std::string name_;
  std::string path_;
  State state_ = State::Closed;
  int status_ = kStatusOpen;
  bool updatable_ = false;
  bool keepBackup_ = false;
  KeepOld keepOld_;
  bool dirty_ = false;
  bool fileExisted_ = false;         // the file was read at Open
  BaseTable table_;
  std::string io_;                   // the read buffer, reused from Open to Open
  size_t current_ = 0;
  bool pending_ = false;             // a NewRecord not yet stored
  mutable std::string scratch_;
};

}  // namespace hollin
