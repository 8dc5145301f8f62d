// The gap's SSE2 kernel.
#include "tools/comparison_sse2.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace molvane {

// |a - b| per byte from two saturating subtractions; times |factor| in 16-bit
// lanes, where 255 * 128 still fits; packed back with unsigned saturation,
// which is the clamp at 255.
void GapBlocksSse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t blocks, int32_t factor) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i multiplier = _mm_set1_epi16(int16_t(factor < 0 ? -factor : factor));
  const bool one = factor == 1 || factor == -1;
  for (int64_t n = 0; n < blocks; ++n, a += 16, b += 16, out += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    __m128i d = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
    if (!one) {
      const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), multiplier);
      const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), multiplier);
      d = _mm_packus_epi16(low, high);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), d);
  }
}


}  // namespace molvane

#endif
