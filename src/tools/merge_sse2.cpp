// The merge's SSE2 kernel.
#include "tools/merge_sse2.h"

#if defined(__SSE2__)
#include <algorithm>

#include "tools/pixel_lanes_sse2.h"

namespace molvane {
namespace {

// floor(n / 100) = (n * 20972) >> 21 for 0 <= n <= 25500: 20972 exceeds
// 2^21 / 100 by 0.48, which adds less than 0.006 to n / 100, while the
// fraction of n / 100 is at most 0.99. The merge tests check every (a, b, p).
constexpr int kDivideBy100Multiplier = 20972;
constexpr int kDivideBy100Shift = 21 - 16;

class MergeSse2 {
 public:
  MergeSse2(const MergeParams& params, int32_t rate)
      : mode_(params.mode),
        prevalent_(params.prevalent),
        firstWeight_(_mm_set1_epi16(short(100 - rate))),
        secondWeight_(_mm_set1_epi16(short(rate))),
        multiplier_(_mm_set1_epi16(short(kDivideBy100Multiplier))) {
    // Lightness is 0..255: a band reaching past either end is cut there, and
    // one that holds no lightness at all is lo 255, hi 0.
    const int32_t low = std::max(params.low, 0), high = std::min(params.high, 255);
    const bool empty = low > 255 || high < 0 || low > high;
    low_ = _mm_set1_epi8(char(uint8_t(empty ? 255 : low)));
    high_ = _mm_set1_epi8(char(uint8_t(empty ? 0 : high)));
  }

  void Run(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t blocks) const {
    const auto* a = reinterpret_cast<const __m128i*>(first);
    const auto* b = reinterpret_cast<const __m128i*>(second);
    auto* dst = reinterpret_cast<__m128i*>(out);
    for (int64_t n = 0; n < blocks; ++n, a += 3, b += 3, dst += 3) {
      const __m128i x[3] = {_mm_loadu_si128(a), _mm_loadu_si128(a + 1), _mm_loadu_si128(a + 2)};
      const __m128i y[3] = {_mm_loadu_si128(b), _mm_loadu_si128(b + 1), _mm_loadu_si128(b + 2)};
      __m128i result[3];
      if (mode_ == MergeMode::Maximum) {
        for (int k = 0; k < 3; ++k) result[k] = _mm_max_epu8(x[k], y[k]);
      } else {
        for (int k = 0; k < 3; ++k) result[k] = Mix(x[k], y[k]);
        if (prevalent_ != Prevalent::None)
          KeepOutsideBand(prevalent_ == Prevalent::First ? x : y, result);
      }
      for (int k = 0; k < 3; ++k) _mm_storeu_si128(dst + k, result[k]);
    }
  }

 private:
  // Sixteen bytes in two halves of 16-bit lanes; the numerator is at most
  // 25500, so the products and their sum stay below 2^16.
  __m128i Mix(__m128i x, __m128i y) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = MixHalf(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero));
    const __m128i high = MixHalf(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero));
    return _mm_packus_epi16(low, high);
  }
  __m128i MixHalf(__m128i x, __m128i y) const {
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(x, firstWeight_), _mm_mullo_epi16(y, secondWeight_));
    return _mm_srli_epi16(_mm_mulhi_epu16(sum, multiplier_), kDivideBy100Shift);
  }

  // Where the prevalent image's pixel lies outside the band, its bytes
  // replace the mix.
  void KeepOutsideBand(const __m128i prevalent[3], __m128i result[3]) const {
    const __m128i zero = _mm_setzero_si128();
    __m128i lightness[3], inside[3], spread[3];
    sse2::LightnessAtStarts(prevalent, lightness);
    for (int k = 0; k < 3; ++k) {
      const __m128i belowLow = _mm_subs_epu8(low_, lightness[k]);    // 0 when L >= lo
      const __m128i aboveHigh = _mm_subs_epu8(lightness[k], high_);  // 0 when L <= hi
      inside[k] = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(belowLow, aboveHigh), zero),
                                starts_.mask[k]);
    }
    sse2::SpreadFromStarts(inside, spread);
    for (int k = 0; k < 3; ++k)
      result[k] = _mm_or_si128(_mm_and_si128(spread[k], result[k]),
                               _mm_andnot_si128(spread[k], prevalent[k]));
  }

  MergeMode mode_;
  Prevalent prevalent_;
  __m128i firstWeight_;
  __m128i secondWeight_;
  __m128i multiplier_;
  __m128i low_;
  __m128i high_;
  sse2::PixelStarts starts_;
};


}  // namespace

void MergeBlocksSse2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t blocks,
                     const MergeParams& params, int32_t rate) {
  MergeSse2(params, rate).Run(first, second, out, blocks);
}

}  // namespace molvane

#endif
