// The threshold's AVX2 kernel, beside its SSE2 kernel and its plain loop.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/threshold.h"

namespace molvane {

// ThresholdBlocksSse2 (threshold_sse2.h) on `runs` runs of 32 pixels, on a
// processor with AVX2 (colour/cpu_features.h).
void ThresholdRunsAvx2(const Pixel24* in, Pixel24* out, int64_t runs, KeptSide side, uint8_t bound);

}  // namespace molvane
