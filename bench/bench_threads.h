// The thread count of a benchmark run: MOLVANE_BENCH_THREADS, 1 when unset,
// given to our row pool before any benchmark runs (OpenCV's is set per run).
#pragma once

#include <cstdlib>

#include "platform/row_pool.h"

namespace molvane::bench {

inline int Threads() {
  const char* text = std::getenv("MOLVANE_BENCH_THREADS");
  const int n = text ? std::atoi(text) : 1;
  return n > 0 ? n : 1;
}

inline const bool kPoolThreadsSet = (SetPoolThreads(Threads()), true);

}  // namespace molvane::bench
