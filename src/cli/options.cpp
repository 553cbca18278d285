#include "cli/options.h"

#include "common/names.h"
#include "common/text.h"

namespace hollin::cli {
namespace {

// The option an argument names ("check" of "--check" or "/CHECK"), or "".
std::string OptionName(const std::string& arg) {
  std::string_view a = arg;
  if (a.substr(0, 2) == "--") a.remove_prefix(2);
  else if (!a.empty() && a[0] == '/') a.remove_prefix(1);
  else return std::string();
  return FoldCase(a);
}

bool IsKnown(const std::string& name) {
  for (const char* known : {"check", "health", "strict", "accept", "restore", "restore-from", "history", "export-defaults",
                            "report", "format", "base", "help", "version", "?"})
    if (name == known) return true;
  return false;
}

}  // namespace

bool IsXmlFile(const std::string& path) {
  const std::string folded = FoldCase(path);
  return folded.size() > 4 && folded.compare(folded.size() - 4, 4, ".xml") == 0;
}

std::vector<std::string> SplitArguments(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  for (;;) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t')); ++i) {
      if (s[i] == '\\') {
        size_t backslashes = 0;
        while (i < s.size() && s[i] == '\\') ++backslashes, ++i;
        if (i < s.size() && s[i] == '"') {
          arg.append(backslashes / 2, '\\');
          if (backslashes % 2) arg.push_back('"');
          else quoted = !quoted;
        } else {
          arg.append(backslashes, '\\');
          --i;
        }
      } else if (s[i] == '"') {
        quoted = !quoted;
      } else {
        arg.push_back(s[i]);
      }
    }
    out.push_back(std::move(arg));
  }
  return out;
}

bool IsCommandLineRun(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a.rfind("--", 0) == 0) return true;
    if (a.size() > 1 && a[0] == '/' && IsKnown(OptionName(a))) return true;
  }
  return false;
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  auto fail = [&o](std::string what) {
    if (o.error.empty()) o.error = std::move(what);
  };
  auto setAction = [&](Action a, const std::string& arg) {
    if (o.action != Action::None && o.action != a) fail("\"" + arg + "\" cannot be combined with another action.");
    o.action = a;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = OptionName(arg);
    auto value = [&](const char* what) -> std::string {
      if (i + 1 >= args.size() || IsKnown(OptionName(args[i + 1]))) {
        fail("\"" + arg + "\" needs " + what + ".");
        return std::string();
      }
      // An empty value ("") is no value: it would be taken for nothing
      // to do, or for the default.
      if (args[i + 1].empty()) fail("\"" + arg + "\" needs " + what + ", not an empty text.");
      return args[++i];
    };
    if (name == "check") {
      setAction(Action::Check, arg);
    } else if (name == "health") {
      o.health = true;
    } else if (name == "strict") {
      o.strict = true;
    } else if (name == "accept") {
      setAction(Action::Accept, arg);
    } else if (name == "restore") {
      setAction(Action::Restore, arg);
      const std::string types = value("the types or links to restore (\".txt,.pdf\", \"http,mailto\") or \"all\"");
      if (FoldCase(types) == "all") {
        o.restoreAll = true;
      } else {
        for (size_t at = 0; at <= types.size();) {
          const size_t comma = std::min(types.find(',', at), types.size());
          std::string t = types.substr(at, comma - at);
          if (!t.empty()) o.restoreTypes.push_back(t);
          at = comma + 1;
        }
        if (o.restoreTypes.empty() && !types.empty()) fail("\"" + arg + "\" names no type.");
      }
    } else if (name == "restore-from") {
      if (o.restoreFrom > 0) fail("\"" + arg + "\" is given twice.");
      setAction(Action::Restore, arg);
      const std::string n = value("the number of a generation, as --history lists it");
      const bool digits = !n.empty() && n.size() <= 4 && n.find_first_not_of("0123456789") == std::string::npos;
      o.restoreFrom = digits ? std::stoi(n) : 0;
      if (!n.empty() && o.restoreFrom < 1)
        fail("\"" + arg + "\" takes the number of a generation as --history lists it (1, 2 ...), not \"" + n + "\".");
    } else if (name == "history") {
      setAction(Action::History, arg);
    } else if (name == "export-defaults") {
      setAction(Action::ExportDefaults, arg);
      o.exportPath = value("the file to write");
    } else if (name == "report") {
      o.reportPath = value("the file to write the report to");
    } else if (name == "format") {
      const std::string f = FoldCase(value("json, csv or text"));
      o.formatGiven = true;
      if (f == "json") o.format = Format::Json;
      else if (f == "csv") o.format = Format::Csv;
      else if (f == "text") o.format = Format::Text;
      else if (!f.empty()) fail("\"" + arg + "\" takes json, csv or text, not \"" + f + "\".");
    } else if (name == "base") {
      o.basePath = value("the base file");
    } else if (name == "help" || name == "?") {
      setAction(Action::Help, arg);
    } else if (name == "version") {
      setAction(Action::Version, arg);
    } else {
      fail("\"" + arg + "\" is not an option of " + std::string(kAppTitle) + ".");
    }
  }
  if (o.error.empty()) {
    if (o.action == Action::None)
      fail("Say what to do: --check, --accept, --restore, --restore-from, --history or --export-defaults.");
    else if (o.restoreFrom > 0 && (o.restoreAll || !o.restoreTypes.empty()))
      fail("--restore-from restores every type from its generation: it cannot be combined with --restore.");
    else if (o.strict && (o.action != Action::Check || o.health))
      fail("--strict goes with --check only (not with --health).");
    else if (o.health && o.action != Action::Check)
      fail("--health goes with --check only.");
    else if (o.health && !o.basePath.empty())
      fail("--health checks without a base: --base has no place in it.");
    else if ((o.action == Action::Accept || o.action == Action::Restore) && IsXmlFile(o.basePath))
      fail("An associations file given with --base is only read: it cannot be accepted or restored to.");
    else if (o.action == Action::History && IsXmlFile(o.basePath))
      fail("An associations file given with --base has no history: name a base file, or none.");
    else if (o.action == Action::ExportDefaults && IsXmlFile(o.basePath))
      fail("An associations file given with --base is no base to export: name a base file, or none.");
  }
  return o;
}

std::string UsageText() {
  std::string t;
  t += std::string(kAppTitle) + " checks which programs open your file types and links.\n\n";
  t += "Usage:\n";
  t += "  hollin.exe                       the window (first run: records the base)\n";
  t += "  hollin.exe -h                    a quiet check: the window only when something changed\n";
  t += "  hollinc.exe --check              check, print what changed\n";
  t += "  hollinc.exe --check --health     list the types whose program shows risk signals\n";
  t += "                                   (missing, in a user folder ...), with or without a base\n";
  t += "  hollinc.exe --check --strict     check; a latent change (in a layer that does not decide now,\n";
  t += "                                   listed as \"latent\") counts as a change for the exit code\n";
  t += "  hollinc.exe --accept             record the current settings as the base\n";
  t += "  hollinc.exe --restore <names>|all  restore the base for these file types and links\n";
  t += "                                   (\".txt,.pdf,http,mailto\") or all\n";
  t += "  hollinc.exe --history            list the earlier bases (generations) that accepts replaced\n";
  t += "  hollinc.exe --restore-from <n>   make generation n the base again and restore all from it\n";
  t += "                                   (1 is the base before the current one, as --history numbers them)\n";
  t += "  hollinc.exe --export-defaults <file.xml>  write the base as a default associations file\n";
  t += "  hollinc.exe --help | --version\n";
  t += "hollinc.exe is the console program for scripts: it waits, and its exit code arrives.\n";
  t += "hollin.exe takes the same options. Run either as the user whose settings to check.\n\n";
  t += "Options (also with \"/\" for \"--\"):\n";
  t += "  --report <file>                 write the report to a file (atomically) instead of the console\n";
  t += "  --format json|csv|text          the report's format (text by default)\n";
  t += "  --base <file>                   check against this base file, or a default associations\n";
  t += "                                  file (.xml, only read) instead of Prev.isd\n\n";
  t += "Exit codes:\n";
  t += "  0  no changes (the action was done)\n";
  t += "  1  changes found (listed); with --health: risk signals found; latent changes alone give 0\n";
  t += "     (listed), and 1 with --strict\n";
  t += "  2  first run: the base was recorded\n";
  t += "  3  the base file (or the generation to restore from) is damaged (named, never overwritten)\n";
  t += "  4  some writes were refused (restore, restore-from), or Ctrl+C stopped a restore between two\n";
  t += "     types (those before it restored whole)\n";
  t += "  5  any other failure (no such generation ...), or an account that is no user's (the message says\n";
  t += "     what and where)\n";
  t += "  64 the command line is wrong: nothing was read or written\n";
  return t;
}

}  // namespace hollin::cli
