// The convolution's AVX2 kernels: 32 output bytes per step.
#include "tools/convolution_avx2.h"

#include <immintrin.h>

#include "tools/convolution_sse2.h"

// From here on every function is compiled for AVX2; the headers above stay
// on the baseline. The kernels have internal linkage: the table is all this
// object defines for others.
#pragma GCC push_options
#pragma GCC target("avx2")
#include "tools/convolution_lanes.h"
#include "tools/pixel_lanes_avx2.h"

namespace molvane {
namespace {

// 16-bit sums with pmaddubsw: neighbour bytes a, b interleaved against the
// signed weight bytes Ka, Kb; needs -128 <= K <= 127. The pair sums stay
// within the bound, below 32768, so the instruction's saturation never acts.
void SumsInt16Avx2(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                   int32_t* sums) {
  __m256i weight[kMaxTapPairs];
  for (int p = 0; p < plan.pairs; ++p) weight[p] = _mm256_set1_epi16(plan.pairBytes[p]);
  const __m256i bias = _mm256_set1_epi16(int16_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 32) {
    const uint8_t* at = src + start + b;
    __m256i lo = bias, hi = bias;
    for (int p = 0; p < plan.pairs; ++p) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + plan.pairFirst[p]));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + plan.pairSecond[p]));
      lo = _mm256_add_epi16(lo, _mm256_maddubs_epi16(_mm256_unpacklo_epi8(x, y), weight[p]));
      hi = _mm256_add_epi16(hi, _mm256_maddubs_epi16(_mm256_unpackhi_epi8(x, y), weight[p]));
    }
    lanes::StoreSums16<Avx2Lanes>(sums + b, lo, hi);
  }
}

void SumsInt32Avx2(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                   int32_t* sums) {
  lanes::SumsInt32<Avx2Lanes>(plan, src, start, count, sums);
}

// The saturating packs of four vectors of four 32-bit values: the clamp to 0..255.
inline __m128i PackBytes(__m128i a, __m128i b, __m128i c, __m128i d) {
  return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

void DivideFloatAvx2(Divider& divider, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  lanes::DivideFloat<Avx2Lanes>(divider, sums, count, out);
}

void DivideDoubleAvx2(Divider& divider, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  const __m256d reciprocal = _mm256_set1_pd(divider.reciprocal);
  const __m256d offset = _mm256_set1_pd(divider.doubleOffset);
  const __m256d lowest = _mm256_set1_pd(-1.0), highest = _mm256_set1_pd(256.0);
  const __m256d magnitude = _mm256_set1_pd(-0.0), near = _mm256_set1_pd(kNearHalf);
  for (ptrdiff_t b = 0; b < count; b += 32) {
    __m128i r[8];
    uint32_t nearHalf = 0;
    for (int q = 0; q < 8; ++q) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 4 * q));
      __m256d z = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(s), reciprocal), offset);
      z = _mm256_min_pd(_mm256_max_pd(z, lowest), highest);
      r[q] = _mm256_cvtpd_epi32(z);
      const __m256d t = _mm256_andnot_pd(magnitude, _mm256_sub_pd(z, _mm256_cvtepi32_pd(r[q])));
      nearHalf |= uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(t, near, _CMP_GE_OQ))) << (4 * q);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), PackBytes(r[0], r[1], r[2], r[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b + 16), PackBytes(r[4], r[5], r[6], r[7]));
    for (; nearHalf != 0; nearHalf &= nearHalf - 1) {
      const int k = __builtin_ctz(nearHalf);
      out[b + k] = ResolveNearHalf(divider, sums[b + k]);
    }
  }
}

}  // namespace

const ConvolutionKernels kConvolutionAvx2 = {32, SumsInt16Avx2, SumsInt16Sse2, SumsInt32Avx2,
                                             DivideFloatAvx2, DivideDoubleAvx2};

}  // namespace molvane

#pragma GCC pop_options
