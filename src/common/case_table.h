// The case tables of registry names, per UTF-16 unit: the system's upper-case
// table (the one the registry compares key names with), and the folded form
// that stands for every unit that upcases alike. case_table.cpp is generated
// by tools/upcase from the table the system itself gives.
#pragma once

#include <span>

namespace hollin::detail {

// Every step-th unit from first to last maps to itself plus delta (modulo
// 0x10000). The ranges of a table are in order and do not overlap; a unit
// outside all of them maps to itself.
struct CaseRange {
  char16_t first, last, step, delta;
};

extern const std::span<const CaseRange> kFoldTable;    // two units fold alike iff they upcase alike
extern const std::span<const CaseRange> kUpcaseTable;  // RtlUpcaseUnicodeChar

}  // namespace hollin::detail
