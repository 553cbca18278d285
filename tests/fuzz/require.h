// What the fuzz targets check beyond "no crash": a property that does not
// hold ends the run as a crash would, so that the fuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fault found: %s\n", what);
    std::abort();
  }
}
