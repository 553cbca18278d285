// The lexical half of the file system helpers: paths taken apart and put
// together as the system reads them. The file operations are in the
// bindings (posix_file_system, win32_file_system).
#include "common/file_system.h"

#include <string_view>
#include <vector>

namespace hollin {
namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
constexpr char kSeparator = '\\';
#else
constexpr bool kWindows = false;
constexpr char kSeparator = '/';
#endif

bool IsSeparator(char c) { return c == '/' || (kWindows && c == '\\'); }

// Where a path's root ends: its name ("C:", "\\server"; Windows only) is
// [0, nameEnd), dir tells whether a root folder follows, and the first name
// below the root starts at relative.
struct Root {
  size_t nameEnd = 0;
  bool dir = false;
  size_t relative = 0;
};

Root RootOf(std::string_view p) {
  Root r;
  size_t pos = 0;
  if (!p.empty() && IsSeparator(p[0])) {
    if (kWindows && p.size() > 2 && p[1] == p[0] && !IsSeparator(p[2])) {  // "\\server"
      pos = 3;
      while (pos < p.size() && !IsSeparator(p[pos])) ++pos;
      r.nameEnd = pos;
      r.dir = pos < p.size();
    } else {
      r.dir = true;
    }
  } else if (kWindows && p.size() > 1 && p[1] == ':') {  // "C:"
    r.nameEnd = pos = 2;
    r.dir = p.size() > 2 && IsSeparator(p[2]);
  }
  while (pos < p.size() && IsSeparator(p[pos])) ++pos;
  r.relative = pos;
  return r;
}

bool HasFileName(std::string_view p) {
  return !p.empty() && !IsSeparator(p.back()) && RootOf(p).relative < p.size();
}

std::string Normal(const std::string& p) {
  if (p.empty()) return p;
  const Root root = RootOf(p);
  std::string out = p.substr(0, root.nameEnd);
  for (char& c : out)
    if (IsSeparator(c)) c = kSeparator;
  if (root.dir) out += kSeparator;
  std::vector<std::string_view> names;
  bool trailing = false;  // a separator after the last name
  for (size_t at = root.relative; at < p.size();) {
    size_t end = at;
    while (end < p.size() && !IsSeparator(p[end])) ++end;
    const std::string_view name(p.data() + at, end - at);
    at = end;
    while (at < p.size() && IsSeparator(p[at])) ++at;
    if (name == ".") {
      trailing = true;
    } else if (name == ".." && !names.empty() && names.back() != "..") {
      names.pop_back();
      trailing = true;
    } else if (name != ".." || !names.empty() || !root.dir) {  // ".." at the root is dropped
      names.push_back(name);
      trailing = end < p.size();
    }
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += kSeparator;
    out += names[i];
  }
  if (trailing && !names.empty() && names.back() != "..") out += kSeparator;
  return out.empty() ? "." : out;
}

}  // namespace

namespace detail {
bool IsAbsolutePath(const std::string& path) {
  const Root root = RootOf(path);
  return root.dir && (root.nameEnd > 0 || !kWindows);
}
}  // namespace detail

std::string JoinPath(const std::string& folder, const std::string& path) {
  const Root root = RootOf(path);
  if (detail::IsAbsolutePath(path)) return path;
  if (!kWindows) {
    if (folder.empty()) return path;
    return HasFileName(folder) ? folder + kSeparator + path : folder + path;
  }
  const size_t folderNameEnd = RootOf(folder).nameEnd;
  const std::string_view name(path.data(), root.nameEnd);
  if (!name.empty() && name != std::string_view(folder.data(), folderNameEnd)) return path;
  const std::string rest = path.substr(root.nameEnd);
  if (root.dir) return folder.substr(0, folderNameEnd) + rest;
  return HasFileName(folder) ? folder + kSeparator + rest : folder + rest;
}

std::string ResolvePath(const std::string& folder, const std::string& path) {
  return Normal(JoinPath(folder, path));
}

std::string FileNameOf(const std::string& path) {
  const Root root = RootOf(path);
  if (root.relative >= path.size() || IsSeparator(path.back())) return std::string();
  size_t start = path.size();
  while (start > root.relative && !IsSeparator(path[start - 1])) --start;
  return path.substr(start);
}

std::string SiblingPath(const std::string& path, const std::string& name) {
  return path.substr(0, path.size() - FileNameOf(path).size()) + name;
}

}  // namespace hollin
