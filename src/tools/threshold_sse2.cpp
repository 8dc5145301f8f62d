// The threshold's SSE2 kernel.
#include "tools/threshold_sse2.h"

#if defined(__SSE2__)
#include "tools/pixel_lanes_sse2.h"

namespace molvane {
namespace {

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


}  // namespace

void ThresholdBlocksSse2(const Pixel24* in, Pixel24* out, int64_t blocks, KeptSide side, uint8_t bound) {
  ThresholdSse2(side, bound).Run(in, out, blocks);
}

}  // namespace molvane

#endif
