// The guard's checks in the Application log: each one as a run for scripts
// leaves it, with the same event IDs and the report's text.
#pragma once

#include <string>

#include "records/event_log.h"
#include "guard/guard.h"

namespace hollin {

struct GuardEventSource {
  std::string machine, user, baseFile;
  long long now = 0;  // seconds since 1970, UTC
};

// Writes one event for the check's record.
void WriteGuardEvent(cli::IEventLog& log, const GuardEventSource& source, const guard::CheckRecord& record);

}  // namespace hollin
