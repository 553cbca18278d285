#include "records/event_log.h"

#include "common/ansi_codepage.h"
#include "common/wtf8.h"

namespace hollin::cli {
namespace {

// The closing line of a text that was cut, the event record's own.
constexpr std::string_view kCutNote = "\n[Cut here: an event holds at most 31,839 characters.]";  // verbatim

}  // namespace

std::string EventText(std::string_view text) {
  std::string out = AsCodePageText(text);
  // A NUL would end the string early: it is shown as U+FFFD.
  for (size_t at; (at = out.find('\0')) != std::string::npos;) out.replace(at, 1, "\xEF\xBF\xBD");
  if (Utf16Length(out) <= kEventTextLimit) return out;
  // Keep whole characters while they and the note fit.
  const size_t room = kEventTextLimit - kCutNote.size();
  size_t units = 0, i = 0;
  char32_t cp = 0;
  for (size_t next = 0; next < out.size(); i = next) {
    DecodeUtf8(out, next, cp);  // well-formed: always a character
    const size_t u = cp >= 0x10000 ? 2 : 1;
    if (units + u > room) break;
    units += u;
  }
  out.resize(i);
  out += kCutNote;
  return out;
}

bool RecordingEventLog::Write(EventKind kind, const std::string& text) {
  if (fail) return false;
  events.push_back({std::string(kEventSource), EventId(kind), EventTypeOf(kind), EventText(text)});
  return true;
}

}  // namespace hollin::cli
