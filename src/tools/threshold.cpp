// The threshold's pixel loops.
#include "tools/threshold.h"

#include <algorithm>

#include "platform/row_pool.h"
#include "tools/pixel_lanes_sse2.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

// Scalar: the test depends on the lightness alone, so decide the 256 cases once.
void ThresholdScalar(const uint8_t keep[256], const Pixel24* in, Pixel24* out, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    const Pixel24 p = in[i];
    const int32_t hi = std::max({p.r, p.g, p.b});
    const int32_t lo = std::min({p.r, p.g, p.b});
    const uint8_t mask = keep[(hi + lo) >> 1];
    out[i] = Pixel24{uint8_t(p.b & mask), uint8_t(p.g & mask), uint8_t(p.r & mask)};
  }
}

#if defined(__SSE2__)

// Sixteen pixels per block (pixel_lanes_sse2.h): the keep mask is decided at
// each pixel's start byte from its lightness and spread over its 3 bytes.
class ThresholdSse2 {
 public:
  // Keep when lightness >= low (Above) or <= high (Below), encoded as a
  // saturating subtraction that is zero exactly for the kept pixels.
  ThresholdSse2(KeptSide side, uint8_t bound)
      : above_(side == KeptSide::Above), bound_(_mm_set1_epi8(char(bound))) {}

  void Run(const Pixel24* in, Pixel24* out, int64_t blocks) const {
    const auto* src = reinterpret_cast<const __m128i*>(in);
    auto* dst = reinterpret_cast<__m128i*>(out);
    const __m128i zero = _mm_setzero_si128();
    for (int64_t n = 0; n < blocks; ++n, src += 3, dst += 3) {
      const __m128i bytes[3] = {_mm_loadu_si128(src), _mm_loadu_si128(src + 1),
                                _mm_loadu_si128(src + 2)};
      __m128i lightness[3], mask[3], spread[3];
      sse2::LightnessAtStarts(bytes, lightness);
      for (int k = 0; k < 3; ++k) {
        const __m128i excess = above_ ? _mm_subs_epu8(bound_, lightness[k])
                                      : _mm_subs_epu8(lightness[k], bound_);
        mask[k] = _mm_and_si128(_mm_cmpeq_epi8(excess, zero), starts_.mask[k]);
      }
      sse2::SpreadFromStarts(mask, spread);
      for (int k = 0; k < 3; ++k) _mm_storeu_si128(dst + k, _mm_and_si128(bytes[k], spread[k]));
    }
  }

 private:
  bool above_;
  __m128i bound_;
  sse2::PixelStarts starts_;
};

#endif

void ThresholdRange(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                    KeptSide side) {
  uint8_t keep[256];
  for (int32_t l = 0; l < 256; ++l)
    keep[l] = (side == KeptSide::Below ? l < threshold : l > threshold) ? 0xFF : 0x00;
  int64_t done = 0;
#if defined(__SSE2__)
  // Thresholds outside 0..255 keep all or nothing; the vector path handles
  // the rest as "lightness >= threshold + 1" or "<= threshold - 1".
  const bool vectorisable = side == KeptSide::Above ? threshold >= 0 && threshold <= 254
                                                    : threshold >= 1 && threshold <= 255;
  if (vectorisable && count >= 16) {
    const uint8_t bound = uint8_t(side == KeptSide::Above ? threshold + 1 : threshold - 1);
    done = count / 16 * 16;
    ThresholdSse2(side, bound).Run(in, out, count / 16);
  }
#endif
  ThresholdScalar(keep, in + done, out + done, count - done);
}

}  // namespace

void ThresholdPixels(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                     KeptSide side) {
  if (kReferencePathsOnly) return ThresholdPixelsReference(in, out, count, threshold, side);
  SplitOverThreads(count, 16, kParallelPixels, [&](int64_t begin, int64_t end) {
    ThresholdRange(in + begin, out + begin, end - begin, threshold, side);
  });
}

void ThresholdPixelsReference(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                              KeptSide side) {
  for (int64_t i = 0; i < count; ++i)
    out[i] = PassesThreshold(in[i], threshold, side) ? in[i] : Pixel24{0, 0, 0};
}

}  // namespace molvane
