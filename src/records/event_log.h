// The Windows Application event log, as a run for scripts writes to it: one
// event for each check that finds changes, each restore, each accept, each
// first run and each failure, under the source "Hollin", with the report's
// text. Fleets collect that log centrally and filter on the source and the
// event IDs below, so the IDs and types never change once released.
//
//   ID    type          written when
//   1001  warning       a check found changes (the report lists them)
//   1002  information   a restore wrote everything it was asked to
//   1003  warning       a restore was done in part: some writes were refused
//   1004  information   the current associations were accepted as the base
//   1005  information   first run: there was no base, it was recorded
//   1010  error         the run failed (the text says what and where)
//
// Each event carries its text as its one insertion string, in UTF-16. An
// insertion string holds at most 31,839 characters (UTF-16 units); a longer
// text is cut before that, never inside a character, and ends with a line
// that says it was cut.
//
// Writing an event may fail (no right to the log, the log service stopped);
// Write then returns false and a run carries on: a failure to log never
// fails the check.
//
// The message file. Without one, Event Viewer shows an event of the source
// as "The description for Event ID 1001 from source Hollin cannot be found.
// ... The following information was included with the event:" followed by
// the insertion string, the report itself; the ID, type and text are all
// there, so the log is usable as it is. To have Event Viewer show the text
// as the description, an installer would create, with administrator rights,
// the key
//
//   HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\EventLog\Application\Hollin
//     EventMessageFile  REG_EXPAND_SZ  the path of a file with a message table
//                                      in which each of the IDs above is "%1"
//     TypesSupported    REG_DWORD      7 (error, warning, information)
//
// The program itself never creates that key: writing under HKLM needs an
// administrator, and RegisterEventSource works without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hollin::cli {

// What an event reports.
enum class EventKind { ChangesFound, Restored, RestoreRefused, Accepted, FirstRun, Failure };

// The event types, with the values the event log gives them.
enum class EventType : std::uint16_t { Error = 0x0001, Warning = 0x0002, Information = 0x0004 };

// The source the events are written under.
inline constexpr std::string_view kEventSource = "Hollin";

// The event IDs, as documented above.
inline constexpr std::uint32_t kEventChangesFound = 1001;
inline constexpr std::uint32_t kEventRestored = 1002;
inline constexpr std::uint32_t kEventRestoreRefused = 1003;
inline constexpr std::uint32_t kEventAccepted = 1004;
inline constexpr std::uint32_t kEventFirstRun = 1005;
inline constexpr std::uint32_t kEventFailure = 1010;

// The most UTF-16 units one insertion string may hold.
inline constexpr std::size_t kEventTextLimit = 31839;

constexpr std::uint32_t EventId(EventKind kind) {
  switch (kind) {
    case EventKind::ChangesFound: return kEventChangesFound;
    case EventKind::Restored: return kEventRestored;
    case EventKind::RestoreRefused: return kEventRestoreRefused;
    case EventKind::Accepted: return kEventAccepted;
    case EventKind::FirstRun: return kEventFirstRun;
    case EventKind::Failure: return kEventFailure;
  }
  return kEventFailure;
}

constexpr EventType EventTypeOf(EventKind kind) {
  switch (kind) {
    case EventKind::ChangesFound:
    case EventKind::RestoreRefused: return EventType::Warning;
    case EventKind::Failure: return EventType::Error;
    default: return EventType::Information;
  }
}

// The text as the event carries it: well-formed UTF-8 (a byte that is not
// part of UTF-8 becomes U+FFFD, as the platform's conversion makes it, and
// so does a NUL, which would end the string), and
// when it would take more than kEventTextLimit UTF-16 units, cut at a
// character boundary with a closing line saying so, the whole within the
// limit.
std::string EventText(std::string_view text);

// One event as the log shows it.
struct LoggedEvent {
  std::string source;
  std::uint32_t id = 0;
  EventType type = EventType::Information;
  std::string text;  // the insertion string, UTF-8
  bool operator==(const LoggedEvent&) const = default;
};

class IEventLog {
 public:
  virtual ~IEventLog() = default;
  // Writes one event of the kind with the text; false when it was not written.
  virtual bool Write(EventKind kind, const std::string& text) = 0;
};

// A log that keeps the events in memory, as the event log would show them,
// for tests; with fail set, every write fails and nothing is kept.
class RecordingEventLog : public IEventLog {
 public:
  bool Write(EventKind kind, const std::string& text) override;

  std::vector<LoggedEvent> events;
  bool fail = false;
};

}  // namespace hollin::cli
