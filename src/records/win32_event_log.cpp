#include "records/win32_event_log.h"

#include <string>

#include "common/win32_text.h"
#include "hollin_events.h"  // the message table compiled into the programs

namespace hollin::cli {

// Each ID the log is written with has its message in the table.
static_assert(HOLLIN_EVENT_CHANGES_FOUND == kEventChangesFound && HOLLIN_EVENT_RESTORED == kEventRestored &&
              HOLLIN_EVENT_RESTORE_REFUSED == kEventRestoreRefused && HOLLIN_EVENT_ACCEPTED == kEventAccepted &&
              HOLLIN_EVENT_FIRST_RUN == kEventFirstRun && HOLLIN_EVENT_FAILURE == kEventFailure);

Win32EventLog::~Win32EventLog() {
  if (source_) DeregisterEventSource(source_);
}

bool Win32EventLog::Write(EventKind kind, const std::string& text) {
  if (!source_) source_ = RegisterEventSourceW(nullptr, Wide(kEventSource).c_str());
  if (!source_) return false;
  const std::wstring wide = Wide(EventText(text));
  const wchar_t* strings[] = {wide.c_str()};
  return ReportEventW(source_, static_cast<WORD>(EventTypeOf(kind)), 0, EventId(kind), nullptr, 1, 0, strings,
                      nullptr) != FALSE;
}

}  // namespace hollin::cli
