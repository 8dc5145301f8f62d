// The noise reduction's SSE2 kernels, beside its plain loops in noise_reduction.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "colour/pixel.h"

namespace molvane::noise_reduction_detail {

// The lightness of `count` pixels into `out`, 16 at a time, the rest one by one.
void ComputeLightness(const Pixel24* pixels, uint8_t* out, ptrdiff_t count);

// The filter on the whole runs of 16 among `count` pixels: `l` is the
// lightness of the first pixel in its band, rows `width` apart. Returns how
// many pixels it did; the caller does the rest and holds the extended
// precision the exact halves are settled in.
ptrdiff_t ReduceBlocks(const Pixel24* copy, const uint8_t* l, ptrdiff_t width, ptrdiff_t count,
                       Pixel24* image);

}  // namespace molvane::noise_reduction_detail
