// The whole program, started as a user starts it (Windows build, under Wine),
// timed from just before CreateProcess:
//
//   quiet check, no change      until the status window reads "OK!..."
//   quiet check, 500 changes    until the main window is visible with 500 rows
//   normal start                until the main window is visible
//   floor                       scan_bench --floor-hkcr, until it has exited
//
// or, with --check, the check for scripts (hollin.exe --check, until it has
// exited with 0) without and with Explorer's 20,000 keys of
// class_root_setup in place (explorer_keys.h):
//
//   startup_bench --check OK_EXE FILEEXTS_EXE [reps]
//
// FILEEXTS_EXE is a copy of hollin.exe beside the base recorded with them.
//
// or, with --pair, two builds of the program over the same class root, each
// beside a base it recorded itself (a first run): the quiet check without a
// change of one against the other, interleaved, so that the drift of a
// shared machine hits both alike:
//
//   startup_bench --pair BEFORE_EXE AFTER_EXE [reps]
//
// and with --check-pair the same for two builds of hollinc.exe (--check,
// until it has exited with 0). Each also tells the processor time each
// program had taken when it was done, the part its own code decides.
//
// or, with --floor, the program's check against the floor (floor.exe: the
// fewest registry calls that read everything a check reads), on the
// registry in the prefix (floor_setup): hollin.exe -h until "No changes
// found." and hollinc.exe --check until it has exited with 0, each beside a
// base recorded on that registry:
//
//   startup_bench --floor FLOOR_EXE HOLLIN_EXE HOLLINC_EXE [reps] [label]
//
// The runs are interleaved; each copy of the program is ended as soon as it
// has been seen and gone (its instance mutex too) before the next starts.
//
//   startup_bench OK_EXE CHANGED_EXE SCAN_BENCH_EXE [reps] [poll_ms]
//
// OK_EXE and CHANGED_EXE are copies of hollin.exe beside the two base files
// of class_root_setup. poll_ms (default 1) is the pause between two looks at
// the windows, 0 for none. The status message is read with WM_GETTEXT, which
// waits until the program looks at its messages again, so that look costs
// nothing while the program works; the other looks (IsWindowVisible, the
// window search) are requests to the one wineserver thread that also serves
// every registry call of the program, and without a pause they slow the
// program down measurably.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "explorer_keys.h"

namespace {

constexpr char kFormClass[] = "HollinForm";
constexpr char kMutex[] = "Local\\Hollin.Brellmark.Instance";
constexpr char kStatusTitle[] = "Brellmark";
constexpr char kMainTitle[] = "Hollin Brellmark";
constexpr char kNoChanges[] = "OK!\r\nNo changes found.";
constexpr int kChangedRows = 500;
constexpr DWORD kTimeoutMs = 60000;

DWORD g_pollMs = 1;
HANDLE g_running = nullptr;  // the program being timed, ended on a failure
// The processor time the program timed last had taken when it was seen done
// (user and kernel; under Wine without the wineserver's): what its own code
// costs, steadier than the elapsed time on a machine busy with other work.
double g_processorMs = 0;

double ProcessorMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "startup_bench: %s\n", what.c_str());
  if (g_running) TerminateProcess(g_running, 1);
  std::exit(1);
}

struct Run {
  PROCESS_INFORMATION pi{};
  double t0 = 0;

  // silent: standard output and error go to NUL.
  explicit Run(const std::string& commandLine, bool silent = false) {
    std::string cmd = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (silent) {
      SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
      nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdInput = si.hStdOutput = si.hStdError = nul;
    }
    t0 = Now();
    const BOOL started =
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, silent, 0, nullptr, nullptr, &si, &pi);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) Fail("cannot start " + commandLine);
    g_running = pi.hProcess;
  }
  double Elapsed() const { return Now() - t0; }
  bool Exited() const { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }
  void Pause(const char* what) const {
    if (Exited()) Fail(std::string("the program ended before ") + what);
    if (Elapsed() > kTimeoutMs) Fail(std::string("timed out waiting for ") + what);
    if (g_pollMs) Sleep(g_pollMs);
  }
  // Ends the process and waits until it and its instance mutex are gone.
  ~Run() {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, kTimeoutMs);
    g_running = nullptr;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 5000; ++i) {
      HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, kMutex);
      if (!m) return;
      CloseHandle(m);
      Sleep(1);
    }
    Fail("the instance mutex outlived its program");
  }
  // The program's form of that title, shown or not.
  HWND Form(const char* title) const {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kFormClass, title));) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == pi.dwProcessId) return w;
    }
    return nullptr;
  }
  HWND WaitForm(const char* title) const {
    HWND w;
    while (!(w = Form(title))) Pause(title);
    return w;
  }
};

// A window's text, read with WM_GETTEXT (the owning thread answers once it
// looks at its messages again).
std::string Text(HWND w) {
  char buffer[256] = {};
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_NORMAL, kTimeoutMs, &n))
    return {};
  return std::string(buffer, n);
}

double QuietNoChanges(const std::string& exe) {
  Run run('"' + exe + "\" -h");
  const HWND status = run.WaitForm(kStatusTitle);
  // The message is the status window's one static with text.
  HWND label = nullptr;
  while (!label) {
    for (HWND c = nullptr; (c = FindWindowExA(status, c, "Static", nullptr));)
      if (!Text(c).empty()) label = c;
    if (!label) run.Pause("the status message");
  }
  while (Text(label) != kNoChanges) run.Pause("\"OK!\"");
  const double ms = run.Elapsed();
  g_processorMs = ProcessorMs(run.pi.hProcess);
  const HWND main = run.Form(kMainTitle);
  if (main && IsWindowVisible(main)) Fail("the main window came up in a check without changes");
  return ms;
}

// Until the main window is visible with rows rows in its list (-1: any).
double UntilMainWindow(const std::string& commandLine, int rows) {
  Run run(commandLine);
  const HWND main = run.WaitForm(kMainTitle);
  while (!IsWindowVisible(main)) run.Pause("the main window");
  if (rows >= 0) {
    const HWND list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
    if (!list) Fail("no list in the main window");
    LRESULT n = -1;
    while ((n = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) != rows) run.Pause("the rows");
  }
  return run.Elapsed();
}

double FloorProcess(const std::string& scanBench) {
  Run run('"' + scanBench + "\" --floor-hkcr");
  if (WaitForSingleObject(run.pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) Fail("the floor timed out");
  const double ms = run.Elapsed();
  DWORD rc = 1;
  GetExitCodeProcess(run.pi.hProcess, &rc);
  if (rc != 0) Fail("the floor found no class root in HKEY_CLASSES_ROOT");
  return ms;
}

hollin::bench::Timing Summary(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

// hollin.exe --check, until it has exited; it must find no change.
double Check(const std::string& exe) {
  Run run('"' + exe + "\" --check", true);
  if (WaitForSingleObject(run.pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) Fail("the check timed out");
  const double ms = run.Elapsed();
  g_processorMs = ProcessorMs(run.pi.hProcess);
  DWORD rc = 1;
  GetExitCodeProcess(run.pi.hProcess, &rc);
  if (rc != 0) Fail(exe + " --check exited with " + std::to_string(rc));
  return ms;
}

int CheckWithExplorerKeys(const std::string& ok, const std::string& withKeys, int reps) {
  using namespace hollin::bench;
  std::vector<double> without, with;
  for (int i = -1; i < reps; ++i) {
    const double a = Check(ok);
    if (!PointFileExts(true)) Fail("Explorer's keys of class_root_setup are not in the prefix");
    const double b = Check(withKeys);
    if (!PointFileExts(false)) Fail("Explorer's keys could not be taken away");
    std::printf("  %s without %7.1f  with Explorer's keys %7.1f ms\n", i < 0 ? "warm-up" : "run    ", a, b);
    std::fflush(stdout);
    if (i < 0) continue;
    without.push_back(a);
    with.push_back(b);
  }
  std::printf("the check for scripts under Wine, %d interleaved runs each:\n", reps);
  const Timing t0 = Summary(without), t1 = Summary(with);
  Report("check, class root alone", t0);
  Report("check, with 20,000 Explorer keys", t1);
  ReportRatio("check, with 20,000 Explorer keys", t1, t0, 1.3, "without");
  return 0;
}

// A process run to its end; it must exit with 0.
double UntilExit(const std::string& commandLine, const char* what) {
  Run run(commandLine, true);
  if (WaitForSingleObject(run.pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) Fail(std::string(what) + " timed out");
  const double ms = run.Elapsed();
  DWORD rc = 1;
  GetExitCodeProcess(run.pi.hProcess, &rc);
  if (rc != 0) Fail(std::string(what) + " exited with " + std::to_string(rc));
  return ms;
}

int AgainstFloor(const std::string& floorExe, const std::string& hollin, const std::string& hollinc, int reps,
                 const std::string& label) {
  using namespace hollin::bench;
  std::vector<double> floor, quiet, check;
  for (int i = -1; i < reps; ++i) {
    // Each round begins with another of the three, so that none always
    // follows the same one.
    double f = 0, q = 0, c = 0;
    for (int k = 0; k < 3; ++k) {
      switch ((k + (i < 0 ? 0 : i)) % 3) {
        case 0: f = UntilExit('"' + floorExe + '"', "the floor"); break;
        case 1: q = QuietNoChanges(hollin); break;
        default: c = UntilExit('"' + hollinc + "\" --check", "hollinc.exe --check"); break;
      }
    }
    std::printf("  %s floor %7.1f  hollin.exe -h %7.1f  hollinc.exe --check %7.1f ms\n",
                i < 0 ? "warm-up" : "run    ", f, q, c);
    std::fflush(stdout);
    if (i < 0) continue;
    floor.push_back(f);
    quiet.push_back(q);
    check.push_back(c);
  }
  std::printf("%s: against the floor under Wine, %d interleaved runs each:\n", label.c_str(), reps);
  const Timing tf = Summary(floor), tq = Summary(quiet), tc = Summary(check);
  Report(label + ": floor", tf);
  Report(label + ": hollin.exe -h", tq);
  Report(label + ": hollinc.exe --check", tc);
  std::printf("%-40s %.2f x floor (best %.2f x) %s\n", (label + ": hollin.exe -h").c_str(),
              tq.medianMs / tf.medianMs, tq.bestMs / tf.bestMs, tq.bestMs <= tf.bestMs ? "MET" : "MISSED");
  std::printf("%-40s %.2f x floor (best %.2f x) %s\n", (label + ": hollinc.exe --check").c_str(),
              tc.medianMs / tf.medianMs, tc.bestMs / tf.bestMs, tc.bestMs <= tf.bestMs ? "MET" : "MISSED");
  return 0;
}

int QuietCheckPair(const std::string& before, const std::string& after, int reps, double (*measure)(const std::string&),
                   const char* what) {
  using namespace hollin::bench;
  std::vector<double> a, b, ratios, pa, pb;
  for (int i = -1; i < reps; ++i) {
    // Each round in turn begins with the other program.
    const bool afterFirst = i % 2 != 0;
    double ta = 0, tb = 0, ca = 0, cb = 0;
    if (afterFirst) tb = measure(after), cb = g_processorMs;
    ta = measure(before), ca = g_processorMs;
    if (!afterFirst) tb = measure(after), cb = g_processorMs;
    std::printf("  %s before %7.1f  after %7.1f ms (processor %6.1f, %6.1f ms)\n", i < 0 ? "warm-up" : "run    ", ta,
                tb, ca, cb);
    std::fflush(stdout);
    if (i < 0) continue;
    a.push_back(ta);
    b.push_back(tb);
    ratios.push_back(tb / ta);
    pa.push_back(ca);
    pb.push_back(cb);
  }
  std::printf("%s, no change, two builds under Wine, %d interleaved runs each:\n", what, reps);
  const Timing t0 = Summary(a), t1 = Summary(b);
  const std::string name = what;
  Report(name + ", before", t0);
  Report(name + ", after", t1);
  ReportRatio(name + ", after", t1, t0, 1.15, "before");
  Report(name + "'s processor time, before", Summary(pa));
  Report(name + "'s processor time, after", Summary(pb));
  // The ratio of the two runs of each round, which ran side by side, is
  // steadier on a machine shared with other work than either median.
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios[ratios.size() / 2];
  std::printf("%-40s %.3f (median of %zu rounds; target <= 1.15) %s\n", (name + ", after / before, by round").c_str(),
              median, ratios.size(), median <= 1.15 ? "MET" : "MISSED");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace hollin::bench;
  if (argc >= 4 && std::string(argv[1]) == "--pair")
    return QuietCheckPair(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 9, QuietNoChanges, "quiet check");
  if (argc >= 4 && std::string(argv[1]) == "--check-pair")
    return QuietCheckPair(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 9, Check, "check for scripts");
  if (argc >= 5 && std::string(argv[1]) == "--floor")
    return AgainstFloor(argv[2], argv[3], argv[4], argc > 5 ? std::atoi(argv[5]) : 9, argc > 6 ? argv[6] : "floor");
  if (argc >= 4 && std::string(argv[1]) == "--check")
    return CheckWithExplorerKeys(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 9);
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: startup_bench OK_EXE CHANGED_EXE SCAN_BENCH_EXE [reps] [poll_ms]\n"
                 "       startup_bench --check OK_EXE FILEEXTS_EXE [reps]\n"
                 "       startup_bench --pair BEFORE_EXE AFTER_EXE [reps]\n"
                 "       startup_bench --check-pair BEFORE_EXE AFTER_EXE [reps]\n"
                 "       startup_bench --floor FLOOR_EXE HOLLIN_EXE HOLLINC_EXE [reps] [label]\n");
    return 2;
  }
  const std::string ok = argv[1], changed = argv[2], floorExe = argv[3];
  const int reps = argc > 4 ? std::atoi(argv[4]) : 9;
  if (argc > 5) g_pollMs = static_cast<DWORD>(std::atoi(argv[5]));
  std::vector<double> floor, quiet, quietChanged, normal;
  for (int i = -1; i < reps; ++i) {  // the first round warms up and is not counted
    const double f = FloorProcess(floorExe);
    const double q = QuietNoChanges(ok);
    const double c = UntilMainWindow('"' + changed + "\" -h", kChangedRows);
    const double n = UntilMainWindow('"' + ok + '"', -1);
    std::printf("  %s floor %7.1f  no change %7.1f  500 changes %7.1f  normal %6.1f ms\n",
                i < 0 ? "warm-up" : "run    ", f, q, c, n);
    std::fflush(stdout);
    if (i < 0) continue;
    floor.push_back(f);
    quiet.push_back(q);
    quietChanged.push_back(c);
    normal.push_back(n);
  }
  std::printf("whole program under Wine, %d interleaved runs each (poll %lu ms):\n", reps,
              static_cast<unsigned long>(g_pollMs));
  const Timing tf = Summary(floor), tq = Summary(quiet), tc = Summary(quietChanged),
               tn = Summary(normal);
  Report("floor process (scan_bench --floor-hkcr)", tf);
  Report("quiet check, no change: \"OK!\"", tq);
  Report("quiet check, 500 changed rows shown", tc);
  Report("normal start: main window visible", tn);
  ReportRatio("quiet check, no change", tq, tf, 1.1);
  ReportRatio("quiet check, 500 changes", tc, tf, 1.1);
  return 0;
}
