#include "cli/win32_event_log.h"

#include <string>

namespace hollin::cli {
namespace {

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

Win32EventLog::~Win32EventLog() {
  if (source_) DeregisterEventSource(source_);
}

bool Win32EventLog::Write(EventKind kind, const std::string& text) {
  if (!source_) source_ = RegisterEventSourceW(nullptr, Wide(std::string(kEventSource)).c_str());
  if (!source_) return false;
  const std::wstring wide = Wide(EventText(text));
  const wchar_t* strings[] = {wide.c_str()};
  return ReportEventW(source_, static_cast<WORD>(EventTypeOf(kind)), 0, EventId(kind), nullptr, 1, 0, strings,
                      nullptr) != FALSE;
}

}  // namespace hollin::cli
