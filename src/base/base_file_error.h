// The one error the base store raises. It names the base file, tells its
// kind so that the caller can choose what to offer (a damaged file can be
// set aside and a new base recorded; a file that cannot be written leaves
// the old base as it was), and the reason with the facts that go with it;
// the messages word it (msg::BaseFileText).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/atomic_file.h"

namespace hollin {

enum class BaseFileProblem {
  Damaged,        // torn, truncated, bad checksum, garbage, duplicate types
  NewerFormat,    // written in a format version this program does not know
  Unreadable,     // a folder of that name, no right to read, an I/O error
  Unwritable,     // full disk, write-protected, no right to write the folder
  AlreadyExists,  // a new base file was asked for where one exists
  Misuse,         // an operation out of its order (a fault of the caller)
};

// What is wrong, in detail. The facts each reason uses are named beside it
// (line, number, count, name, other, cause: see BaseFileFacts).
enum class BaseFileReason : std::uint8_t {
  // Damaged: the whole file
  Empty,
  TooLarge,
  NotABaseFile,             // name: the magic word it should begin with
  TruncatedAfterFirstLine,
  VersionUnreadable,
  NoEndLineAtEnd,
  EmptyLinesAfterEnd,
  EndLineMissing,
  EndLineUnreadable,
  ChecksumMismatch,
  // Damaged: a line (line)
  NoLayout,
  NoFieldNames,
  FieldCount,               // number: the names found, count: the fields
  FieldNamedTwice,          // name
  MoreFieldsThanLayout,
  NoLineFeed,
  ControlByte,
  UnreadableEscape,
  NeedlessEscape,
  FewerValues,              // count: the fields
  MoreValues,               // count: the fields
  // Damaged: the records
  RecordCount,              // number: counted by the end line, count: found
  LinkToNothing,
  Folder,
  Device,
  TwoRecords,               // name: the type
  NoType,
  NotAType,                 // name: the record's type
  NoBaseFields,
  BadHandler,               // name: the type, other: the handler
  BadVerb,                  // name: the type, other: the verb
  BadKey,                   // name: the type, other: the key
  HoldsNoBase,
  GenerationHoldsNoBase,    // a generation, named by the path as found
  // NewerFormat
  NewerFormat,              // number: the version
  // Unreadable
  CannotRead,               // file
  // Unwritable
  WriteProtected,
  Locked,                   // number: the seconds waited
  LockNameTaken,            // name: the lock file's, taken by what no save makes
  NotSaved,                 // file
  BackupNotKept,            // cause (the file was saved)
  NotHeldForBackup,         // cause
  Over4GiB,
  NotSetAside,              // name: the name it was to have, cause
  HistoryFolderNotMade,     // cause (the path is the folder's)
  NoSerialLeft,             // (the path is the folder's)
  GenerationNotWritten,     // cause
  // AlreadyExists
  AlreadyExists,
  // Misuse
  LayoutNotNow,
  BadLayout,                // name: the layout
  MakeTableTooSoon,
  TableNeverMade,
  DoesNotExist,             // name: the operation
  NotOpen,                  // name: the operation
  ReadOnly,                 // name: the operation
  NoSuchField,              // name
  NoFieldNumber,            // number
  FieldNameTaken,           // name
  NoNewRecordForValue,
  NoCurrentRecord,
  NoNewRecordToStore,
  PastLastRecord,
};
inline constexpr int kBaseFileReasons = static_cast<int>(BaseFileReason::PastLastRecord) + 1;

struct BaseFileFacts {
  std::uint64_t line = 0;
  std::uint64_t number = 0;
  std::uint64_t count = 0;
  std::string name;
  std::string other;
  std::string cause;  // the system's reason, as it words it
  std::shared_ptr<const FileError> file;  // the read's or the write's own error, where one failed

  BaseFileFacts& Line(std::uint64_t v) { line = v; return *this; }
  BaseFileFacts& Number(std::uint64_t v) { number = v; return *this; }
  BaseFileFacts& Count(std::uint64_t v) { count = v; return *this; }
  BaseFileFacts& Name(std::string v) { name = std::move(v); return *this; }
  BaseFileFacts& Other(std::string v) { other = std::move(v); return *this; }
  BaseFileFacts& Cause(std::string v) { cause = std::move(v); return *this; }
  BaseFileFacts& File(const FileError& e) { file = std::make_shared<const FileError>(e); return *this; }
};

// The kind of each reason.
BaseFileProblem ProblemOf(BaseFileReason reason);

class BaseFileError : public std::runtime_error {
 public:
  // what() is only the path; the messages word the error.
  BaseFileError(BaseFileReason reason, std::string path, BaseFileFacts facts = {});
  BaseFileProblem problem() const { return ProblemOf(reason_); }
  BaseFileReason reason() const { return reason_; }
  const std::string& path() const { return path_; }
  const BaseFileFacts& facts() const { return facts_; }

 private:
  BaseFileReason reason_;
  std::string path_;
  BaseFileFacts facts_;
};

}  // namespace hollin
