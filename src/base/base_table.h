// The content of a base file in memory and its text form.
//
// A base file is text that a person can read and a diff tool can show:
//
//   HOLLINBASE<TAB>2
//   layout<TAB>$*256$$$
//   fields<TAB>Ext<TAB>Path<TAB>Key<TAB>ProgID
//   .txt<TAB>%SystemRoot%\system32\NOTEPAD.EXE %1<TAB>txtfile\shell\open\command<TAB>txtfile
//   end<TAB>1 records<TAB>xxh64 0123456789abcdef
//
// The first line holds the magic word and the format version, then come the
// layout text, the field names, one line per record (values in field order,
// separated by tabs) and the end line with the record count and the XXH64
// checksum of every byte before its hex digits. Lines end with a line feed.
// Values and names are stored as they are, except that a control byte (0x00
// to 0x1F, 0x7F) and the grave accent are written as "`" and two upper-case
// hex digits ("`09" for a tab, "`60" for the accent itself); backslashes,
// quotes, percent signs and bytes above 127 stand for themselves. The form is
// canonical: a table has exactly one text form, and the reader refuses any
// other escape.
//
// The table keeps its records as that escaped text, so a load is one pass
// over the file and a save writes what the table holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hollin {

class BaseTable {
 public:
  static constexpr std::string_view kMagic = "HOLLINBASE";
  // The format version written, and the oldest one read. Versions 2 to 4
  // differ from version 1 only in the fields the base store keeps; a reader
  // of an earlier version refuses a later one as a newer format rather than
  // taking its fields for damage.
  static constexpr int kFormatVersion = 4;
  static constexpr int kOldestFormatVersion = 1;
  // The largest base file: offsets into the table are 32 bits.
  static constexpr std::uint64_t kMaxBytes = 0xFFFFFFFEu;

  // The number of fields that a layout text describes, or 0 when the text is
  // not a layout. A layout has one descriptor per field: "$" for a text field,
  // optionally followed by "*" and a number, which marks the field that keys
  // the table (the number is the width the registry gives a key name: 255
  // characters and the terminating NUL). Values are never cut to it.
  static size_t FieldsOfLayout(std::string_view layout);

  // An empty table with that layout and unnamed fields; the layout must be
  // valid (FieldsOfLayout > 0).
  void Reset(std::string layout);

  // Replaces the table by the content of a base file. Throws BaseFileError,
  // naming path, when the bytes are not a sound base file; the table is
  // then empty. The whole file's checksum, its header and its end line are
  // checked here; the record lines, which only a writer that made the
  // checksum can have got wrong, are parsed at the first use of the records
  // (RecordCount, Value, Append), which then throws. A table cleared before
  // that never parses them. The table takes over the storage of bytes and
  // leaves its old storage there, so that a reader can use one buffer again
  // and again.
  void Decode(std::string& bytes, const std::string& path);

  // The text form of the table, ready to be written.
  std::string Encode() const;
  // The same, built in place in the table's own storage (no copy of the
  // records); valid until Unseal, which must follow before any change.
  std::string_view Seal();
  void Unseal();

  const std::string& Layout() const { return layout_; }
  size_t FieldCount() const { return names_.size(); }
  const std::string& FieldName(size_t field) const { return names_[field]; }
  void SetFieldName(size_t field, std::string name) { names_[field] = std::move(name); }
  // The field of that name (compared without regard to case), or -1.
  int FindField(std::string_view name) const;

  size_t RecordCount() const {
    ParseRecords();
    return escaped_.size();
  }
  // The value of a field of a record. A value that needs unescaping is built
  // in scratch; the view is valid until the table or scratch changes.
  std::string_view Value(size_t record, size_t field, std::string& scratch) const;

  void Clear();
  // Appends a record; values has one value per field.
  void Append(const std::vector<std::string>& values);

  // A record built in place: BeginRecord, SetValue in any order (unset
  // values are empty), then EndRecord to add it or DropRecord to forget it.
  // Values set in field order are escaped straight into the table's text;
  // one set out of order moves the record to a side buffer. Any other
  // change of the table forgets a record being built.
  void BeginRecord();
  void SetValue(size_t field, std::string_view value);
  std::string_view PendingValue(size_t field, std::string& scratch) const;
  void EndRecord();
  void DropRecord();

 private:
  std::string layout_;
  std::vector<std::string> names_;
  std::string Header() const;
  // Parses the record lines that Decode left for later; throws on a fault.
  void ParseRecords() const {
    if (unparsed_) ParseRecordLines();
  }
  void ParseRecordLines() const;

  std::string text_;            // the header, then the record lines
  size_t bodyBegin_ = 0;        // where the record lines begin
  size_t sealedFrom_ = 0;       // where Seal put the end line
  // Per record, relative to bodyBegin_: each field's start, then the offset
  // of its line feed.
  mutable std::vector<std::uint32_t> offsets_;
  mutable std::vector<std::uint8_t> escaped_;  // per record: holds an escape
  // Set by Decode until the record lines are parsed: their count as the end
  // line gives it, and the file name for errors.
  mutable bool unparsed_ = false;
  std::uint64_t declaredCount_ = 0;
  std::string path_;
  // The record being built.
  bool building_ = false;
  bool inPlace_ = false;         // its values are at the end of text_
  size_t recordStart_ = 0;
  std::vector<std::uint32_t> pendingStarts_;  // in place: each value's start
  bool pendingEscaped_ = false;
  std::vector<std::string> side_;             // out of order: the values
};

}  // namespace hollin
