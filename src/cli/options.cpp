#include "cli/options.h"

#include "common/text.h"
#include "messages/command_line_texts.h"

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
    if (o.action != Action::None && o.action != a) fail(msg::OptionWithAnotherAction(arg));
    o.action = a;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = OptionName(arg);
    auto value = [&](const char* what) -> std::string {
      if (i + 1 >= args.size() || IsKnown(OptionName(args[i + 1]))) {
        fail(msg::OptionNeeds(arg, what));
        return std::string();
      }
      // An empty value ("") is no value: it would be taken for nothing
      // to do, or for the default.
      if (args[i + 1].empty()) fail(msg::OptionNeedsNotEmpty(arg, what));
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
      const std::string types = value(msg::kRestoreValue);
      if (FoldCase(types) == "all") {
        o.restoreAll = true;
      } else {
        for (size_t at = 0; at <= types.size();) {
          const size_t comma = std::min(types.find(',', at), types.size());
          std::string t = types.substr(at, comma - at);
          if (!t.empty()) o.restoreTypes.push_back(t);
          at = comma + 1;
        }
        if (o.restoreTypes.empty() && !types.empty()) fail(msg::OptionNamesNoType(arg));
        // "all" in a list would be taken for a type ".all": refused, as
        // neither every change nor a type of that name may be what was meant.
        for (const std::string& t : o.restoreTypes)
          if (FoldCase(t) == "all") fail(msg::AllInAList(arg, types));
      }
    } else if (name == "restore-from") {
      if (o.restoreFrom > 0) fail(msg::OptionTwice(arg));
      setAction(Action::Restore, arg);
      const std::string n = value(msg::kRestoreFromValue);
      // Digits alone, leading zeros allowed ("01" is 1); a number of more
      // than nine digits is no generation's.
      const size_t first = n.find_first_not_of('0');
      const bool digits = !n.empty() && n.find_first_not_of("0123456789") == std::string::npos &&
                          (first == std::string::npos || n.size() - first <= 9);
      o.restoreFrom = digits ? std::stoi(n) : 0;
      if (!n.empty() && o.restoreFrom < 1)
        fail(msg::OptionNotAGeneration(arg, n));
    } else if (name == "history") {
      setAction(Action::History, arg);
    } else if (name == "export-defaults") {
      if (!o.exportPath.empty()) fail(msg::OptionTwice(arg));
      setAction(Action::ExportDefaults, arg);
      o.exportPath = value(msg::kExportValue);
    } else if (name == "report") {
      // A file given twice would have one of the two silently left out.
      if (!o.reportPath.empty()) fail(msg::OptionTwice(arg));
      o.reportPath = value(msg::kReportValue);
    } else if (name == "format") {
      if (o.formatGiven) fail(msg::OptionTwice(arg));
      const std::string f = FoldCase(value(msg::kFormatValue));
      o.formatGiven = true;
      if (f == "json") o.format = Format::Json;
      else if (f == "csv") o.format = Format::Csv;
      else if (f == "text") o.format = Format::Text;
      else if (!f.empty()) fail(msg::OptionNotAFormat(arg, f));
    } else if (name == "base") {
      if (!o.basePath.empty()) fail(msg::OptionTwice(arg));
      o.basePath = value(msg::kBaseValue);
    } else if (name == "help" || name == "?") {
      setAction(Action::Help, arg);
    } else if (name == "version") {
      setAction(Action::Version, arg);
    } else {
      fail(msg::NotAnOption(arg));
    }
  }
  if (o.error.empty()) {
    if (o.action == Action::None)
      fail(msg::kNoAction);
    else if ((o.action == Action::Help || o.action == Action::Version) && !o.reportPath.empty())
      fail(msg::kReportWithHelp);
    else if (o.restoreFrom > 0 && (o.restoreAll || !o.restoreTypes.empty()))
      fail(msg::kRestoreFromWithRestore);
    else if (o.strict && (o.action != Action::Check || o.health))
      fail(msg::kStrictWithoutCheck);
    else if (o.health && o.action != Action::Check)
      fail(msg::kHealthWithoutCheck);
    else if (o.health && !o.basePath.empty())
      fail(msg::kHealthWithBase);
    else if ((o.action == Action::Accept || o.action == Action::Restore) && IsXmlFile(o.basePath))
      fail(msg::kXmlBaseOnlyRead);
    else if (o.action == Action::History && IsXmlFile(o.basePath))
      fail(msg::kXmlBaseNoHistory);
    else if (o.action == Action::ExportDefaults && IsXmlFile(o.basePath))
      fail(msg::kXmlBaseNoExport);
  }
  return o;
}

std::string UsageText() { return msg::Usage(); }

}  // namespace hollin::cli
