// The thread count of a benchmark run: MOLVANE_BENCH_THREADS, 1 when unset.
#pragma once

#include <cstdlib>

namespace molvane::bench {

inline int Threads() {
  const char* text = std::getenv("MOLVANE_BENCH_THREADS");
  const int n = text ? std::atoi(text) : 1;
  return n > 0 ? n : 1;
}

}  // namespace molvane::bench
