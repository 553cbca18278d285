// Puts what a stdio stream has written on the disk (the floor of the
// benchmarks: plain stdio plus one flush).
#pragma once

#include <cstdio>

namespace hollin::bench {

bool FlushToDisk(std::FILE* f);

}  // namespace hollin::bench
