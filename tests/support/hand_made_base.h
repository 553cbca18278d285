// A base file written by hand, its checksum right: as only a writer that
// means it could make one.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/checksum.h"

namespace hollin::test {

// A base of format version format with the fields named (tab-separated)
// and these record lines.
inline std::string HandMadeBase(int format, const std::string& fields, const std::vector<std::string>& records) {
  const auto count = static_cast<size_t>(std::count(fields.begin(), fields.end(), '\t'));
  std::string text = "HOLLINBASE\t" + std::to_string(format) + "\nlayout\t$*256" + std::string(count, '$') +
                     "\nfields\t" + fields + "\n";
  for (const auto& r : records) text += r + "\n";
  text += "end\t" + std::to_string(records.size()) + " records\txxh64 ";
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Xxh64(text)));
  return text + hex + "\n";
}

}  // namespace hollin::test
