// The threshold's pixel loops.
#include "tools/threshold.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Sixteen pixels are three vectors of 16 bytes; a pixel's bytes start at every
// third position. Each byte position j gets max and min of bytes j, j+1, j+2
// (borrowing from the next vector), so the pixel starts hold the pixel's own
// max and min; the keep mask is computed there and spread over its 3 bytes.
struct Block {
  __m128i v[3];
};

inline __m128i Next(__m128i x, __m128i following, int bytes) {
  switch (bytes) {
    case 1: return _mm_or_si128(_mm_srli_si128(x, 1), _mm_slli_si128(following, 15));
    default: return _mm_or_si128(_mm_srli_si128(x, 2), _mm_slli_si128(following, 14));
  }
}

// floor((a + b) / 2) per byte: the rounding-up average minus the lost half.
inline __m128i HalfSum(__m128i a, __m128i b) {
  return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

class ThresholdSse2 {
 public:
  // Keep when lightness >= low (Above) or <= high (Below), encoded as a
  // saturating subtraction that is zero exactly for the kept pixels.
  ThresholdSse2(KeptSide side, uint8_t bound) : above_(side == KeptSide::Above) {
    bound_ = _mm_set1_epi8(char(bound));
    for (int k = 0; k < 3; ++k) {
      alignas(16) uint8_t starts[16];
      for (int j = 0; j < 16; ++j) starts[j] = (16 * k + j) % 3 == 0 ? 0xFF : 0x00;
      starts_[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(starts));
    }
  }

  void Run(const Pixel24* in, Pixel24* out, int64_t blocks) const {
    const auto* src = reinterpret_cast<const __m128i*>(in);
    auto* dst = reinterpret_cast<__m128i*>(out);
    const __m128i zero = _mm_setzero_si128();
    for (int64_t n = 0; n < blocks; ++n, src += 3, dst += 3) {
      const __m128i a = _mm_loadu_si128(src), b = _mm_loadu_si128(src + 1),
                    c = _mm_loadu_si128(src + 2);
      const __m128i bytes[3] = {a, b, c};
      const __m128i following[3] = {b, c, zero};
      __m128i mask[3];
      for (int k = 0; k < 3; ++k) {
        const __m128i x = bytes[k];
        const __m128i x1 = Next(x, following[k], 1), x2 = Next(x, following[k], 2);
        const __m128i hi = _mm_max_epu8(x, _mm_max_epu8(x1, x2));
        const __m128i lo = _mm_min_epu8(x, _mm_min_epu8(x1, x2));
        const __m128i lightness = HalfSum(hi, lo);
        const __m128i excess = above_ ? _mm_subs_epu8(bound_, lightness)
                                      : _mm_subs_epu8(lightness, bound_);
        mask[k] = _mm_and_si128(_mm_cmpeq_epi8(excess, zero), starts_[k]);
      }
      __m128i previous = zero;
      for (int k = 0; k < 3; ++k) {
        const __m128i m = mask[k];
        const __m128i spread = _mm_or_si128(
            _mm_or_si128(m, _mm_or_si128(_mm_slli_si128(m, 1), _mm_slli_si128(m, 2))),
            _mm_or_si128(_mm_srli_si128(previous, 15), _mm_srli_si128(previous, 14)));
        previous = m;
        _mm_storeu_si128(dst + k, _mm_and_si128(bytes[k], spread));
      }
    }
  }

 private:
  bool above_;
  __m128i bound_;
  __m128i starts_[3];
};

#endif

}  // namespace

void ThresholdPixels(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
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

void ThresholdPixelsReference(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                              KeptSide side) {
  for (int64_t i = 0; i < count; ++i)
    out[i] = PassesThreshold(in[i], threshold, side) ? in[i] : Pixel24{0, 0, 0};
}

}  // namespace molvane
