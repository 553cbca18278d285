// The event log's contract, run against each log under test: the recording
// log, and in the Windows build the Application log itself, read back with
// the event log's own reading functions, newest first.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "records/event_log.h"
#include "common/atomic_file.h"
#include "common/wtf8.h"
#ifdef _WIN32
#include "common/win32_text.h"
#include "records/win32_event_log.h"
#endif

namespace hollin::cli {

// Found by the test framework beside the type (not inside the unnamed namespace).
void PrintTo(const LoggedEvent& e, std::ostream* os);
void PrintTo(const LoggedEvent& e, std::ostream* os) {
  *os << "{" << e.source << " " << e.id << " type " << static_cast<int>(e.type) << " \"" << e.text << "\"}";
}

namespace {

// What a log kept of the events whose text holds a marker, oldest first; or,
// where the log keeps nothing to read back, why.
struct Kept {
  std::vector<LoggedEvent> events;
  std::string notKept;
};

struct LogUnderTest {
  std::string name;
  std::function<std::unique_ptr<IEventLog>()> make;
  std::function<Kept(IEventLog& log, const std::string& marker, size_t count)> read;
};
void PrintTo(const LogUnderTest& l, std::ostream* os) { *os << l.name; }

Kept Recorded(IEventLog& log, const std::string& marker, size_t) {
  Kept kept;
  for (const LoggedEvent& e : dynamic_cast<RecordingEventLog&>(log).events)
    if (e.text.find(marker) != std::string::npos) kept.events.push_back(e);
  return kept;
}

#ifdef _WIN32
// The version of Wine the test runs under, "" on Windows.
std::string WineVersion() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto version = ntdll ? reinterpret_cast<const char* (*)()>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
                             : nullptr;
  return version ? version() : "";
}

// The Application log read backwards from the newest event until count
// events with the marker are found.
Kept ReadApplicationLog(IEventLog&, const std::string& marker, size_t count) {
  Kept kept;
  const HANDLE log = OpenEventLogW(nullptr, L"Application");
  if (!log) {
    ADD_FAILURE() << "OpenEventLogW: error " << GetLastError();
    return kept;
  }
  std::vector<DWORD> buffer(0x4000);
  size_t records = 0;
  DWORD error = 0;
  while (kept.events.size() < count) {
    DWORD got = 0, needed = 0;
    if (!ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                       DWORD(buffer.size() * sizeof(DWORD)), &got, &needed)) {
      error = GetLastError();
      if (error != ERROR_INSUFFICIENT_BUFFER) break;
      buffer.resize(needed / sizeof(DWORD) + 1);
      continue;
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(buffer.data());
    for (DWORD at = 0; at < got; ++records) {
      const auto* r = reinterpret_cast<const EVENTLOGRECORD*>(bytes + at);
      at += r->Length;
      const std::string text =
          r->NumStrings ? Utf8(reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(r) + r->StringOffset))
                        : std::string();
      if (text.find(marker) == std::string::npos) continue;
      // The high word of an ID holds the qualifiers, which Event Viewer does not show.
      kept.events.insert(kept.events.begin(), {Utf8(reinterpret_cast<const wchar_t*>(r + 1)), r->EventID & 0xFFFF,
                                               static_cast<EventType>(r->EventType), text});
    }
  }
  CloseEventLog(log);
  // Wine's event log functions are stubs: the source and the log open as a
  // placeholder handle, ReportEventW succeeds and only prints the text to
  // Wine's debug channel "eventlog", and the log reads as empty. On Windows
  // the events just written are there.
  if (records == 0 && !WineVersion().empty())
    kept.notKept = "Wine " + WineVersion() + " keeps no event: ReportEventW succeeded but only prints to the "
                   "debug channel \"eventlog\"; ReadEventLogW of the Application log gives no record (error " +
                   std::to_string(error) + (error == ERROR_HANDLE_EOF ? ", ERROR_HANDLE_EOF)" : ")");
  return kept;
}
#endif

std::vector<LogUnderTest> LogsUnderTest() {
  std::vector<LogUnderTest> all{{"Recording", [] { return std::make_unique<RecordingEventLog>(); }, Recorded}};
#ifdef _WIN32
  all.push_back({"Application", [] { return std::make_unique<Win32EventLog>(); }, ReadApplicationLog});
#endif
  return all;
}

class EventLogContract : public ::testing::TestWithParam<LogUnderTest> {
 protected:
  // Writes each text (which must succeed) and reads back the events.
  Kept WriteAndRead(EventKind kind, const std::vector<std::string>& texts) {
    for (const std::string& t : texts) EXPECT_TRUE(log->Write(kind, t)) << t.substr(0, 80);
    return GetParam().read(*log, marker, texts.size());
  }
  std::unique_ptr<IEventLog> log = GetParam().make();
  // Unique to the test and the run, so that no older event is taken for one of ours.
  const std::string marker =
      "[hollin-test " + std::to_string(detail::CurrentProcessId()) + "-" +
      std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + " " +
      ::testing::UnitTest::GetInstance()->current_test_info()->name() + "]";
};

#define SKIP_WHERE_NOT_KEPT(kept) \
  if (!(kept).notKept.empty()) GTEST_SKIP() << (kept).notKept

TEST_P(EventLogContract, EachKindHasItsDocumentedIdAndType) {
  const struct {
    EventKind kind;
    std::uint32_t id;
    EventType type;
  } documented[] = {{EventKind::ChangesFound, 1001, EventType::Warning},
                    {EventKind::Restored, 1002, EventType::Information},
                    {EventKind::RestoreRefused, 1003, EventType::Warning},
                    {EventKind::Accepted, 1004, EventType::Information},
                    {EventKind::FirstRun, 1005, EventType::Information},
                    {EventKind::Failure, 1010, EventType::Error}};
  std::vector<LoggedEvent> written;
  for (const auto& d : documented) {
    const std::string text = marker + " event " + std::to_string(d.id) + "\n.txt  now: Editor\n";
    EXPECT_TRUE(log->Write(d.kind, text));
    written.push_back({"Hollin", d.id, d.type, text});
  }
  const Kept kept = GetParam().read(*log, marker, written.size());
  SKIP_WHERE_NOT_KEPT(kept);
  EXPECT_EQ(kept.events, written);
}

TEST_P(EventLogContract, TextOutsideAnyCodePageIsKeptWhole) {
  const std::string mixed = marker + " Grüße, Ελληνικά, Кириллица, 日本語, עברית, emoji 😀 (beyond the BMP)";
  // A byte that is not UTF-8 and a NUL both show as U+FFFD; the text goes on after them.
  const std::string odd = marker + " caf\xE9 and a NUL: " + std::string(1, '\0') + " after";
  const Kept kept = WriteAndRead(EventKind::ChangesFound, {mixed, odd});
  SKIP_WHERE_NOT_KEPT(kept);
  ASSERT_EQ(kept.events.size(), 2u);
  EXPECT_EQ(kept.events[0].text, mixed);
  EXPECT_EQ(kept.events[1].text, marker + " caf\xEF\xBF\xBD and a NUL: \xEF\xBF\xBD after");
}

TEST_P(EventLogContract, TextOverTheLimitIsCutAtACharacterAndSaysSo) {
  const std::string whole = marker + std::string(kEventTextLimit - marker.size(), 'w');
  const std::string over = marker + std::string(kEventTextLimit + 1 - marker.size(), 'o');
  // Characters of two UTF-16 units each, starting at either parity, so that
  // in one of the two texts the limit falls inside a character.
  std::string emoji;
  for (size_t i = 0; i < kEventTextLimit / 2 + 10; ++i) emoji += "😀";
  const std::string pairsEven = marker + "e" + emoji, pairsOdd = marker + "oo" + emoji;
  const Kept kept = WriteAndRead(EventKind::Failure, {whole, over, pairsEven, pairsOdd});
  SKIP_WHERE_NOT_KEPT(kept);
  ASSERT_EQ(kept.events.size(), 4u);
  EXPECT_TRUE(kept.events[0].text == whole) << "kept " << Utf16Length(kept.events[0].text) << " units of "
                                           << whole.size();
  const std::string written[] = {over, pairsEven, pairsOdd};
  for (size_t i = 0; i < 3; ++i) {
    const std::string& got = kept.events[i + 1].text;
    SCOPED_TRACE(written[i].substr(marker.size(), 3));
    EXPECT_TRUE(IsUtf8(got));
    EXPECT_LE(Utf16Length(got), kEventTextLimit);
    size_t same = 0;
    while (same < got.size() && got[same] == written[i][same]) ++same;
    // Whole characters up to the note (no more than one unit short of
    // filling the room), then a line saying the text was cut.
    const std::string note = got.substr(same);
    EXPECT_GE(Utf16Length(got), kEventTextLimit - 1);
    EXPECT_EQ(note.substr(0, 1), "\n") << note.substr(0, 80);
    EXPECT_NE(note.find("31,839"), std::string::npos) << note.substr(0, 80);
  }
}

INSTANTIATE_TEST_SUITE_P(Logs, EventLogContract, ::testing::ValuesIn(LogsUnderTest()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hollin::cli
