// The merge's SSE2 kernel, beside its plain loop in merge.cpp.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/merge.h"

namespace molvane {

// MergePixel on `blocks` runs of 16 pixels, `rate` already within 0..100.
void MergeBlocksSse2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t blocks,
                     const MergeParams& params, int32_t rate);

}  // namespace molvane
