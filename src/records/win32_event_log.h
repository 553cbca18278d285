// The Win32 binding of the event log: the Application log of this computer,
// under the source "Hollin" (event_log.h).
//
// Under Wine (8.0) the event log functions are stubs: RegisterEventSourceW
// gives a placeholder handle, ReportEventW succeeds and only prints the text
// to Wine's debug channel "eventlog", and the log reads back empty. A write
// there succeeds and nothing is kept.
#pragma once

#include "records/event_log.h"
#include "common/windows_api.h"

namespace hollin::cli {

class Win32EventLog : public IEventLog {
 public:
  Win32EventLog() = default;
  ~Win32EventLog() override;
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;

  // Registers the source at the first write (again after a failed one) and
  // reports the event with its text as the one insertion string.
  bool Write(EventKind kind, const std::string& text) override;

 private:
  HANDLE source_ = nullptr;
};

}  // namespace hollin::cli
