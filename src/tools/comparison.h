// The gap image of two images of one size: each channel's absolute difference times a factor.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// One channel of the gap: g = |(a - b) * factor|, computed in full width so
// no factor wraps, then stored in the byte as min(g, 255). Saturating keeps
// a large gap bright; wrapping modulo 256 would turn a gap of 128 at factor
// 2 into black, the colour of identical pixels.
inline uint8_t GapChannel(uint8_t a, uint8_t b, int32_t factor) {
  int64_t g = (int64_t(a) - int64_t(b)) * int64_t(factor);
  if (g < 0) g = -g;
  return uint8_t(g > 255 ? 255 : g);
}

// gap[i][k] = GapChannel(first[i][k], second[i][k], factor) for every pixel
// i in 0..count-1 and every byte k (blue, green and red alike): no
// neighbourhood, no border, no rounding. Identical pixels give black. The
// gap may be either input (in place). The fast path works on the bytes 32
// at a time in AVX2 where the processor has it, then 16 at a time in SSE2,
// for factors -128..128, and through a table of the 256 possible
// differences otherwise; the reference applies GapChannel byte by byte.
// All give the same bytes.
void ComputeGap(const Pixel24* first, const Pixel24* second, Pixel24* gap, int64_t count,
                int32_t factor);
void ComputeGapReference(const Pixel24* first, const Pixel24* second, Pixel24* gap,
                         int64_t count, int32_t factor);

}  // namespace molvane
