#include "risk/command_target.h"

#include "common/text.h"
#include "common/wtf8.h"

namespace hollin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasFolder(std::string_view name) { return name.find_first_of("\\/:") != std::string_view::npos; }

std::string_view LastName(std::string_view path) {
  const size_t sep = path.find_last_of("\\/:");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back('\\');
  return path.append(name);
}

bool IsDocument(std::string_view token) {
  return EqualsNoCase(token, "%1") || EqualsNoCase(token, "%L") || EqualsNoCase(token, "%V");
}

// One argument: its text without the quotes that grouped it, where it
// begins in the command, and whether it began with a quote.
struct Token {
  std::string text;
  size_t begin = 0;
  bool quoted = false;
};

// The arguments from position from on: blanks separate, quotes group (and
// go). A backslash is a character like any other: paths are full of them.
std::vector<Token> Tokens(std::string_view s, size_t from) {
  std::vector<Token> tokens;
  size_t i = from;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) break;
    Token t{std::string(), i, s[i] == '"'};
    bool inQuotes = false;
    for (; i < s.size() && (inQuotes || !IsBlank(s[i])); ++i) {
      if (s[i] == '"') inQuotes = !inQuotes;
      else t.text.push_back(s[i]);
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

// A name as the system finds a file for it: with a folder, as it stands;
// without, the first search folder that holds it. found tells whether it
// exists; the name comes back as it stands where nothing holds it.
std::string FindFile(const std::string& name, const ResolveContext& ctx, bool& found) {
  found = false;
  if (name.empty()) return name;
  if (HasFolder(name)) {
    found = ctx.exists && ctx.exists(name);
    return name;
  }
  for (const auto& folder : ctx.searchFolders) {
    std::string path = Join(folder, name);
    if (ctx.exists && ctx.exists(path)) {
      found = true;
      return path;
    }
  }
  return name;
}

// A module's name with the extension the system adds to a name without
// one: ".exe" for a program (a trailing dot means "no extension" and goes).
std::string WithExtension(std::string name, const char* extension) {
  if (!name.empty() && name.back() == '.') {
    name.pop_back();
    return name;
  }
  if (LastName(name).find('.') == std::string_view::npos) name += extension;
  return name;
}

struct Program {
  std::string path;
  bool found = false;
  CommandTarget::Source source = CommandTarget::Source::AsWritten;
  std::string takeover;
  bool takenOver = false;
  std::string meant;
  size_t end = 0;  // where its arguments begin
  bool document = false;
};

// The module of a command line, as CreateProcess picks it (see the header).
// extensions: those tried for a name without one (".exe" for CreateProcess;
// cmd tries the others of PATHEXT too).
// shell: the program of a command the shell starts, which App Paths may name.
Program FindProgram(std::string_view line, const ResolveContext& ctx, const std::vector<const char*>& extensions,
                    bool shell) {
  Program p;
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size()) return p;
  std::vector<std::pair<std::string, size_t>> candidates;  // name, end
  if (line[i] == '"') {
    const size_t close = line.find('"', i + 1);
    const size_t end = close == std::string_view::npos ? line.size() : close;
    const std::string_view name = line.substr(i + 1, end - i - 1);
    // Quotes around nothing but blanks name no program: nothing runs.
    if (name.find_first_not_of(" \t") == std::string_view::npos) return p;
    candidates.emplace_back(std::string(name), end + (close != std::string_view::npos));
  } else {
    // No module's name is longer than a path may be (MAX_PATH with its
    // NUL): the prefixes stop there. A command of any length written by
    // anyone thus costs a bounded number of probes, not one (or one per
    // search folder and extension) for each of its blanks. The first name
    // stays whatever its length, as the name written. A path's length is
    // counted in UTF-16 units, as Windows counts it, not in bytes.
    constexpr size_t kMaxPath = 260;
    for (size_t j = i; j <= line.size(); ++j) {
      if (j < line.size() && !IsBlank(line[j])) continue;
      if (j == i || IsBlank(line[j - 1])) continue;
      if (!candidates.empty() && Utf16Length(line.substr(i, j - i)) >= kMaxPath) break;
      candidates.emplace_back(std::string(line.substr(i, j - i)), j);
    }
  }
  // "%1" as the program: the document opened runs itself (exefile's "%1" %*).
  if (IsDocument(candidates.front().first)) {
    p.path = candidates.front().first;
    p.end = candidates.front().second;
    p.document = true;
    return p;
  }
  CommandTarget::Source source = CommandTarget::Source::AsWritten;
  const auto tryName = [&](const std::string& raw, bool& found) {
    std::string best;
    found = false;
    source = CommandTarget::Source::AsWritten;
    // App Paths first, where it names a file that is there.
    if (shell && ctx.appPath && !HasFolder(raw))
      for (const char* ext : extensions) {
        const auto registered = ctx.appPath(WithExtension(raw, ext));
        if (!registered) continue;
        std::string path = ExpandReferences(*registered, ctx);
        while (!path.empty() && IsBlank(path.back())) path.pop_back();
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
        if (!path.empty() && HasFolder(path) && ctx.exists && ctx.exists(path)) {
          found = true;
          source = CommandTarget::Source::AppPaths;
          return path;
        }
      }
    for (const char* ext : extensions) {
      std::string path = FindFile(WithExtension(raw, ext), ctx, found);
      if (best.empty()) best = path;
      if (found) {
        if (!HasFolder(raw)) source = CommandTarget::Source::SearchFolders;
        return path;
      }
    }
    return best;
  };
  // The name meant: the first candidate with an extension of its own
  // ("C:\Program Files\Grab\grab.exe"), else the first. A longer one is
  // meant only where it can name a file (no quote, slash, colon past the
  // drive or wildcard: "cmd /c x.bat" means cmd) and its blanks lie within
  // a path ("rundll32 url.dll,Run" means rundll32).
  const auto canBeMeant = [&](size_t k) {
    const std::string& name = candidates[k].first;
    if (k == 0) return true;
    if (name.find_first_of("\"/*?<>|") != std::string::npos) return false;
    if (name.find(':', 2) != std::string::npos) return false;
    return candidates[0].first.find('\\') != std::string::npos ||
           name.find('\\', candidates[0].first.size()) != std::string::npos;
  };
  size_t meant = 0;
  for (size_t k = 0; k < candidates.size(); ++k)
    if (canBeMeant(k) && LastName(candidates[k].first).find('.') != std::string_view::npos) {
      meant = k;
      break;
    }
  std::vector<std::string> names;
  for (size_t k = 0; k < candidates.size(); ++k) {
    bool found = false;
    names.push_back(tryName(candidates[k].first, found));
    if (!found) continue;
    p.path = names.back();
    p.found = true;
    p.source = source;
    p.end = candidates[k].second;
    if (k < meant) {
      // A shorter name exists and runs in place of the one meant.
      p.takeover = names.back();
      p.takenOver = true;
      bool ignored = false;
      p.meant = tryName(candidates[meant].first, ignored);
    } else if (k > 0) {
      p.takeover = names.front();
    }
    return p;
  }
  p.path = names[meant];
  p.end = candidates[meant].second;
  if (meant > 0) p.takeover = names.front();
  return p;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldChar(c);
  return out;
}

CommandHost HostOf(std::string_view program) {
  std::string name = Lower(LastName(program));
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  static const std::pair<const char*, CommandHost> kHosts[] = {
      {"rundll32", CommandHost::Rundll32}, {"cmd", CommandHost::Cmd},         {"powershell", CommandHost::PowerShell},
      {"pwsh", CommandHost::PowerShell},   {"mshta", CommandHost::Mshta},     {"wscript", CommandHost::WScript},
      {"cscript", CommandHost::CScript}};
  for (const auto& [n, h] : kHosts)
    if (name == n) return h;
  return CommandHost::None;
}

bool IsAddress(std::string_view s) {
  const std::string l = Lower(s.substr(0, 12));
  return s.find("://") != std::string_view::npos || l.rfind("javascript:", 0) == 0 ||
         l.rfind("vbscript:", 0) == 0 || l.rfind("about:", 0) == 0;
}

void SetFilePayload(CommandTarget& t, const std::string& name, const ResolveContext& ctx, const char* extension) {
  if (IsDocument(name)) {
    t.payload = name;
    t.payloadKind = CommandTarget::Payload::Document;
  } else if (IsAddress(name)) {
    t.payload = name;
    t.payloadKind = CommandTarget::Payload::Address;
  } else if (!name.empty()) {
    t.payload = FindFile(extension ? WithExtension(name, extension) : name, ctx, t.payloadFound);
    t.payloadKind = CommandTarget::Payload::File;
  }
}

CommandTarget Resolve(std::string_view command, const ResolveContext& ctx, const std::vector<const char*>& extensions,
                      int depth);

// What cmd /c or /k runs: the rest of its line, itself a command (start and
// its window title skipped). Quotes around the whole rest go, as cmd strips
// them when the rest begins with two.
void LookThroughCmd(std::string_view args, CommandTarget& t, const ResolveContext& ctx, int depth) {
  const auto tokens = Tokens(args, 0);
  size_t k = 0;
  while (k < tokens.size() && tokens[k].text.size() >= 2 && tokens[k].text[0] == '/' && !tokens[k].quoted) {
    const char c = FoldChar(tokens[k].text[1]);
    ++k;
    if (c == 'c' || c == 'k') break;
    if (k == tokens.size()) return;
  }
  if (k == 0 || k >= tokens.size()) return;
  std::string rest(args.substr(tokens[k].begin));
  while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
  if (rest.size() >= 2 && rest[0] == '"' && rest[1] == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
  auto inner = Tokens(rest, 0);
  if (!inner.empty() && EqualsNoCase(inner[0].text, "start") && !inner[0].quoted) {
    // start ["title"] [/options] program: a first quoted argument is the
    // window's title.
    size_t m = 1;
    const auto skipOptions = [&] {
      while (m < inner.size() && !inner[m].quoted && inner[m].text.size() > 1 && inner[m].text[0] == '/') ++m;
    };
    skipOptions();
    if (m + 1 < inner.size() && inner[m].quoted) ++m;
    skipOptions();
    if (m >= inner.size()) return;
    rest = rest.substr(inner[m].begin);
  }
  const CommandTarget run = Resolve(rest, ctx, {".exe", ".com", ".bat", ".cmd"}, depth + 1);
  if (run.kind == CommandTarget::Kind::Document) {
    t.payload = run.program;
    t.payloadKind = CommandTarget::Payload::Document;
  } else if (!run.payload.empty() && run.payloadKind != CommandTarget::Payload::Document) {
    t.payload = run.payload;
    t.payloadKind = run.payloadKind;
    t.payloadFound = run.payloadFound;
  } else if (run.kind == CommandTarget::Kind::Program) {
    t.payload = run.program;
    t.payloadKind = CommandTarget::Payload::File;
    t.payloadFound = run.found;
  }
}

void LookThroughPowerShell(std::string_view args, CommandTarget& t, const ResolveContext& ctx, bool core) {
  const auto tokens = Tokens(args, 0);
  static const char* const kTakesValue[] = {"-executionpolicy", "-ep",  "-ex", "-windowstyle", "-w", "-version",
                                            "-configurationname", "-psconsolefile", "-inputformat", "-outputformat",
                                            "-workingdirectory", "-wd", "-settingsfile"};
  for (size_t k = 0; k < tokens.size(); ++k) {
    const std::string opt = Lower(tokens[k].text);
    if (opt.size() >= 2 && (opt[0] == '-' || opt[0] == '/') && !tokens[k].quoted) {
      const std::string o = "-" + opt.substr(1);
      if (std::string_view("-file").rfind(o, 0) == 0 && o.size() >= 2) {
        if (k + 1 < tokens.size()) SetFilePayload(t, tokens[k + 1].text, ctx, nullptr);
        return;
      }
      if (o == "-c" || std::string_view("-command").rfind(o, 0) == 0 || std::string_view("-encodedcommand").rfind(o, 0) == 0 ||
          o == "-e" || o == "-ec") {
        if (k + 1 < tokens.size()) {
          t.payload = std::string(args.substr(tokens[k + 1].begin));
          while (!t.payload.empty() && IsBlank(t.payload.back())) t.payload.pop_back();
          t.payloadKind = CommandTarget::Payload::Inline;
        }
        return;
      }
      for (const char* v : kTakesValue)
        if (o == v) {
          ++k;
          break;
        }
      continue;
    }
    // The first argument that is no option: a script for pwsh, a command
    // for Windows PowerShell.
    if (core) {
      SetFilePayload(t, tokens[k].text, ctx, nullptr);
    } else {
      t.payload = std::string(args.substr(tokens[k].begin));
      while (!t.payload.empty() && IsBlank(t.payload.back())) t.payload.pop_back();
      t.payloadKind = CommandTarget::Payload::Inline;
    }
    return;
  }
}

CommandTarget Resolve(std::string_view command, const ResolveContext& ctx, const std::vector<const char*>& extensions,
                      int depth) {
  CommandTarget t;
  const std::string line = ExpandReferences(command, ctx);
  const Program p = FindProgram(line, ctx, extensions, depth == 0);
  if (p.path.empty()) return t;
  t.kind = p.document ? CommandTarget::Kind::Document : CommandTarget::Kind::Program;
  t.program = p.path;
  t.found = p.found;
  t.source = p.source;
  t.takeover = p.takeover;
  t.takenOver = p.takenOver;
  t.meant = p.meant;
  if (p.document || depth > 4) return t;
  t.host = HostOf(p.path);
  const std::string_view args = std::string_view(line).substr(p.end);
  switch (t.host) {
    case CommandHost::Rundll32: {
      const auto tokens = Tokens(args, 0);
      if (tokens.empty()) break;
      const std::string& first = tokens[0].text;
      SetFilePayload(t, first.substr(0, first.find(',')), ctx, ".dll");
      break;
    }
    case CommandHost::Cmd: LookThroughCmd(args, t, ctx, depth); break;
    case CommandHost::PowerShell:
      LookThroughPowerShell(args, t, ctx, Lower(LastName(p.path)).rfind("pwsh", 0) == 0);
      break;
    case CommandHost::Mshta: {
      const auto tokens = Tokens(args, 0);
      if (!tokens.empty()) SetFilePayload(t, tokens[0].text, ctx, nullptr);
      break;
    }
    case CommandHost::WScript:
    case CommandHost::CScript:
      for (const auto& token : Tokens(args, 0)) {
        if (!token.quoted && token.text.rfind("//", 0) == 0) continue;
        SetFilePayload(t, token.text, ctx, nullptr);
        break;
      }
      break;
    case CommandHost::None: break;
  }
  return t;
}

}  // namespace

const char* HostName(CommandHost host) {
  switch (host) {
    case CommandHost::Rundll32: return "rundll32";
    case CommandHost::Cmd: return "cmd";
    case CommandHost::PowerShell: return "powershell";
    case CommandHost::Mshta: return "mshta";
    case CommandHost::WScript: return "wscript";
    case CommandHost::CScript: return "cscript";
    default: return "";
  }
}

const std::string& CommandTarget::DecidingFile() const {
  static const std::string kNone;
  if (payloadKind == Payload::File) return payload;
  if (payloadKind == Payload::None && kind == Kind::Program) return program;
  if (host != CommandHost::None && kind == Kind::Program) return program;
  return kNone;
}

bool CommandTarget::DecidingFileFound() const { return payloadKind == Payload::File ? payloadFound : found; }

std::string ExpandReferences(std::string_view text, const ResolveContext& ctx) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string_view::npos;
    if (close != std::string_view::npos && close > i + 1 && ctx.variable) {
      if (const auto value = ctx.variable(text.substr(i + 1, close - i - 1))) {
        out += *value;
        i = close + 1;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  return out;
}

CommandTarget ResolveCommand(std::string_view command, const ResolveContext& ctx) {
  return Resolve(command, ctx, {".exe"}, 0);
}

}  // namespace hollin
