#include "messages/base_texts.h"

#include "assoc_xml/default_associations.h"
#include "base/base_location.h"
#include "messages/shared_texts.h"
#include "messages/xml_texts.h"

namespace hollin::msg {
namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The system's reason: a file error's words without the file's name they
// begin with and without their stop.
std::string CauseOf(const BaseFileFacts& f) {
  if (!f.file) return f.cause;
  const std::string prefix = "The file " + Quoted(f.file->path()) + " ";
  const std::string what = FileErrorText(*f.file);
  std::string cause = what.compare(0, prefix.size(), prefix) == 0 ? what.substr(prefix.size()) : what;
  while (!cause.empty() && (cause.back() == '.' || cause.back() == ' ')) cause.pop_back();
  return cause;
}

// What follows the file's name, for a damaged file: what is wrong with it,
// without the stop.
std::string Damage(const BaseFileError& e) {
  using R = BaseFileReason;
  const BaseFileFacts& f = e.facts();
  const std::string line = "line " + std::to_string(f.line) + " ";
  switch (e.reason()) {
    case R::Empty: return "it is empty";
    case R::TooLarge: return "it is too large to be a base file";
    case R::NotABaseFile: return "it does not begin with " + f.name + ", so it is not a base file or its start is overwritten";
    case R::TruncatedAfterFirstLine: return "it is truncated after its first line";
    case R::VersionUnreadable: return "its format version is unreadable";
    case R::NoEndLineAtEnd: return "it is truncated (it does not end with its end line)";
    case R::EmptyLinesAfterEnd: return "it has empty lines after its end line";
    case R::EndLineMissing: return "it is truncated (its end line is missing)";
    case R::EndLineUnreadable: return "its end line is unreadable";
    case R::ChecksumMismatch: return "its checksum does not match its content";
    case R::NoLayout: return line + "does not hold a valid layout";
    case R::NoFieldNames: return line + "does not hold the field names";
    case R::FieldCount:
      return line + "names " + std::to_string(f.number) + " fields instead of " + std::to_string(f.count);
    case R::FieldNamedTwice: return line + "names the field " + Quoted(f.name) + " twice";
    case R::MoreFieldsThanLayout: return line + "names more fields than the layout has";
    case R::NoLineFeed: return line + "does not end with a line feed";
    case R::ControlByte: return line + "holds a control byte that is not escaped";
    case R::UnreadableEscape: return line + "holds an unreadable escape";
    case R::NeedlessEscape: return line + "holds an escape for a byte that needs none";
    case R::FewerValues: return line + "holds fewer values than the " + std::to_string(f.count) + " fields";
    case R::MoreValues: return line + "holds more values than the " + std::to_string(f.count) + " fields";
    case R::RecordCount:
      return "its end line counts " + std::to_string(f.number) + " records, but it holds " + std::to_string(f.count);
    case R::LinkToNothing: return "it is a link that leads to no file";
    case R::Folder: return "it is a folder, not a file";
    case R::Device: return "it is a device or a pipe, not a file";
    case R::TwoRecords: return "it holds two records for the file type " + Quoted(f.name);
    case R::NoType: return "it holds a record without a file type";
    case R::NotAType: return "its record " + Quoted(f.name) + " does not name a file type";
    case R::NoBaseFields: return "its table does not have the fields Ext, Path, Key and ProgID";
    case R::BadHandler:
      return "the record of " + Quoted(f.name) + " names the handler " + Quoted(f.other) +
             ", which is not a class identifier. Nothing was restored";
    case R::BadVerb:
      return "the record of " + Quoted(f.name) + " names the verb " + Quoted(f.other) +
             ", which is not one key's name. Nothing was restored";
    case R::BadKey:
      return "the record of " + Quoted(f.name) + " names the key " + Quoted(f.other) +
             ", which is not the open command of the type or of its program identifier. Nothing was restored";
    default: return std::string();
  }
}

// What follows the file's name for every other reason, with its stop.
std::string Other(const BaseFileError& e) {
  using R = BaseFileReason;
  const BaseFileFacts& f = e.facts();
  const std::string notSaved = "the base was not saved and the file is as it was.";
  switch (e.reason()) {
    case R::HoldsNoBase: return "holds no base.";
    case R::NewerFormat:
      return "was written in format version " + std::to_string(f.number) +
             ", which this version of Hollin cannot read.";
    case R::CannotRead: return CauseOf(f) + ".";
    case R::WriteProtected: return "is write-protected; " + notSaved;
    case R::Locked:
      return "is being saved by another program, which has not finished in " + std::to_string(f.number) +
             " seconds; " + notSaved;
    case R::LockNameTaken:
      return "cannot be saved while " + Quoted(f.name) +
             " (the lock its saves take turns by) is a folder or a write-protected file; " + notSaved;
    case R::NotSaved: return CauseOf(f) + "; " + notSaved;
    case R::BackupNotKept: return "was saved, but the base as it was cannot be kept as its backup (" + f.cause + ").";
    case R::NotHeldForBackup: return "cannot be kept as a backup (" + f.cause + "); " + notSaved;
    case R::Over4GiB: return "cannot hold more than 4 GiB.";
    case R::NotSetAside: return "cannot be set aside as " + Quoted(f.name) + " (" + f.cause + "); nothing was changed.";
    case R::AlreadyExists: return "already exists; a new base file is made only where there is none.";
    case R::LayoutNotNow: return "takes a layout only while it is being created or updated.";
    case R::BadLayout: return "cannot take the layout " + Quoted(f.name) + ".";
    case R::MakeTableTooSoon: return "needs Create and a layout before MakeTable.";
    case R::TableNeverMade: return "was created, but its table was never made.";
    case R::DoesNotExist: return "does not exist, so " + f.name + " cannot be done.";
    case R::NotOpen: return "is not open, so " + f.name + " cannot be done.";
    case R::ReadOnly: return "is open read-only (Updatable is off), so " + f.name + " cannot be done.";
    case R::NoSuchField: return "has no field named " + Quoted(f.name) + ".";
    case R::NoFieldNumber: return "has no field number " + std::to_string(f.number) + ".";
    case R::FieldNameTaken: return "already has a field named " + Quoted(f.name) + ".";
    case R::NoNewRecordForValue: return "has no new record to take a value (NewRecord first).";
    case R::NoCurrentRecord: return "has no current record.";
    case R::NoNewRecordToStore: return "has no new record to store (NewRecord first).";
    case R::PastLastRecord: return "is past its last record.";
    default: return std::string();
  }
}

}  // namespace

std::string BaseFileText(const BaseFileError& e) {
  using R = BaseFileReason;
  const std::string& path = e.path();
  const BaseFileFacts& f = e.facts();
  switch (e.reason()) {
    case R::GenerationHoldsNoBase: return "The file " + Quoted(path) + " holds no base.";
    case R::HistoryFolderNotMade: return "the folder " + Quoted(path) + " cannot be made (" + f.cause + ")";
    case R::NoSerialLeft: return "no serial is left for it in " + Quoted(path);
    case R::GenerationNotWritten: return "it cannot be written to " + Quoted(path) + " (" + f.cause + ")";
    default: break;
  }
  const std::string damage = Damage(e);
  return "The base file " + Quoted(path) + " " + (damage.empty() ? Other(e) : "is damaged: " + damage + ".");
}

std::string DescribeBaseFile(const Associations& g) {
  const std::string read = BaseFileRead(g);
  const std::string file = g.BaseFile + g.BaseExtension;
  return read == file ? read : read + " (read only: the next save writes " + file + ")";
}

std::string BaseFileText(const std::optional<BaseFileError>& e) { return e ? BaseFileText(*e) : std::string(); }

std::optional<std::string> CoreErrorText(const std::exception& e) {
  if (const auto* base = dynamic_cast<const BaseFileError*>(&e)) return BaseFileText(*base);
  if (const auto* file = dynamic_cast<const cli::AssociationsFileError*>(&e)) return AssociationsFileText(*file);
  if (const auto* xml = dynamic_cast<const cli::XmlSyntaxError*>(&e)) return XmlSyntaxText(*xml);
  if (const auto* codec = dynamic_cast<const cli::XmlCodecError*>(&e)) return XmlCodecText(*codec);
  return std::nullopt;
}

}  // namespace hollin::msg
