// The merge's maximum in AVX2, beside its SSE2 kernel and its plain loop.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// The channel-wise maximum of two images, 32 pixels (three 32-byte runs) at
// a time, on a processor with AVX2 (colour/cpu_features.h). Returns how
// many pixels it did: the whole runs of 32, the rest left to the caller.
int64_t MaximumAvx2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t count);

}  // namespace molvane
