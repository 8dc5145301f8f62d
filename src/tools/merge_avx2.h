// The merge's AVX2 kernel, beside its SSE2 kernel and its plain loop.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/merge.h"

namespace molvane {

// MergePixel on `runs` runs of 32 pixels, `rate` already within 0..100, on a
// processor with AVX2 (colour/cpu_features.h).
void MergeRunsAvx2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t runs,
                   const MergeParams& params, int32_t rate);

}  // namespace molvane
