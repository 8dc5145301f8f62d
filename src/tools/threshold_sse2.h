// The threshold's SSE2 kernel, beside its plain loop in threshold.cpp.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/threshold.h"

namespace molvane {

// Keeps the pixels whose lightness is >= bound (Above) or <= bound (Below)
// and blackens the others, on `blocks` runs of 16 pixels.
void ThresholdBlocksSse2(const Pixel24* in, Pixel24* out, int64_t blocks, KeptSide side, uint8_t bound);

}  // namespace molvane
