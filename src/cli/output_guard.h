// Where a run may put what it writes (a report, an export): never onto a
// file it reads or keeps. A report named like the base would replace the
// user's base with a report, and its backup with the base; an export over
// the associations file being read would change a file that is promised to
// be only read.
#pragma once

#include <string>
#include <vector>

namespace hollin::cli {

// A file that no output of a run may replace.
struct GuardedFile {
  std::string path;  // as the run resolved it
  // A base file: its backup ("<name>.bak"), the temporaries of its writes
  // ("<name>.<...>") and the names it is set aside under
  // ("<stem>.damaged-<...>.isd") are guarded with it, and so is every file
  // of the folder of its generations ("<stem>.history").
  bool base = false;
  std::string what;  // how a refusal names it ("the base file")
};

// The guarded file that writing target would replace, or nullptr. Names are
// compared as Windows resolves them, on every system: "." and ".." taken
// out, letter case and trailing dots and blanks of each name ignored; and
// where the files or their folders exist, by identity, so another path to
// the same file (a link, a share, a short name) is caught too.
const GuardedFile* Clobbers(const std::string& target, const std::vector<GuardedFile>& guarded);

// Why target cannot take a run's output, or "" when it can be tried: an
// existing folder, a name with a colon (an alternate stream of a file, such
// as "Prev.isd:x" or "Prev.isd::$DATA").
std::string UnfitOutput(const std::string& target);

}  // namespace hollin::cli
