// The threshold's AVX2 kernel.
#include "tools/threshold_avx2.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

// From here on every function is compiled for AVX2; the headers above stay
// on the baseline (pixel_lanes_avx2.h).
#pragma GCC push_options
#pragma GCC target("avx2")
#include "tools/pixel_lanes_avx2.h"
#include "tools/threshold_lanes.h"

namespace molvane {

void ThresholdRunsAvx2(const Pixel24* in, Pixel24* out, int64_t runs, KeptSide side, uint8_t bound) {
  lanes::ThresholdKernel<Avx2Lanes>(side, bound).Run(in, out, runs);
}

}  // namespace molvane

#pragma GCC pop_options
#endif
