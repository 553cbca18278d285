// libFuzzer target for the base file reader. Any bytes either are refused
// with BaseFileError (by Decode or by the first use of the records) or read
// as a table whose every value can be taken and which writes back to exactly
// the bytes it was read from (a file of an earlier version: to the bytes of
// the current one, which read back to themselves), also when the table is
// built again from the values read. Each input is also tried with its
// checksum made right, so that mutations reach the records.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/base_file_error.h"
#include "base/base_table.h"
#include "base/checksum.h"
#include "require.h"

namespace {

void CheckReader(const std::string& bytes) {
  hollin::BaseTable table;
  try {
    std::string input = bytes;
    table.Decode(input, "fuzz.isd");
    table.RecordCount();  // the record lines are parsed at their first use
  } catch (const hollin::BaseFileError&) {
    return;
  }
  const std::string written = table.Encode();
  if (written != bytes) {
    hollin::BaseTable current;
    std::string input = written;
    current.Decode(input, "fuzz.isd");
    current.RecordCount();
    Require(current.RecordCount() == table.RecordCount(), "a table written in the current version holds other records");
    Require(current.Encode() == written, "a table read does not write back to its bytes");
  }
  hollin::BaseTable again;
  again.Reset(table.Layout());
  Require(again.FieldCount() == table.FieldCount(), "layout field count");
  for (size_t f = 0; f < table.FieldCount(); ++f) again.SetFieldName(f, table.FieldName(f));
  std::string scratch;
  std::vector<std::string> values(table.FieldCount());
  for (size_t r = 0; r < table.RecordCount(); ++r) {
    for (size_t f = 0; f < table.FieldCount(); ++f)
      values[f] = std::string(table.Value(r, f, scratch));
    again.Append(values);
  }
  Require(again.Encode() == written, "the values read do not write back to the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckReader(bytes);
  if (size > 17 && bytes[size - 1] == '\n') {
    char hex[17];
    const auto sum = hollin::Xxh64(std::string_view(bytes).substr(0, size - 17));
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(sum));
    CheckReader(bytes.replace(size - 17, 16, hex));
  }
  return 0;
}
