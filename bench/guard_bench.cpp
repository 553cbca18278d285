// The resident guard over the bench's class root of 20,000 keys (Windows
// build, under Wine: scripts/bench.sh prepares the prefix with
// class_root_setup):
//
//   guard_bench HOLLIN_EXE [ROUNDS] [IDLE_SECONDS] [BASELINE_EXE]
//
// HOLLIN_EXE is the copy in class_root_setup's OK folder, whose base holds
// the class root as it is. The bench starts it with --guard, waits until it
// is idle, and then, ROUNDS times (default 5), takes one type over from this
// process and times the notice's coming from the write (its window shown);
// what lies beyond the two seconds the registry must be still is the
// reaction. It reports the guard's working set idle and its peak, and the
// processor time the idle guard takes over IDLE_SECONDS (default 60; 0: not
// measured). It ends the guard as "--guard --stop" does. BASELINE_EXE
// (tray_baseline) is started first, alone, for what a bare window with a
// notification icon costs in the same prefix and run; the guard's working
// set between checks is told above it.
//
//   guard_bench --floor FLOOR_EXE HOLLIN_EXE [REPS] [LABEL]
//
// times the guard's check against the floor (floor.exe, in a prefix made by
// floor_setup, whose base HOLLIN_EXE has recorded): interleaved, the floor
// run to its end, and a check of the running guard, woken by a value no
// check reads written under a machine type; a check's time is from the write
// to the guard's count of checks moving, less the two seconds the registry
// must be still, and as the guard timed it itself (its last check's
// milliseconds, WM_APP + 3 with wParam 4; a build before that answer gives
// its count of checks there instead).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "guard_process.h"

namespace {

using namespace hollin::bench;

PROCESS_MEMORY_COUNTERS Memory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS m{};
  m.cb = sizeof m;
  GetProcessMemoryInfo(process, &m, sizeof m);
  return m;
}

// How many checks the guard has run (it answers WM_APP + 3 with wParam 0);
// -1 where it does not answer.
long Checks(HWND guard) {
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutW(guard, WM_APP + 3, 0, 0, SMTO_NORMAL, 30000, &n)) return -1;
  return static_cast<long>(n);
}

// Waits until the guard has run more than `than` checks (at most a minute),
// then until it is idle: under Wine a guard waiting for the wineserver takes
// no processor time, so idleness alone does not tell a check done.
void WaitChecked(HWND guard, HANDLE process, long than) {
  for (int i = 0; i < 1200 && Checks(guard) <= than; ++i) Sleep(50);
  WaitIdle(process, 120);
}

void SetDefault(const wchar_t* path, const wchar_t* value) {
  RegSetValueW(HKEY_CLASSES_ROOT, path, REG_SZ, value, 0);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The working set of a program idle with its window, after which it is
// ended; 0 where it did not start.
SIZE_T BaselineWorkingSet(const char* exe) {
  std::string line = std::string("\"") + exe + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  HWND window = nullptr;
  for (int i = 0; i < 600 && !(window = FindWindowW(L"HollinTrayBaseline", nullptr)); ++i) Sleep(50);
  WaitIdle(pi.hProcess, 120);
  const SIZE_T bytes = window ? Memory(pi.hProcess).WorkingSetSize : 0;
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return bytes;
}

// A process run to its end, in ms; negative where it did not start, end
// within ten minutes, or exit with 0.
double UntilExit(const std::string& exe) {
  std::string line = "\"" + exe + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double t0 = Seconds();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  const bool ended = WaitForSingleObject(pi.hProcess, 600000) == WAIT_OBJECT_0;
  const double ms = (Seconds() - t0) * 1000;
  DWORD rc = 1;
  GetExitCodeProcess(pi.hProcess, &rc);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ended && rc == 0 ? ms : -1;
}

// One check of the running guard, in ms beyond the two seconds of stillness
// it waits for; negative where none came within a minute. A value no check
// reads, written anew under a machine type, wakes it (a value written again
// as it was signals nothing under Wine).
double GuardCheck(HWND guard, HANDLE process, double& ownMs) {
  static DWORD wakes = 0;
  ++wakes;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.ext00000", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return -1;
  const long before = Checks(guard);
  const double t0 = Seconds();
  RegSetValueExW(key, L"BenchWake", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wakes), sizeof wakes);
  RegCloseKey(key);
  while (Checks(guard) <= before)
    if (Seconds() - t0 > 60) return -1;
    else Sleep(5);
  const double ms = (Seconds() - t0 - 2) * 1000;
  // The count moves as the check begins, and the guard may answer while it
  // tells its icon's tip the outcome, near its end: its own time of the
  // check is there once it waits again.
  WaitIdle(process, 30);
  DWORD_PTR own = 0;
  ownMs = SendMessageTimeoutW(guard, WM_APP + 3, 4, 0, SMTO_NORMAL, 30000, &own) ? static_cast<double>(own) : -1;
  return ms;
}

int AgainstFloor(const char* floorExe, const char* hollin, int reps, const char* label) {
  Guard started;
  if (!started.Start(hollin, 30) || !started.window) {
    std::fprintf(stderr, "guard_bench: cannot start %s\n", hollin);
    return 1;
  }
  WaitChecked(started.window, started.pi.hProcess, 0);
  std::vector<double> floor, check, own;
  for (int i = -1; i < reps; ++i) {
    double f = 0, c = 0, o = 0;
    // Each round begins with the other, so that neither always follows.
    for (int k = 0; k < 2; ++k)
      if ((k + i) % 2 == 0) f = UntilExit(floorExe);
      else c = GuardCheck(started.window, started.pi.hProcess, o);
    std::printf("  %s floor %7.1f  the guard's check %7.1f ms (by its own clock %.0f ms)\n",
                i < 0 ? "warm-up" : "run    ", f, c, o);
    std::fflush(stdout);
    if (f < 0 || c < 0) {
      std::fprintf(stderr, "guard_bench: %s\n", f < 0 ? "the floor failed" : "the guard did not check");
      started.End();
      return 1;
    }
    if (i < 0) continue;
    floor.push_back(f);
    check.push_back(c);
    own.push_back(o);
  }
  std::sort(floor.begin(), floor.end());
  std::sort(check.begin(), check.end());
  std::sort(own.begin(), own.end());
  const double fm = Median(floor), cm = Median(check);
  std::printf("%s: floor best %.1f median %.1f ms; the guard's check best %.1f median %.1f ms\n", label,
              floor.front(), fm, check.front(), cm);
  std::printf("%s: the guard's check %.2f x floor (best %.2f x) %s\n", label, cm / fm,
              check.front() / floor.front(), check.front() <= floor.front() ? "MET" : "MISSED");
  std::printf("%s: by the guard's own clock best %.0f median %.0f ms: %.2f x floor (best %.2f x)\n", label,
              own.front(), Median(own), Median(own) / fm, own.front() / floor.front());
  return started.End() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3 && std::string(argv[1]) == "--floor")
    return AgainstFloor(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 7, argc > 5 ? argv[5] : "registry");
  if (argc < 2) {
    std::fprintf(stderr, "usage: guard_bench HOLLIN_EXE [ROUNDS] [IDLE_SECONDS] [BASELINE_EXE]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 60;
  SIZE_T baseline = 0;
  if (argc > 4) {
    baseline = BaselineWorkingSet(argv[4]);
    if (baseline) std::printf("baseline, a bare window with a notification icon: %.1f MB\n", baseline / 1048576.0);
    else std::printf("baseline: %s did not start\n", argv[4]);
  }
  Guard started;
  if (!started.Start(argv[1], 30)) {
    std::fprintf(stderr, "guard_bench: cannot start %s\n", argv[1]);
    return 1;
  }
  const PROCESS_INFORMATION& pi = started.pi;
  const HWND guard = started.window;
  WaitChecked(guard, pi.hProcess, 0);
  std::printf("guard started and idle after its first check: %.1f s\n", Seconds() - started.started);
  const PROCESS_MEMORY_COUNTERS idle = Memory(pi.hProcess);
  std::printf("working set idle: %.1f MB (peak so far %.1f MB); this bench's own, for scale: %.1f MB\n",
              idle.WorkingSetSize / 1048576.0, idle.PeakWorkingSetSize / 1048576.0,
              Memory(GetCurrentProcess()).WorkingSetSize / 1048576.0);

  std::vector<double> reactions;
  for (int r = 0; r < rounds; ++r) {
    const wchar_t* taken = r % 2 ? L"Prog.File.00002" : L"Prog.File.00001";
    const double t0 = Seconds(), cpu0 = CpuSeconds(pi.hProcess);
    SetDefault(L".ext00000", taken);
    while (!Notice() && Seconds() - t0 < 40) Sleep(5);
    const double t1 = Seconds();
    if (!Notice()) {
      std::printf("round %d: no notice within 40 s\n", r + 1);
      break;
    }
    reactions.push_back(t1 - t0);
    // The guard's own processor time for it tells a slow check from a
    // machine too busy to run it.
    std::printf("round %d: notice %.0f ms after the write (%.0f ms after 2 s of stillness; %.0f ms of the guard's "
                "processor time)\n",
                r + 1, (t1 - t0) * 1000, (t1 - t0 - 2) * 1000, (CpuSeconds(pi.hProcess) - cpu0) * 1000);
    // The notice's window is a process's of its own while it is shown.
    DWORD noticePid = 0;
    GetWindowThreadProcessId(Notice(), &noticePid);
    if (noticePid != pi.dwProcessId)
      if (const HANDLE n = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, noticePid)) {
        std::printf("round %d: the notice's process, shown: working set %.1f MB\n", r + 1,
                    Memory(n).WorkingSetSize / 1048576.0);
        CloseHandle(n);
      }
    PostMessageW(Notice(), WM_CLOSE, 0, 0);
    WaitIdle(pi.hProcess, 120);
    // The check's own part of it, by the guard's clock (WM_APP + 3, wParam
    // 4); the rest is the wait for stillness and the notice's coming.
    DWORD_PTR checkMs = 0;
    if (SendMessageTimeoutW(guard, WM_APP + 3, 4, 0, SMTO_NORMAL, 30000, &checkMs))
      std::printf("round %d: the check itself %ld ms by the guard's clock\n", r + 1, static_cast<long>(checkMs));
  }
  const long checks = Checks(guard);
  SetDefault(L".ext00000", L"Prog.File.00000");
  WaitChecked(guard, pi.hProcess, checks);
  const PROCESS_MEMORY_COUNTERS after = Memory(pi.hProcess);
  std::printf("working set after the checks: %.1f MB, peak %.1f MB\n", after.WorkingSetSize / 1048576.0,
              after.PeakWorkingSetSize / 1048576.0);
  // A past check's heap still there holds its regions: something made
  // during that check outlived it.
  DWORD_PTR held = 0;
  if (SendMessageTimeoutW(guard, WM_APP + 3, 3, 0, SMTO_NORMAL, 30000, &held))
    std::printf("heaps of past checks still held: %ld\n", static_cast<long>(held));
  if (!reactions.empty())
    std::printf("reaction after the registry settled: median %.0f ms, worst %.0f ms (%s 3,000 ms)\n",
                (Median(reactions) - 2) * 1000, (*std::max_element(reactions.begin(), reactions.end()) - 2) * 1000,
                *std::max_element(reactions.begin(), reactions.end()) - 2 < 3 ? "MET, under" : "MISSED, over");
  std::printf("working set %s 20 MB\n", after.PeakWorkingSetSize < 20u * 1048576 ? "MET, peak under" : "MISSED, peak over");
  if (baseline) {
    const double above = (static_cast<double>(after.WorkingSetSize) - static_cast<double>(baseline)) / 1048576.0;
    std::printf("working set between checks above the baseline: %.1f MB (%s 3 MB)\n", above,
                above <= 3 ? "MET, at most" : "MISSED, over");
  }
  if (idleSeconds > 0) {
    const double c0 = CpuSeconds(pi.hProcess);
    Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    const double c1 = CpuSeconds(pi.hProcess);
    std::printf("idle guard: %.3f s of processor time in %d s\n", c1 - c0, idleSeconds);
  }
  const bool ended = started.End();
  std::printf("guard %s on request\n", ended ? "ended" : "did NOT end");
  return ended ? 0 : 1;
}
