// Where a run may put what it writes (a report, an export): never onto a
// file it reads or keeps. A report named like the base would replace the
// user's base with a report, and its backup with the base; an export over
// the associations file being read would change a file that is promised to
// be only read.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/file_system.h"

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

// How the guard learns what a path leads to: the identity of the file or
// folder there, following links (IdentityOf; tests pass a stand-in).
using IdentityLookup = std::function<bool(const std::string& path, FileIdentity& identity)>;

// The guarded file that writing target would replace, or nullptr. Names are
// compared as Windows resolves them, on every system: "." and ".." taken
// out, letter case and trailing dots and blanks of each name ignored; and
// where the files or their folders exist, by identity, so another path to
// the same file or folder (a link, a junction, a share, a drive alias, a
// short name, "\\?\") is caught too: a target that does not exist yet is
// judged by its folder, which is the base's (then its name must not be one
// the base keeps) or the base's history (then no name may land there).
// Where the hit is the history, *history (when given) is set to its folder.
const GuardedFile* Clobbers(const std::string& target, const std::vector<GuardedFile>& guarded,
                            std::string* history = nullptr, const IdentityLookup& identityOf = IdentityOf);

// Why target cannot take a run's output, or "" when it can be tried: an
// existing folder, a name with a colon (an alternate stream of a file, such
// as "Prev.isd:x" or "Prev.isd::$DATA").
std::string UnfitOutput(const std::string& target);

}  // namespace hollin::cli
