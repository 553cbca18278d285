#include "cli/output_guard.h"

#include "common/text.h"
#include "messages/command_line_texts.h"

namespace hollin::cli {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A name as the file system takes it: without trailing dots and blanks
// (except "." and ".."), letter case folded.
std::string NameKey(std::string_view name) {
  if (name != "." && name != "..")
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  return FoldCase(name);
}

// The path with every name made a NameKey, separators made one.
std::string PathKey(std::string_view path) {
  std::string out;
  size_t at = 0;
  while (at <= path.size()) {
    size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    out += NameKey(path.substr(at, end - at));
    if (end < path.size()) out.push_back('/');
    at = end + 1;
  }
  return out;
}

std::string FolderOf(const std::string& path) {
  const std::string leaf = FileNameOf(path);
  return path.substr(0, path.size() - leaf.size());
}

// A folder's path as the system opens it: "." for none, without the
// separator it ends in (but a root's own).
std::string AsFolder(std::string folder) {
  while (folder.size() > 1 && IsSeparator(folder.back()) && folder[folder.size() - 2] != ':') folder.pop_back();
  return folder.empty() ? "." : folder;
}

class Guard {
 public:
  explicit Guard(const IdentityLookup& identityOf) : identityOf_(identityOf) {}

  bool SameIdentity(const std::string& a, const std::string& b) const {
    FileIdentity x, y;
    return !a.empty() && !b.empty() && identityOf_(a, x) && identityOf_(b, y) && x == y;
  }

  bool SameFolder(const std::string& a, const std::string& b) const {
    const std::string fa = FolderOf(a), fb = FolderOf(b);
    return PathKey(fa) == PathKey(fb) || SameIdentity(AsFolder(fa), AsFolder(fb));
  }

  // Whether target lies in the folder of a base's generations
  // ("<stem>.history" beside it), which are kept with it: by its name, or,
  // however it is spelled, by the folder's identity.
  bool InGenerationsOf(const std::string& target, const GuardedFile& g, std::string& history) const {
    const std::string folder = AsFolder(FolderOf(target));
    const std::string own = FileNameOf(g.path);
    const size_t dot = own.rfind('.');
    history = FolderOf(g.path) + (dot == std::string::npos ? own : own.substr(0, dot)) + ".history";
    if (NameKey(FileNameOf(folder)) == NameKey(FileNameOf(history)) && SameFolder(folder, g.path)) return true;
    return SameIdentity(folder, history);
  }

 private:
  const IdentityLookup& identityOf_;
};

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Whether the name leaf stands for the guarded file or, for a base, one of
// the names that go with it.
bool NamesGuarded(const std::string& leaf, const GuardedFile& g) {
  const std::string target = NameKey(leaf);
  const std::string own = NameKey(FileNameOf(g.path));
  if (target == own) return true;
  if (!g.base) return false;
  if (StartsWith(target, own + ".")) return true;  // the backup and the temporaries
  const size_t dot = own.rfind('.');
  const std::string stem = dot == std::string::npos ? own : own.substr(0, dot);
  return StartsWith(target, stem + ".damaged-") && EndsWith(target, ".isd");
}

}  // namespace

const GuardedFile* Clobbers(const std::string& target, const std::vector<GuardedFile>& guarded, std::string* history,
                            const IdentityLookup& identityOf) {
  const Guard guard(identityOf);
  const std::string leaf = FileNameOf(target);
  for (const GuardedFile& g : guarded) {
    if (g.path.empty()) continue;
    if (NamesGuarded(leaf, g) && guard.SameFolder(target, g.path)) return &g;
    std::string folder;
    if (g.base && guard.InGenerationsOf(target, g, folder)) {
      if (history) *history = folder;
      return &g;
    }
    // A hard link is another name of the same file.
    if (guard.SameIdentity(target, g.path) || (g.base && guard.SameIdentity(target, g.path + ".bak"))) return &g;
  }
  return nullptr;
}

std::string UnfitOutput(const std::string& target) {
  const std::string leaf = FileNameOf(target);
  if (leaf.empty() || IsFolder(target)) return msg::kIsAFolder;
  if (leaf.find(':') != std::string::npos) return msg::kNamesAStream;
  if (IsDevice(target)) return msg::kIsADevice;
  return std::string();
}

}  // namespace hollin::cli
