#include "cli/report.h"

#include <ctime>

#include "common/ansi_codepage.h"
#include "compare/show_delta.h"

namespace hollin::cli {
namespace {


// Registry text may hold bytes that are no UTF-8: they become U+FFFD, so
// that every report is valid UTF-8.
std::string Clean(const std::string& s) { return IsUtf8(s) ? s : AsCodePageText(s); }

void AppendJsonString(std::string& out, const std::string& raw) {
  static const char* const kHex = "0123456789abcdef";
  out.push_back('"');
  for (const unsigned char c : Clean(raw)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 15]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out.push_back('"');
}

void AppendCsvField(std::string& out, const std::string& raw) {
  const std::string s = Clean(raw);
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
  std::string o = "{\n  \"schema\": \"hollin-report/1\"";
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
    for (const auto& [name, side] : {std::pair<const char*, const ReportSide*>{"base", &it.base}, {"current", &it.current}}) {
      Member(o, (std::string(", \"") + name + "\": {").c_str(), "progId", side->progId);
      Member(o, ", ", "command", side->command);
      Member(o, ", ", "program", side->program);
      o += "}";
    }
    o += "}";
  }
  o += r.items.empty() ? "],\n" : "\n  ],\n";
  o += "  \"notes\": [";
  for (size_t i = 0; i < r.notes.size(); ++i) {
    if (i) o += ", ";
    AppendJsonString(o, r.notes[i]);
  }
  o += "]\n}\n";
  return o;
}

std::string Csv(const Report& r) {
  std::string o = "type,change,base_progid,base_command,base_program,current_progid,current_command,current_program\r\n";
  for (const ReportItem& it : r.items) {
    AppendCsvField(o, it.type);
    o.push_back(',');
    AppendCsvField(o, it.change);
    for (const ReportSide* side : {&it.base, &it.current})
      for (const std::string* field : {&side->progId, &side->command, &side->program}) {
        o.push_back(',');
        AppendCsvField(o, *field);
      }
    o += "\r\n";
  }
  return o;
}

std::string Text(const Report& r) {
  std::string o = r.program + " " + r.version + " on " + Clean(r.machine) + " (" + Clean(r.user) + "), " + r.time + "\n";
  o += "Base: " + Clean(r.baseFile);
  if (!r.baseTime.empty()) o += " (written " + r.baseTime + ")";
  o += "\n";
  for (const ReportItem& it : r.items) {
    auto side = [](const ReportSide& s) {
      if (s.progId.empty() && s.program.empty()) return std::string("(none)");
      return Clean(s.program) + (s.progId.empty() ? "" : " (" + Clean(s.progId) + ")");
    };
    o += it.type + "\t" + it.change + "\t" + side(it.base) + " -> " + side(it.current) + "\n";
  }
  for (const std::string& note : r.notes) o += Clean(note) + "\n";
  o += r.outcome == "changes" ? std::to_string(r.items.size()) + " type(s) changed.\n" : "Outcome: " + r.outcome + ".\n";
  return o;
}

}  // namespace

ReportSide SideOf(const cRegEntry* e) {
  if (!e) return {};
  return {e->Layered() ? e->InForceProgID() : e->ProgramID(), e->Layered() ? e->OpenerCommand() : e->ProgramFullPath(),
          OpenerOf(*e)};
}

std::vector<ReportItem> ItemsOf(const std::vector<std::string>& types, const cRegEntries& current,
                                const cRegEntries& base) {
  std::vector<ReportItem> items;
  for (const auto& type : types) {
    const cRegEntry* c = current.Lookup(type);
    const cRegEntry* b = base.Lookup(type);
    items.push_back({type, !b ? "new" : !c ? "removed" : "changed", SideOf(b), SideOf(c)});
  }
  return items;
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

std::string FormatReport(const Report& report, Format format) {
  switch (format) {
    case Format::Json: return Json(report);
    case Format::Csv: return Csv(report);
    default: return Text(report);
  }
}

}  // namespace hollin::cli
