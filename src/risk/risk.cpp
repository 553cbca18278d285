#include "risk/risk.h"

#include <algorithm>

#include "common/text.h"
#include "registry/layers.h"

namespace hollin {
namespace {

// The classes whose standard open command is known, and the types that
// stand for them.
struct StandardClass {
  const char* type;
  const char* progId;
  const char* command;
};
constexpr StandardClass kStandardClasses[] = {
    {".exe", "exefile", "\"%1\" %*"}, {".com", "comfile", "\"%1\" %*"}, {".bat", "batfile", "\"%1\" %*"},
    {".cmd", "cmdfile", "\"%1\" %*"}, {".pif", "piffile", "\"%1\" %*"}, {".scr", "scrfile", "\"%1\" /S"},
};

// Types whose opening runs what the file holds.
constexpr const char* kCodeTypes[] = {".exe", ".com", ".bat", ".cmd", ".pif", ".scr", ".lnk", ".hta", ".js", ".jse",
                                      ".vbs", ".vbe", ".wsf", ".wsh", ".msc", ".ps1", ".cpl"};
// Of those, the scripts a host runs: opened by their own host, they are
// no sign of anything.
constexpr const char* kScriptTypes[] = {".bat", ".cmd", ".hta", ".js", ".jse", ".vbs", ".vbe", ".wsf", ".wsh", ".ps1"};

template <size_t N>
bool OneOf(std::string_view type, const char* const (&list)[N]) {
  return std::any_of(std::begin(list), std::end(list), [&](const char* t) { return EqualsNoCase(type, t); });
}

// A command with runs of blanks made one and the ends trimmed, for comparing.
std::string Squeezed(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Normal(std::string_view path) {
  std::string p = FoldCase(path);
  std::replace(p.begin(), p.end(), '/', '\\');
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}

// The server of a COM class, as a command to resolve: its LocalServer32
// (a command line), else its InprocServer32 (a path, quoted here so that its
// blanks are its own); "" where neither names one. Read in the class root,
// then in the user classes (which Wine does not merge into the root).
std::string ServerOf(IRegistry& reg, const std::string& clsid) {
  if (!IsKeyName(clsid)) return std::string();
  for (const char* server : {"LocalServer32", "InprocServer32"}) {
    const std::string path = "CLSID\\" + clsid + "\\" + server;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
      DWORD type;
      std::string value =
          ReadValue(reg, root, root == HKEY_CURRENT_USER ? std::string(kClassesPath) + "\\" + path : path, "", type);
      if (value.empty()) continue;
      if (server[0] == 'I' && value.front() != '"') value = '"' + value + '"';
      return value;
    }
  }
  return std::string();
}

}  // namespace

const char* SignalWord(Signal s) {
  switch (s) {
    case Signal::Missing: return "missing";
    case Signal::Unsigned: return "unsigned";
    case Signal::BadSignature: return "bad-signature";
    case Signal::UserFolder: return "user-folder";
    case Signal::Unquoted: return "unquoted";
    case Signal::ScriptHost: return "script-host";
    case Signal::RunsCode: return "runs-code";
    case Signal::CommandChanged: return "command-changed";
    case Signal::NotVerifiable: return "not-verifiable";
    case Signal::NoProgram: return "no-program";
  }
  return "";
}

bool CountsForHealth(Signal s) {
  return s != Signal::Unsigned && s != Signal::RunsCode && s != Signal::NotVerifiable;
}

const char* StandardCommandOf(std::string_view progId) {
  for (const auto& c : kStandardClasses)
    if (EqualsNoCase(progId, c.progId)) return c.command;
  return nullptr;
}

bool Assessment::Has(Signal s) const { return std::find(signals.begin(), signals.end(), s) != signals.end(); }

std::string Assessment::Words() const {
  std::string t;
  for (Signal s : signals) t.append(t.empty() ? "" : " ").append(SignalWord(s));
  return t;
}

Assessor::Assessor(IRegistry& reg, IFileFacts& facts) : reg_(reg), facts_(facts) {
  context_.exists = [this](const std::string& path) { return Facts(path).exists; };
  context_.variable = [this](std::string_view name) { return facts_.Variable(name); };
  context_.searchFolders = facts_.SearchFolders();
  // The programs App Paths registers, the user's before the machine's.
  context_.appPath = [this](const std::string& name) -> std::optional<std::string> {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      DWORD type = REG_NONE;
      std::string path = ReadValue(reg_, root, key, "", type);
      if (!path.empty()) return path;
    }
    return std::nullopt;
  };
}

const Assessor::FileFacts& Assessor::Facts(const std::string& path) {
  const auto [it, fresh] = cache_.try_emplace(Normal(path));
  if (fresh) {
    FileFacts& f = it->second;
    f.exists = facts_.Exists(path);
    if (f.exists) {
      f.trust = facts_.Signature(path, f.signer);
      facts_.Version(path, f.company, f.product);
    }
  }
  return it->second;
}

const CommandTarget& Assessor::Target(const std::string& command) {
  const auto [it, fresh] = targets_.try_emplace(command);
  if (fresh) it->second = ResolveCommand(command, context_);
  return it->second;
}

const std::string& Assessor::Server(const std::string& clsid) {
  const auto [it, fresh] = servers_.try_emplace(clsid);
  if (fresh) it->second = ServerOf(reg_, clsid);
  return it->second;
}

Assessment Assessor::Assess(const AssocEntry& e) {
  Assessment a;
  const std::string& progId = e.Layered() ? e.InForceProgID() : e.ProgramID();
  // What runs: the verb that runs (for a record without verbs, the open
  // command in force), or its handler in place of its command.
  const std::string& command = e.RunCommand();
  std::string server;
  if (e.VerbsRead() && !e.Handler().empty()) {
    a.delegateExecute = e.Handler();
    server = Server(a.delegateExecute);
  } else if (command.empty() && !progId.empty()) {
    DWORD type;
    const std::string verb = progId + "\\shell\\open\\command";
    if (!e.VerbsRead())
      for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
        const std::string path = root == HKEY_CURRENT_USER ? std::string(kClassesPath) + "\\" + verb : verb;
        a.delegateExecute = ReadValue(reg_, root, path, "DelegateExecute", type);
        if (!a.delegateExecute.empty()) break;
      }
    if (a.delegateExecute.empty() && (KeyExists(reg_, HKEY_CLASSES_ROOT, progId + "\\Application") ||
                                      KeyExists(reg_, HKEY_CURRENT_USER, std::string(kClassesPath) + "\\" + progId + "\\Application")))
      a.packagedApp = e.OpenerName().empty() ? progId : e.OpenerName();
    else if (!a.delegateExecute.empty())
      server = Server(a.delegateExecute);
  }
  a.target = Target(a.delegateExecute.empty() ? command : server);
  const CommandTarget& t = a.target;

  // The file: whether it is there, its signature and maker.
  const std::string& file = t.DecidingFile();
  if (!file.empty()) {
    if (!t.found || (t.payloadKind == CommandTarget::Payload::File && !t.payloadFound)) {
      a.signals.push_back(Signal::Missing);
    } else {
      const FileFacts& f = Facts(file);
      if (f.trust == IFileFacts::Trust::Unsigned) a.signals.push_back(Signal::Unsigned);
      if (f.trust == IFileFacts::Trust::BadSignature) a.signals.push_back(Signal::BadSignature);
      if (f.trust == IFileFacts::Trust::NotVerifiable) a.signals.push_back(Signal::NotVerifiable);
      if (f.trust == IFileFacts::Trust::Signed) a.signer = f.signer;
      a.company = f.company;
      a.product = f.product;
    }
    // Whether the user may change what runs, by the user's own rights: the
    // file that decides, else the program that runs it.
    for (const std::string* path : {&file, &t.program}) {
      if (path->empty() || (path != &file && *path == file)) continue;
      const auto [it, fresh] = writable_.try_emplace(Normal(*path));
      Writability& w = it->second;
      if (fresh) w.writable = facts_.UserWritable(*path, w.where);
      if (w.writable == IFileFacts::Writable::Yes) {
        a.folder = w.where;
        a.signals.push_back(Signal::UserFolder);
        break;
      }
    }
  }
  if (t.kind == CommandTarget::Kind::Nothing && !command.empty())
    a.signals.push_back(Signal::NoProgram);
  if (!t.takeover.empty()) a.signals.push_back(Signal::Unquoted);
  if (t.host != CommandHost::None && t.host != CommandHost::Rundll32 &&
      !(t.payloadKind == CommandTarget::Payload::Document && OneOf(e.Ext(), kScriptTypes)))
    a.signals.push_back(Signal::ScriptHost);
  if (OneOf(e.Ext(), kCodeTypes) || StandardCommandOf(progId)) a.signals.push_back(Signal::RunsCode);
  bool changed = false;
  if (const char* standard = StandardCommandOf(progId)) changed = !EqualsNoCase(Squeezed(command), standard);
  for (const auto& c : kStandardClasses)
    if (EqualsNoCase(e.Ext(), c.type) && !EqualsNoCase(progId, c.progId)) changed = true;
  if (changed) a.signals.push_back(Signal::CommandChanged);
  return a;
}

}  // namespace hollin
