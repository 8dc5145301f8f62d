// The merge's AVX2 kernel.
#include "tools/merge_avx2.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

// From here on every function is compiled for AVX2; the headers above stay
// on the baseline (pixel_lanes_avx2.h).
#pragma GCC push_options
#pragma GCC target("avx2")
#include "tools/merge_lanes.h"
#include "tools/pixel_lanes_avx2.h"

namespace molvane {

void MergeRunsAvx2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t runs,
                   const MergeParams& params, int32_t rate) {
  lanes::MergeKernel<Avx2Lanes>(params, rate).Run(first, second, out, runs);
}

}  // namespace molvane

#pragma GCC pop_options
#endif
