#include "cli/win32_console.h"

#include "common/windows_api.h"
#include "common/win32_text.h"

#include <algorithm>
#include <ctime>

#include "assoc_xml/xml_codec.h"
#include "messages/command_line_texts.h"
#include "records/win32_event_log.h"
#include "common/win32_account.h"
#include "risk/win32_file_facts.h"
#include "common/win32_platform.h"
#include "registry/win32_registry.h"

namespace hollin::cli {
namespace {

// The handle for a standard stream: the one the program was given, else the
// parent's console.
HANDLE StreamHandle(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (h && h != INVALID_HANDLE_VALUE) return h;
  static bool attached = false, tried = false;
  if (!tried) {
    tried = true;
    attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  }
  if (!attached) return nullptr;
  h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  SetStdHandle(which, h);
  return h;
}

// Writes all of text to a standard stream; "" when it did (or where the
// program has no such stream), else why not.
std::string WriteTo(DWORD which, const std::string& text) {
  const HANDLE h = StreamHandle(which);
  if (!h) return std::string();
  DWORD mode = 0, written = 0;
  BOOL ok = TRUE;
  if (GetConsoleMode(h, &mode)) {
    // A console shows UTF-16 whatever its code page; line ends as it expects.
    std::string crlf;
    for (char c : text) {
      if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf.push_back('\r');
      crlf.push_back(c);
    }
    const std::wstring wide = Wide(crlf);
    ok = WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    // A pipe or a file may take less than all at once.
    for (size_t at = 0; ok && at < text.size(); at += written) {
      written = 0;
      ok = WriteFile(h, text.data() + at, static_cast<DWORD>(std::min<size_t>(text.size() - at, 1u << 20)), &written,
                     nullptr) &&
           written > 0;
    }
  }
  if (ok) return std::string();
  DWORD error = GetLastError();
  if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
  return msg::StandardOutputNotWritten(error, SystemErrorText(error));
}

// The console's request to stop (Ctrl+C, Ctrl+Break, the console closed,
// the session ending), for the run under way; while a restore honours it,
// the console is told it was handled, so that the restore can finish the
// type it is writing. Closing the console or ending the session ends the
// process once the handler returns: the handler waits for the run to end,
// within the few seconds Windows allows.
StopRequest g_stop;
HANDLE g_runEnded = nullptr;

BOOL WINAPI ConsoleControl(DWORD event) {
  if (!g_stop.honoured) return FALSE;  // nothing half written: the process ends as usual
  g_stop.requested = true;
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    if (g_runEnded) WaitForSingleObject(g_runEnded, 4000);
  return TRUE;
}

// XmlLite crashed on an associations file: the run ends as on any other
// failure, with a message and its exit code, not with the system's crash
// report.
void EndOnXmlCrash(unsigned long exceptionCode) {
  Win32Console().Err(msg::XmlReaderCrashed(exceptionCode));
  TerminateProcess(GetCurrentProcess(), kFailure);
}

std::string CurrentFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(path)), path);
  return n && n < std::size(path) ? Utf8(path) : std::string();
}

}  // namespace

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? Utf8(name) : std::string();
}

std::string Win32Console::Out(const std::string& text) { return WriteTo(STD_OUTPUT_HANDLE, text); }
void Win32Console::Err(const std::string& text) { WriteTo(STD_ERROR_HANDLE, text); }

int RunWindowsCommandLine(const std::vector<std::string>& args) {
  // The shell's calls (the association lookup, indirect strings) want a
  // single-threaded apartment on this thread, before the first of them.
  ComApartment apartment;
  Win32Console console;
  Win32Platform platform;
  Win32Registry reg;
  const Options options = ParseOptions(args);
  Win32EventLog events;
  const AccountFacts account = ReadAccountFacts();
  Win32FileFacts facts;
  RunEnvironment env{reg,
                     platform,
                     console,
                     platform.ProgramFolder(),
                     CurrentFolder(),
                     ComputerName(),
                     AccountName(account),
                     static_cast<long long>(std::time(nullptr)),
                     &events,
                     account,
                     &facts};
  env.stop = &g_stop;
  g_runEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(ConsoleControl, TRUE);
  SetXmlCrashHandler(EndOnXmlCrash);
  const int code = RunCommandLine(options, env);
  if (g_runEnded) SetEvent(g_runEnded);
  return code;
}

}  // namespace hollin::cli
