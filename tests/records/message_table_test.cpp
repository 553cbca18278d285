// The message table in the built programs (Windows build): each event ID
// the log is written with resolves, through FormatMessageW from the program
// file, to its one insertion string, so that Event Viewer shows the report
// as the event's description.
#include <gtest/gtest.h>

#include "records/event_log.h"
#include "common/windows_api.h"

namespace hollin::cli {
namespace {

TEST(MessageTable, EveryEventIdResolvesToItsText) {
  for (const wchar_t* program : {HOLLIN_EXE, HOLLINC_EXE}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(program)));
    HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetLastError();
    for (const EventKind kind : {EventKind::ChangesFound, EventKind::Restored, EventKind::RestoreRefused,
                                 EventKind::Accepted, EventKind::FirstRun, EventKind::Failure}) {
      const wchar_t* report = L"Hollin 1.0.0 on PC-7 (ada)\r\n.txt\tchanged\t日本 -> grab";
      DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(report)};
      wchar_t text[256] = {};
      const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module,
                                     EventId(kind), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text,
                                     static_cast<DWORD>(std::size(text)), reinterpret_cast<va_list*>(args));
      EXPECT_EQ(std::wstring(text, n), report) << EventId(kind) << ": error " << GetLastError();
    }
    FreeLibrary(module);
  }
}

}  // namespace
}  // namespace hollin::cli
