// Thresholding on lightness: pixels on the kept side of the threshold keep their colour, others turn black.
#pragma once

#include <cstdint>

#include "colour/colour.h"
#include "colour/pixel.h"

namespace molvane {

enum class KeptSide { Above, Below };

// L = (max + min) div 2 of the pixel's channels. Above: the pixel passes when
// L > threshold; Below: when L < threshold. Both strict, so a pixel whose
// lightness equals the threshold is black either way.
inline bool PassesThreshold(Pixel24 p, int32_t threshold, KeptSide side) {
  const int32_t l = TripletLightness(p.r, p.g, p.b);
  return side == KeptSide::Below ? l < threshold : l > threshold;
}

// out[i] = in[i] when it passes, else black, for i in 0..count-1. In place
// (in == out) is allowed. The fast path tests 32 pixels at a time in AVX2
// where the processor has it, then 16 at a time in SSE2, and decides the
// rest by a table of the 256 lightness values; the reference applies
// PassesThreshold pixel by pixel. All give the same bytes.
void ThresholdPixels(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                     KeptSide side);
void ThresholdPixelsReference(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                              KeptSide side);

}  // namespace molvane
