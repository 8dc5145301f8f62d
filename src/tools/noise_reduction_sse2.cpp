// The noise reduction's SSE2 kernels: the lightness band, the 3 x 3 medians
// and the scaling, 16 pixels at a time.
#include "tools/noise_reduction_sse2.h"

#include <emmintrin.h>

#include <cstring>

#include "colour/colour.h"
#include "tools/noise_reduction.h"

namespace molvane::noise_reduction_detail {
namespace {

// Splits 16 packed pixels (48 bytes in p0, p1, p2) into planes of byte 0, 1 and 2.
// Interleaving the low halves of register pairs (h0,h3), (h1,h4), (h2,h5) sends
// byte k of the 48 to position 2k mod 47; four rounds send it to 16k mod 47,
// which takes 3p + channel to 16 * channel + p.
inline void Deinterleave48(__m128i& p0, __m128i& p1, __m128i& p2) {
  for (int round = 0; round < 4; ++round) {
    const __m128i a = _mm_unpacklo_epi8(p0, _mm_srli_si128(p1, 8));
    const __m128i b = _mm_unpacklo_epi8(_mm_srli_si128(p0, 8), p2);
    const __m128i c = _mm_unpacklo_epi8(p1, _mm_srli_si128(p2, 8));
    p0 = a;
    p1 = b;
    p2 = c;
  }
}


inline void Sort2(__m128i& a, __m128i& b) {
  const __m128i t = _mm_min_epu8(a, b);
  b = _mm_max_epu8(a, b);
  a = t;
}

inline __m128i Median3(__m128i a, __m128i b, __m128i c) {
  return _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(_mm_max_epu8(a, b), c));
}

// The 3 x 3 medians of 16 consecutive pixels whose lightness starts at l, with
// rows `width` bytes apart: sort each vertical triple, then the median is the
// median of (largest low, median middle, smallest high).
inline __m128i Median9x16(const uint8_t* l, ptrdiff_t width) {
  __m128i lo[3], mid[3], hi[3];
  for (int d = 0; d < 3; ++d) {
    const uint8_t* column = l + d - 1;
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column - width));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column));
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + width));
    Sort2(a, b);
    Sort2(b, c);
    Sort2(a, b);
    lo[d] = a;
    mid[d] = b;
    hi[d] = c;
  }
  const __m128i max_lo = _mm_max_epu8(_mm_max_epu8(lo[0], lo[1]), lo[2]);
  const __m128i min_hi = _mm_min_epu8(_mm_min_epu8(hi[0], hi[1]), hi[2]);
  return Median3(max_lo, Median3(mid[0], mid[1], mid[2]), min_hi);
}

}  // namespace

// Lightness of `count` pixels from `pixels` into `out`.
void ComputeLightness(const Pixel24* pixels, uint8_t* out, ptrdiff_t count) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pixels);
  const __m128i one = _mm_set1_epi8(1);
  ptrdiff_t i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * i));
    __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * i + 16));
    __m128i c2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * i + 32));
    Deinterleave48(c0, c1, c2);
    const __m128i hi = _mm_max_epu8(_mm_max_epu8(c0, c1), c2);
    const __m128i lo = _mm_min_epu8(_mm_min_epu8(c0, c1), c2);
    // (hi + lo) div 2: the average rounds up, so take back the odd bit.
    const __m128i sum_half =
        _mm_sub_epi8(_mm_avg_epu8(hi, lo), _mm_and_si128(_mm_xor_si128(hi, lo), one));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), sum_half);
  }
  for (; i < count; ++i) out[i] = uint8_t(TripletLightness(pixels[i].r, pixels[i].g, pixels[i].b));
}

namespace {

template <int kOrder>
inline __m128 Spread(__m128 f) {
  return _mm_shuffle_ps(f, f, kOrder);
}

// Scales 16 channel bytes by the factors of their four 4-byte groups; returns the
// bytes and sets `suspects` to the mask of the bytes that may be exact halves.
// For an exact half q + 1/2 is an integer; otherwise c * M / L + 1/2 lies at
// least 1/510 from one, and q is within 2^-13 of c * M / L, so trunc(q + 1/2 +
// 2^-10) is the rounded value and trunc(q + 1/2 - 2^-10) agrees with it except
// at exact halves. Above 255 both saturate alike in the packs.
__attribute__((always_inline)) inline __m128i Scale16(__m128i bytes, __m128 f0, __m128 f1,
                                                      __m128 f2, __m128 f3,
                                                      uint32_t& suspects) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 above = _mm_set1_ps(0.5f + 1.0f / 1024.0f);
  const __m128 below = _mm_set1_ps(0.5f - 1.0f / 1024.0f);
  const __m128i lo16 = _mm_unpacklo_epi8(bytes, zero);
  const __m128i hi16 = _mm_unpackhi_epi8(bytes, zero);
  __m128i low0, low1, low2, low3;
  auto scale4 = [&](__m128i c32, __m128 factor, __m128i& low) {
    const __m128 q = _mm_mul_ps(_mm_cvtepi32_ps(c32), factor);
    low = _mm_cvttps_epi32(_mm_add_ps(q, below));
    return _mm_cvttps_epi32(_mm_add_ps(q, above));
  };
  const __m128i r0 = scale4(_mm_unpacklo_epi16(lo16, zero), f0, low0);
  const __m128i r1 = scale4(_mm_unpackhi_epi16(lo16, zero), f1, low1);
  const __m128i r2 = scale4(_mm_unpacklo_epi16(hi16, zero), f2, low2);
  const __m128i r3 = scale4(_mm_unpackhi_epi16(hi16, zero), f3, low3);
  const __m128i result =
      _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
  const __m128i result_low =
      _mm_packus_epi16(_mm_packs_epi32(low0, low1), _mm_packs_epi32(low2, low3));
  suspects = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(result, result_low))) ^ 0xFFFFu;
  return result;
}

// Each channel is scaled in single precision: F = fl(M / L), q = fl(c * F), at
// most 2^-13 from c * M / L below 512 in any rounding mode, close enough to round
// every value that is not an exact half; those few bytes are recomputed in
// extended precision.
__attribute__((always_inline)) inline void ScaleBlock(const Pixel24* in, const uint8_t* median,
                                                     const uint8_t* lightness, Pixel24* out) {
  const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
  uint8_t* dst = reinterpret_cast<uint8_t*>(out);
  const __m128i zero = _mm_setzero_si128();

  // L = 0 keeps the pixel: use M = L = 1 there, F = 1.
  const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(median));
  const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lightness));
  const __m128i is_dark = _mm_cmpeq_epi8(l, zero);
  const __m128i dark = _mm_and_si128(is_dark, _mm_set1_epi8(1));
  const __m128i mf = _mm_or_si128(_mm_andnot_si128(is_dark, m), dark);
  const __m128i lf = _mm_or_si128(l, dark);

  // F of pixels 4k .. 4k + 3.
  const __m128i m_lo = _mm_unpacklo_epi8(mf, zero), m_hi = _mm_unpackhi_epi8(mf, zero);
  const __m128i l_lo = _mm_unpacklo_epi8(lf, zero), l_hi = _mm_unpackhi_epi8(lf, zero);
  auto ratio = [&](__m128i m32, __m128i l32) {
    return _mm_div_ps(_mm_cvtepi32_ps(m32), _mm_cvtepi32_ps(l32));
  };
  const __m128 f0 = ratio(_mm_unpacklo_epi16(m_lo, zero), _mm_unpacklo_epi16(l_lo, zero));
  const __m128 f1 = ratio(_mm_unpackhi_epi16(m_lo, zero), _mm_unpackhi_epi16(l_lo, zero));
  const __m128 f2 = ratio(_mm_unpacklo_epi16(m_hi, zero), _mm_unpacklo_epi16(l_hi, zero));
  const __m128 f3 = ratio(_mm_unpackhi_epi16(m_hi, zero), _mm_unpackhi_epi16(l_hi, zero));

  // Bytes 12k .. 12k + 11 are the channels of pixels 4k .. 4k + 3: the factors
  // of 4k .. 4k + 3 spread as (0 0 0 1) (1 1 2 2) (2 3 3 3).
  const __m128 e0 = Spread<_MM_SHUFFLE(1, 0, 0, 0)>(f0), e1 = Spread<_MM_SHUFFLE(2, 2, 1, 1)>(f0),
               e2 = Spread<_MM_SHUFFLE(3, 3, 3, 2)>(f0), e3 = Spread<_MM_SHUFFLE(1, 0, 0, 0)>(f1),
               e4 = Spread<_MM_SHUFFLE(2, 2, 1, 1)>(f1), e5 = Spread<_MM_SHUFFLE(3, 3, 3, 2)>(f1),
               e6 = Spread<_MM_SHUFFLE(1, 0, 0, 0)>(f2), e7 = Spread<_MM_SHUFFLE(2, 2, 1, 1)>(f2),
               e8 = Spread<_MM_SHUFFLE(3, 3, 3, 2)>(f2), e9 = Spread<_MM_SHUFFLE(1, 0, 0, 0)>(f3),
               e10 = Spread<_MM_SHUFFLE(2, 2, 1, 1)>(f3), e11 = Spread<_MM_SHUFFLE(3, 3, 3, 2)>(f3);
  uint32_t suspects[3];
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
  const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                   Scale16(b0, e0, e1, e2, e3, suspects[0]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16),
                   Scale16(b1, e4, e5, e6, e7, suspects[1]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32),
                   Scale16(b2, e8, e9, e10, e11, suspects[2]));

  if ((suspects[0] | suspects[1] | suspects[2]) == 0) return;
  for (int r = 0; r < 3; ++r) {
    for (uint32_t bits = suspects[r]; bits != 0; bits &= bits - 1) {
      const int byte = 16 * r + __builtin_ctz(bits);
      const int pixel = byte / 3;
      dst[byte] = ScaleChannelExtended(src[byte], median[pixel], lightness[pixel]);
    }
  }
}

}  // namespace

void ScaleBlock16(const Pixel24* in, const uint8_t* median, const uint8_t* lightness,
                  Pixel24* out) {
  ScaleBlock(in, median, lightness, out);
}



ptrdiff_t ReduceBlocks(const Pixel24* copy, const uint8_t* l, ptrdiff_t width, ptrdiff_t count,
                       Pixel24* image) {
  ptrdiff_t i = 0;
  for (; i + 16 <= count; i += 16, l += 16) {
    const __m128i median = Median9x16(l, width);
    const __m128i lightness = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l));
    // Flat areas: where M = L or L = 0 every pixel keeps its value.
    const __m128i kept = _mm_or_si128(_mm_cmpeq_epi8(median, lightness),
                                      _mm_cmpeq_epi8(lightness, _mm_setzero_si128()));
    if (_mm_movemask_epi8(kept) == 0xFFFF) {
      std::memcpy(image + i, copy + i, 16 * sizeof(Pixel24));
      continue;
    }
    uint8_t median_bytes[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(median_bytes), median);
    ScaleBlock(copy + i, median_bytes, l, image + i);
  }
  return i;
}

}  // namespace molvane::noise_reduction_detail
