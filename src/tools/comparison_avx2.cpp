// The gap's AVX2 kernel.
#include "tools/comparison_avx2.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "colour/pixel.h"

// From here on every function is compiled for AVX2; the headers above stay
// on the baseline (pixel_lanes_avx2.h).
#pragma GCC push_options
#pragma GCC target("avx2")
#include "tools/comparison_lanes.h"
#include "tools/pixel_lanes_avx2.h"

namespace molvane {

void GapRunsAvx2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t runs, int32_t factor) {
  lanes::GapRuns<Avx2Lanes>(a, b, out, runs, factor);
}

}  // namespace molvane

#pragma GCC pop_options
#endif
