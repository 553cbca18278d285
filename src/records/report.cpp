#include "records/report.h"

#include <ctime>
#include <string_view>
#include <vector>

#include "common/wtf8.h"
#include "compare/changes.h"

namespace hollin::cli {
namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

void AppendHex(std::string& out, const char* lead, unsigned value, int digits, bool upper) {
  const char* const hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  out += lead;
  for (int d = digits - 1; d >= 0; --d) out.push_back(hex[(value >> (4 * d)) & 15]);
}

// Registry text is WTF-8 and may hold anything: control characters that
// would break a line or steer a console, lone surrogates, bytes that are no
// text at all. Visible shows it to people, in the text report (and so in the
// events) and in CSV cells: a line feed, carriage return and tab as \n, \r
// and \t (in a CSV cell, which quotes hold, they stand as they are), any other
// character below U+0020 and U+007F as \xHH, a C1 control (U+0080..U+009F)
// and a lone surrogate as \uHHHH, a byte that begins no character as \xHH
// (80..FF, so never taken for a control character). A backslash is
// written twice only where it would otherwise begin one of these: before
// another backslash, before n, r or t where those are escapes, before x and
// two hex digits, u and four; "C:\Windows\System32" stands as it is.
std::string Visible(std::string_view s, bool keepBreaks) {
  std::string out;
  out.reserve(s.size());
  std::vector<size_t> backslashes;  // where out holds a backslash of the text
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    if (!DecodeWtf8(s, i, cp)) {
      AppendHex(out, "\\x", static_cast<unsigned char>(s[i++]), 2, true);
    } else if (cp == '\\') {
      backslashes.push_back(out.size());
      out.push_back('\\');
    } else if (keepBreaks && (cp == '\n' || cp == '\r' || cp == '\t')) {
      out.push_back(static_cast<char>(cp));
    } else if (cp == '\n' || cp == '\r' || cp == '\t') {
      out.append(cp == '\n' ? "\\n" : cp == '\r' ? "\\r" : "\\t");
    } else if (cp < 0x20 || cp == 0x7F) {
      AppendHex(out, "\\x", cp, 2, true);
    } else if ((cp >= 0x80 && cp <= 0x9F) || (cp >= 0xD800 && cp <= 0xDFFF)) {
      AppendHex(out, "\\u", cp, 4, true);
    } else {
      AppendUtf8(out, cp);
    }
  }
  if (backslashes.empty()) return out;
  const auto hexDigits = [&out](size_t at, size_t n) {
    for (size_t k = 1; k <= n; ++k)
      if (at + k >= out.size() || !IsHex(out[at + k])) return false;
    return true;
  };
  const auto beginsEscape = [&](size_t at) {
    if (at >= out.size()) return false;
    const char c = out[at];
    return c == '\\' || (!keepBreaks && (c == 'n' || c == 'r' || c == 't')) || (c == 'x' && hexDigits(at, 2)) ||
           (c == 'u' && hexDigits(at, 4));
  };
  std::string doubled;
  doubled.reserve(out.size() + backslashes.size());
  size_t from = 0;
  for (const size_t at : backslashes) {
    doubled.append(out, from, at + 1 - from);
    if (beginsEscape(at + 1)) doubled.push_back('\\');
    from = at + 1;
  }
  doubled.append(out, from, std::string::npos);
  return doubled;
}

// JSON holds the text exactly: every control character, C0, DEL and C1,
// escaped, and a lone surrogate as its \udXXX escape. A byte that begins no
// character, which JSON cannot hold, is U+FFFD.
void AppendJsonString(std::string& out, std::string_view raw) {
  out.push_back('"');
  char32_t cp;
  for (size_t i = 0; i < raw.size();) {
    if (!DecodeWtf8(raw, i, cp)) cp = 0xFFFD, ++i;
    switch (cp) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0xD800 && cp <= 0xDFFF))
          AppendHex(out, "\\u", cp, 4, false);
        else
          AppendUtf8(out, cp);
    }
  }
  out.push_back('"');
}

// RFC 4180, the cell as Visible shows it. A cell that a spreadsheet would
// take for a formula (it begins with =, +, -, @, a tab or a carriage return)
// gets an apostrophe before it, so that it stays text.
void AppendCsvField(std::string& out, const std::string& raw) {
  std::string s = Visible(raw, true);
  if (!s.empty() && std::string_view("=+-@\t\r").find(s[0]) != std::string_view::npos) s.insert(0, 1, '\'');
  if (s.find_first_of(",\"\r\n") == std::string::npos) {
    out += s;
    return;
  }
  out.push_back('"');
  for (char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// Appends lead, then "name": and the value as a JSON string.
void Member(std::string& out, const char* lead, const char* name, const std::string& value) {
  out.append(lead).append("\"").append(name).append("\": ");
  AppendJsonString(out, value);
}

std::string Json(const Report& r) {
  std::string o = "{\n  \"schema\": \"hollin-report/3\"";
  Member(o, ",\n  ", "program", r.program);
  Member(o, ",\n  ", "version", r.version);
  Member(o, ",\n  ", "machine", r.machine);
  Member(o, ",\n  ", "user", r.user);
  Member(o, ",\n  ", "time", r.time);
  Member(o, ",\n  \"base\": {", "file", r.baseFile);
  if (r.baseTime.empty()) o += ", \"written\": null";
  else Member(o, ", ", "written", r.baseTime);
  o += ", \"ageSeconds\": " + (r.baseAgeSeconds < 0 ? std::string("null") : std::to_string(r.baseAgeSeconds));
  Member(o, "},\n  ", "outcome", r.outcome);
  o += ",\n  \"changes\": [";
  for (size_t i = 0; i < r.items.size(); ++i) {
    const ReportItem& it = r.items[i];
    Member(o, i ? ",\n    {" : "\n    {", "type", it.type);
    Member(o, ", ", "change", it.change);
    if (it.changed.empty()) o += ", \"changed\": null";
    else Member(o, ", ", "changed", it.changed);
    for (const auto& [name, side] : {std::pair<const char*, const ReportSide*>{"base", &it.base}, {"current", &it.current}}) {
      Member(o, (std::string(", \"") + name + "\": {").c_str(), "progId", side->progId);
      Member(o, ", ", "command", side->command);
      Member(o, ", ", "program", side->program);
      if (side == &it.current) {
        Member(o, ", ", "runs", it.risk.runs);
        o += ", \"signals\": [";
        for (size_t k = 0; k < it.risk.signals.size(); ++k) {
          if (k) o += ", ";
          AppendJsonString(o, it.risk.signals[k]);
        }
        o += "]";
        Member(o, ", ", "signer", it.risk.signer);
        Member(o, ", ", "company", it.risk.company);
        Member(o, ", ", "product", it.risk.product);
      }
      Member(o, ", ", "verb", side->verb);
      Member(o, ", ", "handler", side->handler);
      Member(o, ", ", "notHonoured", side->notHonoured);
      o += "}";
    }
    Member(o, ", ", "kind", it.Kind());
    o += "}";
  }
  o += r.items.empty() ? "],\n" : "\n  ],\n";
  if (r.history) {
    const auto list = [&o](const char* name, const std::vector<std::string>& types) {
      o.append("\"").append(name).append("\": [");
      for (size_t k = 0; k < types.size(); ++k) {
        if (k) o += ", ";
        AppendJsonString(o, types[k]);
      }
      o += "]";
    };
    o += "  \"generations\": [";
    for (size_t i = 0; i < r.generations.size(); ++i) {
      const ReportGeneration& g = r.generations[i];
      o += std::string(i ? ",\n    {" : "\n    {") + "\"number\": " + std::to_string(g.number);
      if (g.recorded.empty()) o += ", \"recorded\": null";
      else Member(o, ", ", "recorded", g.recorded);
      Member(o, ", ", "file", g.file);
      o += ", \"types\": " + (g.types < 0 ? std::string("null") : std::to_string(g.types));
      if (g.problem.empty()) o += ", \"damaged\": null";
      else Member(o, ", ", "damaged", g.problem);
      if (!g.nextKnown) {
        o += ", \"next\": null}";
        continue;
      }
      o += ", \"next\": {";
      list("changed", g.changed);
      o += ", ";
      list("new", g.added);
      o += ", ";
      list("removed", g.removed);
      o += "}}";
    }
    o += r.generations.empty() ? "],\n" : "\n  ],\n";
  }
  o += "  \"notes\": [";
  for (size_t i = 0; i < r.notes.size(); ++i) {
    if (i) o += ", ";
    AppendJsonString(o, r.notes[i]);
  }
  o += "]\n}\n";
  return o;
}

// A history's CSV: one row per generation.
std::string HistoryCsv(const Report& r) {
  std::string o = "number,recorded,types,changed,new,removed,file,damaged\r\n";
  const auto words = [](const std::vector<std::string>& types) {
    std::string w;
    for (const auto& t : types) w.append(w.empty() ? "" : " ").append(t);
    return w;
  };
  for (const ReportGeneration& g : r.generations) {
    o += std::to_string(g.number) + ",";
    AppendCsvField(o, g.recorded);
    o += "," + (g.types < 0 ? std::string() : std::to_string(g.types));
    for (const std::vector<std::string>* types : {&g.changed, &g.added, &g.removed}) {
      o.push_back(',');
      AppendCsvField(o, words(*types));
    }
    o.push_back(',');
    AppendCsvField(o, g.file);
    o.push_back(',');
    AppendCsvField(o, g.problem);
    o += "\r\n";
  }
  return o;
}

std::string Csv(const Report& r) {
  if (r.history) return HistoryCsv(r);
  std::string o =
      "type,change,base_progid,base_command,base_program,current_progid,current_command,current_program,"
      "current_runs,signals,signer,company,product,changed,kind,base_verb,base_handler,current_verb,current_handler,"
      "base_not_honoured,current_not_honoured\r\n";
  for (const ReportItem& it : r.items) {
    AppendCsvField(o, it.type);
    o.push_back(',');
    AppendCsvField(o, it.change);
    for (const ReportSide* side : {&it.base, &it.current})
      for (const std::string* field : {&side->progId, &side->command, &side->program}) {
        o.push_back(',');
        AppendCsvField(o, *field);
      }
    std::string words;
    for (const auto& w : it.risk.signals) words.append(words.empty() ? "" : " ").append(w);
    const std::string kind = it.Kind();
    const std::string* const risk[] = {&it.risk.runs,    &words,           &it.risk.signer,   &it.risk.company,
                                       &it.risk.product, &it.changed,      &kind,             &it.base.verb,
                                       &it.base.handler, &it.current.verb, &it.current.handler,
                                       &it.base.notHonoured, &it.current.notHonoured};
    for (const std::string* field : risk) {
      o.push_back(',');
      AppendCsvField(o, *field);
    }
    o += "\r\n";
  }
  return o;
}

// Text for people: one line per changed type, every field as Visible shows
// it, so that nothing in a name or a command breaks a line or reaches the
// console as a control. Its labels and closing line are the format's own,
// as the JSON's and CSV's field names are.
std::string Text(const Report& r) {
  const auto v = [](const std::string& s) { return Visible(s, false); };
  std::string o = r.program + " " + r.version + " on " + v(r.machine) + " (" + v(r.user) + "), " + r.time + "\n";
  o += "Base: " + (r.baseFile.empty() ? std::string("none read") : v(r.baseFile));  // verbatim
  if (!r.baseTime.empty()) o += " (written " + r.baseTime + ")";
  o += "\n";
  for (const ReportItem& it : r.items) {
    auto side = [&v, &it](const ReportSide& s) {
      if (&s == &it.current && it.change == "unreadable") return std::string("(unreadable)");
      if (s.progId.empty() && s.program.empty()) return std::string("(none)");
      std::string t = v(s.program) + (s.progId.empty() ? "" : " (" + v(s.progId) + ")");
      if (!s.verb.empty()) t += ", verb \"" + v(s.verb) + "\"";
      if (!s.notHonoured.empty()) t += ", Explorer's choice " + v(s.notHonoured) + " not honoured";  // verbatim
      return t;
    };
    // A protocol as its links begin ("http:").
    o += v(it.type) + (std::string_view(it.Kind()) == "protocol" ? ":" : "") + "\t" + it.change + "\t" +
         side(it.base) + " -> " + side(it.current);
    // The signals, where there are any: words of the program's own.
    for (size_t k = 0; k < it.risk.signals.size(); ++k) o += (k ? " " : "\t[") + it.risk.signals[k];
    o += it.risk.signals.empty() ? "\n" : "]\n";
  }
  for (const ReportGeneration& g : r.generations) {
    const std::string recorded = g.recorded.empty() ? std::string("(time unknown)") : g.recorded;  // verbatim
    o += std::to_string(g.number) + "\t" + recorded + "\t";
    if (!g.problem.empty()) {
      o += "damaged\n";  // the note says why
      continue;
    }
    o += std::to_string(g.types) + " types\t";
    o += g.nextKnown ? v(g.changes) : std::string("(next base unknown)");  // verbatim
    o += "\n";
  }
  for (const std::string& note : r.notes) o += v(note) + "\n";
  o += r.outcome == "changes"  ? std::to_string(r.items.size()) + " type(s) changed.\n"
       : r.outcome == "risks" ? std::to_string(r.items.size()) + " type(s) with risk signals.\n"  // verbatim
       : r.history            ? std::to_string(r.generations.size()) + " earlier base(s).\n"  // verbatim
                              : "Outcome: " + r.outcome + ".\n";  // verbatim
  return o;
}

}  // namespace

ReportSide SideOf(const AssocEntry* e) {
  // A key that cannot be read says nothing of what opens it.
  if (!e || e->Unreadable()) return {};
  std::string progId = e->Layered() ? e->InForceProgID() : e->ProgramID();
  // A link that no choice names runs its own key's verb: the key is its
  // program identifier, as an associations file names it.
  if (progId.empty() && e->IsProtocol() && (!e->RunCommand().empty() || !e->Handler().empty())) progId = e->Ext();
  return {std::move(progId), e->RunCommand(), OpenerOf(*e),
          e->VerbIsNotOpen() ? e->Verb() : std::string(), e->VerbsRead() ? e->Handler() : std::string(),
          e->IgnoredChoice()};
}

std::vector<ReportItem> ItemsOf(const std::vector<std::string>& types, const AssocEntries& current,
                                const AssocEntries& base) {
  std::vector<ReportItem> items;
  for (const auto& type : types) {
    const AssocEntry* c = current.Lookup(type);
    const AssocEntry* b = base.Lookup(type);
    const char* change = c && c->Unreadable() ? "unreadable" : !b ? "new" : !c ? "removed" : "changed";
    items.push_back({type, change, SideOf(b), SideOf(c), {}, {}});
  }
  return items;
}

ReportRisk RiskOf(const Assessment& a) {
  ReportRisk r;
  if (!a.delegateExecute.empty()) r.runs = "DelegateExecute " + a.delegateExecute;
  else if (!a.packagedApp.empty()) r.runs = "packaged app " + a.packagedApp;  // verbatim
  else if (a.target.host != CommandHost::None && !a.target.payload.empty())
    r.runs = std::string(HostName(a.target.host)) + " -> " + a.target.payload;
  else r.runs = a.target.program;
  for (Signal s : a.signals) r.signals.push_back(SignalWord(s));
  r.signer = a.signer;
  r.company = a.company;
  r.product = a.product;
  return r;
}

std::string IsoUtc(long long seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &t);
#else
  gmtime_r(&t, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

std::string ShownText(std::string_view text) { return Visible(text, false); }

std::string FormatReport(const Report& report, Format format) {
  switch (format) {
    case Format::Json: return Json(report);
    case Format::Csv: return Csv(report);
    default: return Text(report);
  }
}

}  // namespace hollin::cli
