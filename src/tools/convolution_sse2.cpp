// The convolution's SSE2 kernels: sums of 16 output bytes per step, divisions of 16 sums per step.
#include "tools/convolution_sse2.h"

#include <emmintrin.h>

#include "tools/convolution_lanes.h"
#include "tools/pixel_lanes_sse2.h"

namespace molvane {
namespace {

void SumsInt32Sse2(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                   int32_t* sums) {
  lanes::SumsInt32<Sse2Lanes>(plan, src, start, count, sums);
}

void DivideFloatSse2(Divider& divider, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  lanes::DivideFloat<Sse2Lanes>(divider, sums, count, out);
}

// Two sums in double: the rounded values and a mask of those near a half.
inline __m128i EstimatePair(__m128d s, __m128d reciprocal, __m128d offset, int& nearHalf) {
  __m128d z = _mm_add_pd(_mm_mul_pd(s, reciprocal), offset);
  z = _mm_min_pd(_mm_max_pd(z, _mm_set1_pd(-1.0)), _mm_set1_pd(256.0));
  const __m128i r = _mm_cvtpd_epi32(z);
  const __m128d t = _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(z, _mm_cvtepi32_pd(r)));
  nearHalf = _mm_movemask_pd(_mm_cmpge_pd(t, _mm_set1_pd(kNearHalf)));
  return r;
}

void DivideDoubleSse2(Divider& divider, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  const __m128d reciprocal = _mm_set1_pd(divider.reciprocal);
  const __m128d offset = _mm_set1_pd(divider.doubleOffset);
  for (ptrdiff_t b = 0; b < count; b += 16) {
    __m128i r[4];
    unsigned nearHalf = 0;
    for (int q = 0; q < 4; ++q) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 4 * q));
      int m0, m1;
      const __m128i r0 = EstimatePair(_mm_cvtepi32_pd(s), reciprocal, offset, m0);
      const __m128i r1 = EstimatePair(_mm_cvtepi32_pd(_mm_shuffle_epi32(s, _MM_SHUFFLE(3, 2, 3, 2))),
                                      reciprocal, offset, m1);
      r[q] = _mm_unpacklo_epi64(r0, r1);
      nearHalf |= unsigned(m0 | (m1 << 2)) << (4 * q);
    }
    Sse2Lanes::StoreSaturated8(out + b, r[0], r[1], r[2], r[3]);
    for (; nearHalf != 0; nearHalf &= nearHalf - 1) {
      const int k = __builtin_ctz(nearHalf);
      out[b + k] = ResolveNearHalf(divider, sums[b + k]);
    }
  }
}

}  // namespace

// 16-bit lanes: products and sums within +-32767. Weights +1 and -1 (the
// plan's first taps) are added or subtracted without a multiply.
void SumsInt16Sse2(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                   int32_t* sums) {
  __m128i weight[kMaxTaps];
  for (int t = 0; t < plan.taps; ++t) weight[t] = _mm_set1_epi16(int16_t(plan.weight[t]));
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(int16_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 16) {
    const uint8_t* at = src + start + b;
    __m128i lo = bias, hi = bias;
    int t = 0;
    for (; t < plan.plusOnes; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(x, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(x, zero));
    }
    for (; t < plan.plusOnes + plan.minusOnes; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_sub_epi16(lo, _mm_unpacklo_epi8(x, zero));
      hi = _mm_sub_epi16(hi, _mm_unpackhi_epi8(x, zero));
    }
    for (; t < plan.taps; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), weight[t]));
      hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), weight[t]));
    }
    lanes::StoreSums16<Sse2Lanes>(sums + b, lo, hi);
  }
}

const ConvolutionKernels kConvolutionSse2 = {16, SumsInt16Sse2, SumsInt16Sse2, SumsInt32Sse2,
                                             DivideFloatSse2, DivideDoubleSse2};

}  // namespace molvane
