// The report of a check for scripts: what changed, as text for people, JSON
// for programs (schema "hollin-report/3", documented in the README: every
// member of "hollin-report/2", and for each change its kind, a file type or
// a protocol, and on each side the default verb where it is not "open" and
// its handler), or CSV (RFC 4180) for spreadsheets. All three are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "records/report_format.h"
#include "risk/risk.h"
#include "registry/reg_entry.h"

namespace hollin::cli {

// One side of a changed type: the program identifier in force, the command
// that runs, and the program's name as the window shows it ("" where the
// side lacks the type); the default verb where it is not "open" and the
// verb's handler (DelegateExecute), "" where there is none.
struct ReportSide {
  std::string progId, command, program;
  std::string verb = {}, handler = {};
  std::string notHonoured = {};  // the Explorer's choice Windows does not honour
};

// What the current side really runs and its risk signals (risk/risk.h);
// empty where they were not assessed.
struct ReportRisk {
  std::string runs;     // the executable, or host -> what it runs
  std::vector<std::string> signals;  // their words
  std::string signer, company, product;
};

struct ReportItem {
  std::string type;    // a file type (".txt") or a protocol ("http")
  // "changed", "new" (not in the base), "removed" (gone since), "latent", "unreadable" (its key is there but
  // cannot be read: what opens it now is unknown, its current side is empty), "risk" (a health check)
  std::string change;
  ReportSide base, current;
  // "type" or "protocol".
  const char* Kind() const { return IsLinkName(type) ? "protocol" : "type"; }
  ReportRisk risk;
  // When the key that changed was last written, ISO 8601 UTC; "" unknown.
  std::string changed;
};

// An earlier base, as --history lists it: what the next base (the one that
// replaced it) changed of it, by type; types -1 and problem for one that
// cannot be used.
struct ReportGeneration {
  int number = 0;        // 1: the base before the current one
  std::string recorded;  // when it was recorded as the base, ISO 8601 UTC; "" unknown
  std::string file;
  int types = -1;
  bool nextKnown = false;  // the next base could be read, so the three lists below tell
  std::vector<std::string> changed, added, removed;
  std::string changes;  // the three lists in words, as the text report shows them
  std::string problem;
};

struct Report {
  std::string program, version, machine, user;
  std::string time;        // of the check, ISO 8601 UTC ("2026-12-07T20:40:00Z")
  std::string baseFile;    // the base's file, as named
  std::string baseTime;    // when it was last written, ISO 8601 UTC; "" when unknown
  long long baseAgeSeconds = -1;
  std::string outcome;     // "no changes", "changes", "first run", "restored", ...
  std::vector<ReportItem> items;
  std::vector<std::string> notes;  // what else the run has to say
  bool history = false;            // a history: the generations are reported (JSON "generations")
  std::vector<ReportGeneration> generations;
};

// One side of a type as the report shows it.
ReportSide SideOf(const AssocEntry* entry);

// The items for the changed types (in the order given), from the two
// collections.
std::vector<ReportItem> ItemsOf(const std::vector<std::string>& types, const AssocEntries& current,
                                const AssocEntries& base);

// The report's view of an assessment.
ReportRisk RiskOf(const Assessment& assessment);

// ISO 8601 UTC of a time in seconds since 1970.
std::string IsoUtc(long long secondsSince1970);

std::string FormatReport(const Report& report, Format format);

// Text as the text report shows it: control characters, lone surrogates and
// bytes that are no text escaped, so that no line break or escape sequence
// reaches a console or an event from a message either.
std::string ShownText(std::string_view text);

}  // namespace hollin::cli
