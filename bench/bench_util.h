// A small timing harness shared by the benchmarks: the same code builds
// natively and for Windows (run under Wine), where Google Benchmark is not
// available.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace hollin::bench {

struct Timing {
  double bestMs = 0;
  double medianMs = 0;
};

// Runs f reps times (after one warm-up run) and returns the best and the
// median wall-clock time of one run.
template <class F>
Timing Measure(F&& f, int reps) {
  f();
  std::vector<double> ms;
  ms.reserve(static_cast<size_t>(reps));
  for (int i = 0; i < reps; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

// Interleaves the runs of a and b so that drift in the machine's speed hits
// both alike; returns their timings.
template <class A, class B>
std::pair<Timing, Timing> MeasurePair(A&& a, B&& b, int reps) {
  a();
  b();
  std::vector<double> ta, tb;
  for (int i = 0; i < reps; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    a();
    auto t1 = std::chrono::steady_clock::now();
    b();
    auto t2 = std::chrono::steady_clock::now();
    ta.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    tb.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  std::sort(ta.begin(), ta.end());
  std::sort(tb.begin(), tb.end());
  return {{ta.front(), ta[ta.size() / 2]}, {tb.front(), tb[tb.size() / 2]}};
}

inline void Report(const std::string& name, const Timing& t) {
  std::printf("%-40s best %9.3f ms   median %9.3f ms\n", name.c_str(), t.bestMs,
              t.medianMs);
}

inline void ReportRatio(const std::string& name, const Timing& measured,
                        const Timing& floor, double target, const char* against = "floor") {
  const double ratio = measured.medianMs / floor.medianMs;
  std::printf("%-40s %.3f x %s (median; target <= %.2f) %s\n", name.c_str(),
              ratio, against, target, ratio <= target ? "MET" : "MISSED");
}

}  // namespace hollin::bench
