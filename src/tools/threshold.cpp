// The threshold's pixel loops.
#include "tools/threshold.h"

#include <algorithm>

namespace molvane {

void ThresholdPixels(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                     KeptSide side) {
  // The test depends on the lightness alone: decide the 256 cases once.
  uint8_t keep[256];
  for (int32_t l = 0; l < 256; ++l)
    keep[l] = (side == KeptSide::Below ? l < threshold : l > threshold) ? 0xFF : 0x00;
  for (int64_t i = 0; i < count; ++i) {
    const Pixel24 p = in[i];
    const int32_t hi = std::max({p.r, p.g, p.b});
    const int32_t lo = std::min({p.r, p.g, p.b});
    const uint8_t mask = keep[(hi + lo) >> 1];
    out[i] = Pixel24{uint8_t(p.b & mask), uint8_t(p.g & mask), uint8_t(p.r & mask)};
  }
}

void ThresholdPixelsReference(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                              KeptSide side) {
  for (int64_t i = 0; i < count; ++i)
    out[i] = PassesThreshold(in[i], threshold, side) ? in[i] : Pixel24{0, 0, 0};
}

}  // namespace molvane
