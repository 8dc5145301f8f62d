// Sixteen 3-byte pixels as three SSE2 vectors: each pixel's lightness, and per-pixel masks over its bytes.
//
// A block is 48 bytes, 16 pixels, loaded as three vectors; pixel n starts at
// byte 3n, so in vector k the pixel starts are the bytes j with
// (16 k + j) mod 3 = 0. Work that depends on a whole pixel is done at its
// start byte, borrowing the two following bytes from the next vector where a
// pixel straddles two, then spread back over the pixel's three bytes.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

namespace molvane::sse2 {

// Byte j of the result is byte j + n (n = 1 or 2) of the 32 bytes x, following.
inline __m128i NextBytes1(__m128i x, __m128i following) {
  return _mm_or_si128(_mm_srli_si128(x, 1), _mm_slli_si128(following, 15));
}
inline __m128i NextBytes2(__m128i x, __m128i following) {
  return _mm_or_si128(_mm_srli_si128(x, 2), _mm_slli_si128(following, 14));
}

// floor((a + b) / 2) per byte: the rounding-up average minus the lost half.
inline __m128i HalfSum(__m128i a, __m128i b) {
  return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

// 0xFF at the pixel starts of each vector of a block, 0 elsewhere.
class PixelStarts {
 public:
  PixelStarts() {
    for (int k = 0; k < 3; ++k) {
      alignas(16) uint8_t starts[16];
      for (int j = 0; j < 16; ++j) starts[j] = (16 * k + j) % 3 == 0 ? 0xFF : 0x00;
      mask[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(starts));
    }
  }
  __m128i mask[3];
};

// At each pixel start of the block, (max + min) div 2 of the pixel's three
// bytes: TripletLightness. Other bytes of `lightness` are meaningless.
inline void LightnessAtStarts(const __m128i bytes[3], __m128i lightness[3]) {
  const __m128i following[3] = {bytes[1], bytes[2], _mm_setzero_si128()};
  for (int k = 0; k < 3; ++k) {
    const __m128i x = bytes[k];
    const __m128i x1 = NextBytes1(x, following[k]), x2 = NextBytes2(x, following[k]);
    const __m128i hi = _mm_max_epu8(x, _mm_max_epu8(x1, x2));
    const __m128i lo = _mm_min_epu8(x, _mm_min_epu8(x1, x2));
    lightness[k] = HalfSum(hi, lo);
  }
}

// A mask that is set only at pixel starts, copied onto each pixel's other two
// bytes (which may lie in the next vector).
inline void SpreadFromStarts(const __m128i atStarts[3], __m128i spread[3]) {
  __m128i previous = _mm_setzero_si128();
  for (int k = 0; k < 3; ++k) {
    const __m128i m = atStarts[k];
    spread[k] = _mm_or_si128(
        _mm_or_si128(m, _mm_or_si128(_mm_slli_si128(m, 1), _mm_slli_si128(m, 2))),
        _mm_or_si128(_mm_srli_si128(previous, 15), _mm_srli_si128(previous, 14)));
    previous = m;
  }
}

}  // namespace molvane::sse2

#endif
