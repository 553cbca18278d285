// make_case_table: writes src/common/case_table.cpp, the case tables of
// registry names, from the upper-case table that upcase_dump prints.
//
//   make_case_table upcase_table.txt > src/common/case_table.cpp
//
// Two names are the same key when their units upcase alike. The folded form
// of a unit stands for all units that upcase alike: the one of them that is
// not the upper-case form itself (the lower-case partner; the lowest, were
// there several), or the upper-case form when it has no partner. So ASCII
// letters fold to lower case, as the enumeration order wants, and folding a
// folded unit changes nothing.
//
// Each table is a list of ranges, in order: every STEP-th unit from FIRST to
// LAST maps to itself plus DELTA (modulo 0x10000); a unit outside every range
// maps to itself. The ranges do not overlap (a range with step 2 leaves the
// units between its own alone), so one binary search finds a unit's range.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr unsigned kUnits = 0x10000;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "make_case_table: %s\n", why.c_str());
  std::exit(1);
}

// The upper-case table from the ranges upcase_dump prints; the first comment
// line, which names the system it came from, goes to origin.
std::vector<unsigned> ReadUpcase(std::istream& in, std::string& origin) {
  std::vector<unsigned> up(kUnits);
  for (unsigned u = 0; u < kUnits; ++u) up[u] = u;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '#') {
      const size_t text = line.find_first_not_of("# ");
      if (origin.empty() && text != std::string::npos) origin = line.substr(text);
      continue;
    }
    std::istringstream fields(line);
    unsigned first, last, step, delta;
    if (!(fields >> std::hex >> first >> last >> step >> delta) || first > last || last >= kUnits ||
        (step != 1 && step != 2) || delta == 0 || delta >= kUnits)
      Fail("line " + std::to_string(number) + " is not FIRST LAST STEP DELTA: " + line);
    for (unsigned u = first; u <= last; u += step) {
      if (up[u] != u) Fail("unit " + std::to_string(u) + " is listed twice");
      up[u] = (u + delta) & 0xFFFF;
    }
  }
  if (origin.empty()) Fail("no comment line names where the table came from");
  return up;
}

std::vector<unsigned> Fold(const std::vector<unsigned>& up) {
  std::vector<unsigned> rep(kUnits, kUnits);  // by upper-case form
  for (unsigned u = 0; u < kUnits; ++u)
    if (u != up[u] && rep[up[u]] == kUnits) rep[up[u]] = u;
  std::vector<unsigned> fold(kUnits);
  for (unsigned u = 0; u < kUnits; ++u) fold[u] = rep[up[u]] == kUnits ? up[u] : rep[up[u]];
  // What the code that uses the table takes for granted.
  for (unsigned u = 0; u < kUnits; ++u) {
    if (up[fold[u]] != up[u] || fold[fold[u]] != fold[u])
      Fail("folding is not stable at " + std::to_string(u));
    if (u < 0x80 && fold[u] != ((u >= 'A' && u <= 'Z') ? u + 32 : u))
      Fail("an ASCII character does not fold to its lower case at " + std::to_string(u));
    if ((u >= 0xD800 && u <= 0xDFFF) != (fold[u] >= 0xD800 && fold[u] <= 0xDFFF) ||
        (u >= 0xD800 && u <= 0xDFFF) != (up[u] >= 0xD800 && up[u] <= 0xDFFF))
      Fail("a surrogate and another unit upcase alike at " + std::to_string(u));
    if (u != 0 && (up[u] == 0 || up[u] == '\\') != (u == '\\'))
      Fail("a unit upcases to a NUL or a backslash at " + std::to_string(u));
  }
  return fold;
}

struct Range {
  unsigned first, last, step, delta;
};

// The fewest ranges a greedy pass finds: from each unit that changes, the
// longer of the run of neighbours and the run of every other unit (with the
// units between unchanged) that change by the same delta.
std::vector<Range> Ranges(const std::vector<unsigned>& map) {
  auto delta = [&map](unsigned u) { return (map[u] - u) & 0xFFFF; };
  std::vector<Range> ranges;
  for (unsigned u = 0; u < kUnits;) {
    const unsigned d = delta(u);
    if (d == 0) {
      ++u;
      continue;
    }
    unsigned byOne = u, byTwo = u;
    while (byOne + 1 < kUnits && delta(byOne + 1) == d) ++byOne;
    while (byTwo + 2 < kUnits && delta(byTwo + 2) == d && delta(byTwo + 1) == 0) byTwo += 2;
    const Range r = byTwo > byOne ? Range{u, byTwo, 2, d} : Range{u, byOne, 1, d};
    ranges.push_back(r);
    u = r.last + 1;
  }
  // Read back, the ranges give the map again.
  std::vector<unsigned> back(kUnits);
  for (unsigned u = 0; u < kUnits; ++u) back[u] = u;
  for (const Range& r : ranges)
    for (unsigned u = r.first; u <= r.last; u += r.step) back[u] = (u + r.delta) & 0xFFFF;
  if (back != map) Fail("the ranges do not give the table back");
  return ranges;
}

void PrintTable(const char* name, const std::vector<Range>& ranges) {
  std::printf("constexpr CaseRange k%s[%zu] = {", name, ranges.size());
  for (size_t i = 0; i < ranges.size(); ++i) {
    const Range& r = ranges[i];
    std::printf("%s{0x%04X, 0x%04X, %u, 0x%04X},", i % 3 ? " " : "\n    ", r.first, r.last, r.step,
                r.delta);
  }
  std::printf("\n};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) Fail("usage: make_case_table upcase_table.txt > case_table.cpp");
  std::ifstream in(argv[1]);
  if (!in) Fail(std::string("cannot read ") + argv[1]);
  std::string origin;
  const std::vector<unsigned> up = ReadUpcase(in, origin);
  const std::vector<unsigned> fold = Fold(up);
  const std::vector<Range> upper = Ranges(up), folded = Ranges(fold);
  unsigned changed = 0;
  for (unsigned u = 0; u < kUnits; ++u) changed += up[u] != u;

  std::printf(
      "// The case tables of registry names, generated by tools/upcase/make_case_table\n"
      "// from tools/upcase/upcase_table.txt, %s.\n"
      "// %u units upcase to another. Do not edit. To regenerate, print the table in\n"
      "// the Windows build under Wine (or on Windows), then turn it into this source\n"
      "// with the native build's make_case_table (build/native/tools/upcase):\n"
      "//   wine build/windows/tools/upcase/upcase_dump.exe > tools/upcase/upcase_table.txt\n"
      "//   make_case_table tools/upcase/upcase_table.txt > src/common/case_table.cpp\n"
      "#include \"common/case_table.h\"\n\n"
      "namespace hollin::detail {\n\n",
      origin.c_str(), changed);
  PrintTable("FoldRanges", folded);
  PrintTable("UpcaseRanges", upper);
  std::printf(
      "const std::span<const CaseRange> kFoldTable(kFoldRanges);\n"
      "const std::span<const CaseRange> kUpcaseTable(kUpcaseRanges);\n\n"
      "}  // namespace hollin::detail\n");
  std::fprintf(stderr, "%u units upcase to another; %zu folding ranges, %zu upper-case ranges\n",
               changed, folded.size(), upper.size());
  return 0;
}
