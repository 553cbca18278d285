// The guard's checks in the Application log, as a run for scripts leaves
// them: the event of each kind, and the report's text of the types changed.
#include <gtest/gtest.h>

#include "guard/guard_events.h"

namespace hollin {
namespace {

TEST(GuardEventsTest, EachCheckAsARunForScriptsWritesIt) {
  auto entry = [](const char* ext, const char* progId, const char* command) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(ext);
    e->ProgramID(progId);
    e->ProgramFullPath(command);
    return e;
  };
  AssocEntries base, current;
  base.Add(entry(".txt", "txtfile", "C:\\WINDOWS\\NOTEPAD.EXE %1"), ".txt");
  current.Add(entry(".txt", "Grab.Doc", "C:\\Grab\\grab.exe %1"), ".txt");
  cli::RecordingEventLog log;
  const GuardEventSource source{"PC-7", "ada", "C:\\Hollin\\Prev.isd", 1796673600};
  using Kind = guard::CheckRecord::Kind;
  for (Kind kind : {Kind::ChangesFound, Kind::Restored, Kind::RestoreRefused, Kind::Accepted, Kind::FirstRun})
    WriteGuardEvent(log, source, {kind, {".txt"}, &current, &base, {}});
  WriteGuardEvent(log, source, {Kind::Failure, {}, nullptr, nullptr, {"The base file \"Prev.isd\" is damaged."}});
  std::vector<std::uint32_t> ids;
  for (const auto& e : log.events) ids.push_back(e.id);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{1001, 1002, 1003, 1004, 1005, 1010}));
  EXPECT_NE(log.events[0].text.find(".txt\tchanged\tNOTEPAD (txtfile) -> grab (Grab.Doc)\n"), std::string::npos)
      << log.events[0].text;
  EXPECT_EQ(log.events[5].text, "The base file \"Prev.isd\" is damaged.");
}

}  // namespace
}  // namespace hollin
