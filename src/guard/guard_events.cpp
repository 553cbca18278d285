#include "guard/guard_events.h"

#include "records/report.h"
#include "common/names.h"

namespace hollin {

void WriteGuardEvent(cli::IEventLog& log, const GuardEventSource& source, const guard::CheckRecord& record) {
  using Kind = guard::CheckRecord::Kind;
  using cli::EventKind;
  cli::Report report;
  report.program = kAppTitle;
  report.version = HOLLIN_VERSION_TEXT;
  report.machine = source.machine;
  report.user = source.user;
  report.time = cli::IsoUtc(source.now);
  report.baseFile = source.baseFile;
  report.notes = record.notes;
  if (record.current && record.base) report.items = cli::ItemsOf(record.types, *record.current, *record.base);
  EventKind kind = EventKind::ChangesFound;
  switch (record.kind) {
    case Kind::ChangesFound: report.outcome = record.types.empty() ? "latent changes" : "changes"; break;  // verbatim
    case Kind::Restored: report.outcome = "restored", kind = EventKind::Restored; break;
    case Kind::RestoreRefused: report.outcome = "not all restored", kind = EventKind::RestoreRefused; break;  // verbatim
    case Kind::Accepted: report.outcome = "accepted", kind = EventKind::Accepted; break;
    case Kind::FirstRun: report.outcome = "first run", kind = EventKind::FirstRun; break;  // verbatim
    case Kind::Failure:
      // As a run for scripts words a failure: the message alone.
      log.Write(EventKind::Failure, cli::ShownText(record.notes.empty() ? std::string() : record.notes[0]));
      return;
  }
  log.Write(kind, cli::FormatReport(report, cli::Format::Text));
}

}  // namespace hollin
