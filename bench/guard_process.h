// What the guard's benchmarks share (Windows build): the clock, a process's
// processor time, the guard started and ended as a desktop has it, and its
// notice.
#pragma once

#include <windows.h>

#include <string>

namespace hollin::bench {

inline double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto s = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return s(kernel) + s(user);
}

// Waits until the process has used no processor time for a second, for at
// most limit seconds.
inline void WaitIdle(HANDLE process, int limit) {
  double last = CpuSeconds(process);
  for (int i = 0; i < limit; ++i) {
    Sleep(1000);
    const double now = CpuSeconds(process);
    if (now == last) return;
    last = now;
  }
}

// The guard's notice, while it is shown.
inline HWND Notice() {
  const HWND hwnd = FindWindowW(L"HollinGuardNotice", nullptr);
  return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

// hollin.exe --guard, started; window is its hidden window once it came
// (within timeout seconds of started), else null.
struct Guard {
  PROCESS_INFORMATION pi{};
  HWND window = nullptr;
  double started = 0;

  bool Start(const char* exe, double timeout) {
    std::string line = std::string("\"") + exe + "\" --guard";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    started = Seconds();
    while (!(window = FindWindowW(L"HollinGuard", nullptr)) && Seconds() - started < timeout) Sleep(50);
    return true;
  }
  // Asks it to end, as "--guard --stop" does; whether it did within 10 s.
  bool End() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
  }
};

}  // namespace hollin::bench
