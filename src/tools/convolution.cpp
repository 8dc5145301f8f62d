// FltMatrix convolution: the literal extended-precision loop, and the fast path
// (exact integer sums in SSE2 or AVX2, then a division step proved to round as
// the extended quotient does).
#include "tools/convolution.h"

#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "colour/colour.h"
#include "colour/cpu_features.h"
#include "colour/extended_math.h"
#include "platform/row_pool.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

// ---------------------------------------------------------------------------
// The arithmetic model shared by every path.

// Round(q) + offset clamped to 0..255, for any q but NaN. From 2^40 on no
// offset (|offset| <= 2^31) brings the value back into range, so comparing
// first keeps the conversion within its domain.
inline uint8_t QuotientToByte(long double q, int32_t offset) {
  constexpr long double kFar = 1099511627776.0L;  // 2^40
  if (q >= kFar) return 255;
  if (q <= -kFar) return 0;
  const int64_t v = RoundHalfEven(q) + offset;
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

enum class DivisorClass { Zero, Invalid, Usable };

// From the ten bytes, so that no invalid encoding is ever used as an operand
// to decide: zero (either sign); NaN, and the encodings the x87 unit rejects
// as invalid operands (integer bit clear with a non-zero exponent: unnormals,
// pseudo-infinities, pseudo-NaNs); everything else, denormals and
// pseudo-denormals (which the unit accepts) and infinities included.
DivisorClass ClassifyDivisor(const uint8_t* bytes) {
  uint64_t significand;
  uint16_t sign_exponent;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&sign_exponent, bytes + 8, 2);
  const unsigned exponent = sign_exponent & 0x7FFFu;
  if (exponent == 0) return significand == 0 ? DivisorClass::Zero : DivisorClass::Usable;
  if ((significand >> 63) == 0) return DivisorClass::Invalid;
  if (exponent == 0x7FFF && (significand << 1) != 0) return DivisorClass::Invalid;
  return DivisorClass::Usable;
}

// ---------------------------------------------------------------------------
// The fast path's plan: the non-zero weights as byte offsets into the
// interleaved pixel bytes. Byte c of pixel n sits at 3n + c, so neighbour n of
// pixel j is byte i + 3 (n - j) of output byte i = 3j + c, and n < 0 or n > N - 1
// exactly when that byte lies outside 0..3N - 1: the three channels become one
// stream of bytes filtered with the same offsets.

constexpr int kMaxTaps = 49;

enum class SumKind {
  Int16,        // 255 * sum |K| <= 32767: 16-bit lanes
  Int32,        // 255 * sum |K| < 2^31, every |K| <= 32767: pairs of 16-bit products
  Int32Scalar,  // 255 * sum |K| < 2^31, some |K| above 32767
  Int64Scalar,  // anything else: 64-bit sums and the extended division per byte
};

struct Plan {
  int taps = 0;
  int plus_ones = 0, minus_ones = 0;  // the first taps: weights +1, then -1
  ptrdiff_t offset[kMaxTaps];         // in bytes
  int64_t weight[kMaxTaps];           // negated when the divisor is negative
  int64_t bias = 0;                   // 128 * K of the weights that never meet a pixel
  int64_t bound = 0;                  // 255 * sum |K|: no sum exceeds it in magnitude
  ptrdiff_t min_offset = 0, max_offset = 0;
  SumKind kind = SumKind::Int16;
};

// A weight whose neighbour index j + dy * W + dx misses 0..N - 1 for every j
// (|dy * W + dx| >= N) always sees the grey 128: it becomes a constant in
// `bias`, which keeps every remaining offset below the buffer's size.
Plan MakePlan(const TMatrixFilter& filter, int32_t radius, int64_t width, int64_t pixels,
              bool negate) {
  Plan plan;
  int64_t largest = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int64_t k = filter.Coeff[3 + dx][3 + dy];
      if (k == 0) continue;
      const int64_t weight = negate ? -k : k;
      const int64_t shift = dy * width + dx;
      plan.bound += 255 * (k < 0 ? -k : k);
      if (shift <= -pixels || shift >= pixels) {
        plan.bias += 128 * weight;
        continue;
      }
      const ptrdiff_t offset = ptrdiff_t(3 * shift);
      plan.offset[plan.taps] = offset;
      plan.weight[plan.taps] = weight;
      ++plan.taps;
      if (offset < plan.min_offset) plan.min_offset = offset;
      if (offset > plan.max_offset) plan.max_offset = offset;
      if ((k < 0 ? -k : k) > largest) largest = k < 0 ? -k : k;
    }
  }
  // Weights +1 first, then -1: the SSE2 16-bit kernel adds or subtracts those
  // without a multiply. The order of exact integer terms changes nothing.
  int placed = 0;
  for (int64_t unit : {int64_t(1), int64_t(-1)}) {
    for (int t = placed; t < plan.taps; ++t) {
      if (plan.weight[t] != unit) continue;
      std::swap(plan.weight[t], plan.weight[placed]);
      std::swap(plan.offset[t], plan.offset[placed]);
      ++placed;
    }
    (unit == 1 ? plan.plus_ones : plan.minus_ones) = placed - plan.plus_ones;
  }
  if (plan.bound <= 32767)
    plan.kind = SumKind::Int16;
  else if (plan.bound <= INT32_MAX)
    plan.kind = largest <= 32767 ? SumKind::Int32 : SumKind::Int32Scalar;
  else
    plan.kind = SumKind::Int64Scalar;
  return plan;
}

// One sum with the bounds test, for the bytes near both ends of the image.
template <typename Sum>
inline Sum SumAt(const Plan& plan, const uint8_t* src, int64_t bytes, int64_t i) {
  Sum s = Sum(plan.bias);
  for (int t = 0; t < plan.taps; ++t) {
    const int64_t n = i + plan.offset[t];
    const int32_t v = (n < 0 || n >= bytes) ? 128 : src[n];
    s += Sum(plan.weight[t]) * v;
  }
  return s;
}

// ---------------------------------------------------------------------------
// The division step. With D > 0 (the divisor's sign is folded into the
// weights: (-S) / (-D) is the same extended quotient) and |S| <= bound:
//
// Float: D a whole number (or D >= 2^24) and bound < 2^23. Then Round of the
//   extended quotient is the exact rounding of the rational S / D: a quotient
//   that is not a half lies at least 1 / 2D from every half, further than the
//   64-bit rounding error |S / D| 2^-64 (any |S| < 2^63), and a half is
//   exact. The same argument with 24 bits (|S| < 2^23) shows that the
//   correctly rounded single-precision division, rounded half to even by
//   cvtps2dq, gives the same integer. For D >= 2^24 both quotients lie below
//   1/2 in magnitude and round to 0, so D = 2^24 stands in for them.
// Double: any other D. z = S * fl(1/D) + offset in double precision lies
//   within 2^-16.8 of the extended quotient plus the offset wherever the
//   result is not saturated (|x| < 2^34; 1/D capped at 2^40, where every
//   S != 0 saturates both ways). A z within 2^-15 of a half is settled by an
//   exact threshold: the least sum whose extended result reaches the upper
//   byte, found once by bisection (the result is monotonic in S).

enum class DivideKind { Float, Double };

struct Divider {
  long double divisor;  // > 0: finite, infinite, denormal or pseudo-denormal
  int32_t offset;
  int64_t bound;
  DivideKind kind;
  float float_divisor;
  int32_t float_offset;  // the offset within +-2^25: beyond that it saturates alike
  double reciprocal;
  double double_offset;
  int64_t threshold[256];  // Double: least S giving at least v; kUnknown until needed
};

constexpr int64_t kUnknown = INT64_MIN;
constexpr double kNearHalf = 0.5 - 1.0 / 32768.0;

// The caller holds a ExtendedPrecisionScope.
void MakeDivider(Divider& dv, long double divisor, int32_t offset, int64_t bound) {
  constexpr long double k24 = 16777216.0L;
  dv.divisor = divisor;
  dv.offset = offset;
  dv.bound = bound;
  const bool whole = divisor >= 1 && divisor < k24 && divisor == (long double)int32_t(divisor);
  if (bound < (int64_t(1) << 23) && (divisor >= k24 || whole)) {
    dv.kind = DivideKind::Float;
    dv.float_divisor = divisor >= k24 ? 16777216.0f : float(int32_t(divisor));
    dv.float_offset = offset < -(1 << 25) ? -(1 << 25) : offset > (1 << 25) ? (1 << 25) : offset;
  } else {
    dv.kind = DivideKind::Double;
    const long double reciprocal = 1.0L / divisor;
    dv.reciprocal = reciprocal > 1099511627776.0L ? 1099511627776.0 : double(reciprocal);
    dv.double_offset = offset;
    for (int64_t& t : dv.threshold) t = kUnknown;
  }
}

inline uint8_t ExactByte(const Divider& dv, int64_t s) {
  return QuotientToByte((long double)s / dv.divisor, dv.offset);
}

int64_t Threshold(Divider& dv, int v) {
  if (dv.threshold[v] == kUnknown) {
    int64_t lo = -dv.bound, hi = dv.bound + 1;
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (ExactByte(dv, mid) >= v)
        hi = mid;
      else
        lo = mid + 1;
    }
    dv.threshold[v] = lo;
  }
  return dv.threshold[v];
}

// A sum whose double estimate z lies within 2^-15 of m + 1/2: the exact
// result is m or m + 1 (clamped), and the threshold between them decides.
__attribute__((noinline)) uint8_t ResolveNearHalf(Divider& dv, int32_t s) {
  double z = double(s) * dv.reciprocal + dv.double_offset;
  z = z < -1.0 ? -1.0 : z > 256.0 ? 256.0 : z;
  const double m = std::floor(z);
  if (m < 0) return 0;
  if (m >= 255) return 255;
  const int v = int(m) + 1;
  return uint8_t(s >= Threshold(dv, v) ? v : v - 1);
}

// ---------------------------------------------------------------------------
// SSE2: sums of 16 output bytes per step, divisions of 16 sums per step.

using MacFn = void (*)(const Plan&, const uint8_t*, ptrdiff_t, ptrdiff_t, int32_t*);
using DivideFn = void (*)(Divider&, const int32_t*, ptrdiff_t, uint8_t*);

// sums[b] for output bytes start + b, b < count (a multiple of 16), every
// neighbour inside the buffer. 16-bit lanes: products and sums within +-32767.
void MacInt16Sse2(const Plan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                  int32_t* sums) {
  __m128i weight[kMaxTaps];
  for (int t = 0; t < plan.taps; ++t) weight[t] = _mm_set1_epi16(int16_t(plan.weight[t]));
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(int16_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 16) {
    const uint8_t* at = src + start + b;
    __m128i lo = bias, hi = bias;
    int t = 0;
    for (; t < plan.plus_ones; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(x, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(x, zero));
    }
    for (; t < plan.plus_ones + plan.minus_ones; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_sub_epi16(lo, _mm_unpacklo_epi8(x, zero));
      hi = _mm_sub_epi16(hi, _mm_unpackhi_epi8(x, zero));
    }
    for (; t < plan.taps; ++t) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + plan.offset[t]));
      lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), weight[t]));
      hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), weight[t]));
    }
    __m128i* out = reinterpret_cast<__m128i*>(sums + b);
    _mm_storeu_si128(out + 0, _mm_srai_epi32(_mm_unpacklo_epi16(lo, lo), 16));
    _mm_storeu_si128(out + 1, _mm_srai_epi32(_mm_unpackhi_epi16(lo, lo), 16));
    _mm_storeu_si128(out + 2, _mm_srai_epi32(_mm_unpacklo_epi16(hi, hi), 16));
    _mm_storeu_si128(out + 3, _mm_srai_epi32(_mm_unpackhi_epi16(hi, hi), 16));
  }
}

// 32-bit sums; weights taken in pairs (a lone last one with weight 0 beside
// it): the bytes of the two neighbours interleaved, widened, and pmaddwd
// gives a * Ka + b * Kb per lane.
inline int32_t PairWeights(const Plan& plan, int t) {
  const int64_t second = t + 1 < plan.taps ? plan.weight[t + 1] : 0;
  return int32_t((uint32_t(uint16_t(int16_t(second))) << 16) |
                 uint32_t(uint16_t(int16_t(plan.weight[t]))));
}

void MacInt32Sse2(const Plan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                  int32_t* sums) {
  const int pairs = (plan.taps + 1) / 2;
  __m128i weight[(kMaxTaps + 1) / 2];
  ptrdiff_t first[(kMaxTaps + 1) / 2], second[(kMaxTaps + 1) / 2];
  for (int p = 0; p < pairs; ++p) {
    weight[p] = _mm_set1_epi32(PairWeights(plan, 2 * p));
    first[p] = plan.offset[2 * p];
    second[p] = 2 * p + 1 < plan.taps ? plan.offset[2 * p + 1] : plan.offset[2 * p];
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi32(int32_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 16) {
    const uint8_t* at = src + start + b;
    __m128i s0 = bias, s1 = bias, s2 = bias, s3 = bias;
    for (int p = 0; p < pairs; ++p) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + first[p]));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second[p]));
      const __m128i l = _mm_unpacklo_epi8(x, y), h = _mm_unpackhi_epi8(x, y);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(l, zero), weight[p]));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(l, zero), weight[p]));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(h, zero), weight[p]));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(h, zero), weight[p]));
    }
    __m128i* out = reinterpret_cast<__m128i*>(sums + b);
    _mm_storeu_si128(out + 0, s0);
    _mm_storeu_si128(out + 1, s1);
    _mm_storeu_si128(out + 2, s2);
    _mm_storeu_si128(out + 3, s3);
  }
}

inline __m128i PackBytes(__m128i a, __m128i b, __m128i c, __m128i d) {
  // Saturating packs: the clamp to 0..255.
  return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

void DivideFloatSse2(Divider& dv, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  const __m128 d = _mm_set1_ps(dv.float_divisor);
  const __m128i offset = _mm_set1_epi32(dv.float_offset);
  for (ptrdiff_t b = 0; b < count; b += 16) {
    __m128i r[4];
    for (int q = 0; q < 4; ++q) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 4 * q));
      r[q] = _mm_add_epi32(_mm_cvtps_epi32(_mm_div_ps(_mm_cvtepi32_ps(s), d)), offset);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), PackBytes(r[0], r[1], r[2], r[3]));
  }
}

// Two sums in double: the rounded values and a mask of those near a half.
inline __m128i EstimatePairSse2(__m128d s, __m128d reciprocal, __m128d offset, int& near_half) {
  __m128d z = _mm_add_pd(_mm_mul_pd(s, reciprocal), offset);
  z = _mm_min_pd(_mm_max_pd(z, _mm_set1_pd(-1.0)), _mm_set1_pd(256.0));
  const __m128i r = _mm_cvtpd_epi32(z);
  const __m128d t = _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(z, _mm_cvtepi32_pd(r)));
  near_half = _mm_movemask_pd(_mm_cmpge_pd(t, _mm_set1_pd(kNearHalf)));
  return r;
}

void DivideDoubleSse2(Divider& dv, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  const __m128d reciprocal = _mm_set1_pd(dv.reciprocal);
  const __m128d offset = _mm_set1_pd(dv.double_offset);
  for (ptrdiff_t b = 0; b < count; b += 16) {
    __m128i r[4];
    unsigned near_half = 0;
    for (int q = 0; q < 4; ++q) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 4 * q));
      int m0, m1;
      const __m128i r0 = EstimatePairSse2(_mm_cvtepi32_pd(s), reciprocal, offset, m0);
      const __m128i r1 = EstimatePairSse2(
          _mm_cvtepi32_pd(_mm_shuffle_epi32(s, _MM_SHUFFLE(3, 2, 3, 2))), reciprocal, offset, m1);
      r[q] = _mm_unpacklo_epi64(r0, r1);
      near_half |= unsigned(m0 | (m1 << 2)) << (4 * q);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), PackBytes(r[0], r[1], r[2], r[3]));
    for (; near_half != 0; near_half &= near_half - 1) {
      const int k = __builtin_ctz(near_half);
      out[b + k] = ResolveNearHalf(dv, sums[b + k]);
    }
  }
}

// ---------------------------------------------------------------------------
// AVX2, chosen at run time: 32 output bytes per step. The 256-bit unpacks work
// per 128-bit lane, so the sums come out as [0..3 | 16..19], [4..7 | 20..23],
// [8..11 | 24..27], [12..15 | 28..31] and are put back in order when stored.

__attribute__((target("avx2"))) inline void StoreSums32(int32_t* sums, __m256i a, __m256i b,
                                                        __m256i c, __m256i d) {
  __m256i* out = reinterpret_cast<__m256i*>(sums);
  _mm256_storeu_si256(out + 0, _mm256_permute2x128_si256(a, b, 0x20));
  _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(c, d, 0x20));
  _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(a, b, 0x31));
  _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(c, d, 0x31));
}

// 16-bit sums with pmaddubsw: neighbour bytes a, b interleaved against the
// signed weight bytes Ka, Kb; needs -128 <= K <= 127. The pair sums stay
// within the bound, below 32768, so the instruction's saturation never acts.
__attribute__((target("avx2"))) void MacInt16Avx2(const Plan& plan, const uint8_t* src,
                                                  ptrdiff_t start, ptrdiff_t count, int32_t* sums) {
  const int pairs = (plan.taps + 1) / 2;
  __m256i weight[(kMaxTaps + 1) / 2];
  ptrdiff_t first[(kMaxTaps + 1) / 2], second[(kMaxTaps + 1) / 2];
  for (int p = 0; p < pairs; ++p) {
    const int t = 2 * p;
    const int64_t kb = t + 1 < plan.taps ? plan.weight[t + 1] : 0;
    weight[p] = _mm256_set1_epi16(
        int16_t(uint16_t((uint32_t(uint8_t(int8_t(kb))) << 8) | uint8_t(int8_t(plan.weight[t])))));
    first[p] = plan.offset[t];
    second[p] = t + 1 < plan.taps ? plan.offset[t + 1] : plan.offset[t];
  }
  const __m256i bias = _mm256_set1_epi16(int16_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 32) {
    const uint8_t* at = src + start + b;
    __m256i lo = bias, hi = bias;
    for (int p = 0; p < pairs; ++p) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + first[p]));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + second[p]));
      lo = _mm256_add_epi16(lo, _mm256_maddubs_epi16(_mm256_unpacklo_epi8(x, y), weight[p]));
      hi = _mm256_add_epi16(hi, _mm256_maddubs_epi16(_mm256_unpackhi_epi8(x, y), weight[p]));
    }
    StoreSums32(sums + b, _mm256_srai_epi32(_mm256_unpacklo_epi16(lo, lo), 16),
                _mm256_srai_epi32(_mm256_unpackhi_epi16(lo, lo), 16),
                _mm256_srai_epi32(_mm256_unpacklo_epi16(hi, hi), 16),
                _mm256_srai_epi32(_mm256_unpackhi_epi16(hi, hi), 16));
  }
}

__attribute__((target("avx2"))) void MacInt32Avx2(const Plan& plan, const uint8_t* src,
                                                  ptrdiff_t start, ptrdiff_t count, int32_t* sums) {
  const int pairs = (plan.taps + 1) / 2;
  __m256i weight[(kMaxTaps + 1) / 2];
  ptrdiff_t first[(kMaxTaps + 1) / 2], second[(kMaxTaps + 1) / 2];
  for (int p = 0; p < pairs; ++p) {
    weight[p] = _mm256_set1_epi32(PairWeights(plan, 2 * p));
    first[p] = plan.offset[2 * p];
    second[p] = 2 * p + 1 < plan.taps ? plan.offset[2 * p + 1] : plan.offset[2 * p];
  }
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bias = _mm256_set1_epi32(int32_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += 32) {
    const uint8_t* at = src + start + b;
    __m256i s0 = bias, s1 = bias, s2 = bias, s3 = bias;
    for (int p = 0; p < pairs; ++p) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + first[p]));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + second[p]));
      const __m256i l = _mm256_unpacklo_epi8(x, y), h = _mm256_unpackhi_epi8(x, y);
      s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi8(l, zero), weight[p]));
      s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi8(l, zero), weight[p]));
      s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi8(h, zero), weight[p]));
      s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi8(h, zero), weight[p]));
    }
    StoreSums32(sums + b, s0, s1, s2, s3);
  }
}

__attribute__((target("avx2"))) void DivideFloatAvx2(Divider& dv, const int32_t* sums,
                                                     ptrdiff_t count, uint8_t* out) {
  const __m256 d = _mm256_set1_ps(dv.float_divisor);
  const __m256i offset = _mm256_set1_epi32(dv.float_offset);
  // The lane-wise packs leave 4-byte groups in the order 0 2 4 6 | 1 3 5 7.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  for (ptrdiff_t b = 0; b < count; b += 32) {
    __m256i r[4];
    for (int q = 0; q < 4; ++q) {
      const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + b + 8 * q));
      r[q] = _mm256_add_epi32(_mm256_cvtps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(s), d)), offset);
    }
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packs_epi32(r[0], r[1]), _mm256_packs_epi32(r[2], r[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + b),
                        _mm256_permutevar8x32_epi32(bytes, order));
  }
}

__attribute__((target("avx2"))) void DivideDoubleAvx2(Divider& dv, const int32_t* sums,
                                                      ptrdiff_t count, uint8_t* out) {
  const __m256d reciprocal = _mm256_set1_pd(dv.reciprocal);
  const __m256d offset = _mm256_set1_pd(dv.double_offset);
  const __m256d lowest = _mm256_set1_pd(-1.0), highest = _mm256_set1_pd(256.0);
  const __m256d magnitude = _mm256_set1_pd(-0.0), near = _mm256_set1_pd(kNearHalf);
  for (ptrdiff_t b = 0; b < count; b += 32) {
    __m128i r[8];
    uint32_t near_half = 0;
    for (int q = 0; q < 8; ++q) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 4 * q));
      __m256d z = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(s), reciprocal), offset);
      z = _mm256_min_pd(_mm256_max_pd(z, lowest), highest);
      r[q] = _mm256_cvtpd_epi32(z);
      const __m256d t = _mm256_andnot_pd(magnitude, _mm256_sub_pd(z, _mm256_cvtepi32_pd(r[q])));
      near_half |= uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(t, near, _CMP_GE_OQ))) << (4 * q);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), PackBytes(r[0], r[1], r[2], r[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b + 16), PackBytes(r[4], r[5], r[6], r[7]));
    for (; near_half != 0; near_half &= near_half - 1) {
      const int k = __builtin_ctz(near_half);
      out[b + k] = ResolveNearHalf(dv, sums[b + k]);
    }
  }
}

// ---------------------------------------------------------------------------
// Driving the steps.

struct Isa {
  ptrdiff_t width;  // output bytes per vector step
  MacFn mac16, mac16_any_weight, mac32;
  DivideFn divide_float, divide_double;
};

// A 16-bit kernel whose weights are not all signed bytes takes the SSE2 one.
constexpr Isa kSse2 = {16, MacInt16Sse2, MacInt16Sse2, MacInt32Sse2,
                       DivideFloatSse2, DivideDoubleSse2};
constexpr Isa kAvx2 = {32, MacInt16Avx2, MacInt16Sse2, MacInt32Avx2,
                       DivideFloatAvx2, DivideDoubleAvx2};

const Isa& IsaFor(ConvolutionPath path) {
  return path == ConvolutionPath::Fastest && CpuHasAvx2() ? kAvx2 : kSse2;
}

// Output bytes per step: the 32-bit sums of one step stay in the L1 cache.
constexpr ptrdiff_t kChunk = 2048;

// Divides `count` sums; a last partial vector goes through a padded copy.
void DivideChunk(const Isa& isa, Divider& dv, const int32_t* sums, ptrdiff_t count, uint8_t* out) {
  const DivideFn divide = dv.kind == DivideKind::Float ? isa.divide_float : isa.divide_double;
  const ptrdiff_t whole = count - count % isa.width;
  if (whole > 0) divide(dv, sums, whole, out);
  if (whole == count) return;
  int32_t padded[32] = {};
  uint8_t bytes[32];
  std::memcpy(padded, sums + whole, size_t(count - whole) * sizeof(int32_t));
  divide(dv, padded, isa.width, bytes);
  std::memcpy(out + whole, bytes, size_t(count - whole));
}

// The fast convolution: the same status and bytes as ConvolveReference. The
// divisor is classified from its bytes and the errors are found before any
// write (for a zero divisor, by the first pixel's red sum). The output bytes
// are then taken in steps of kChunk: their exact integer sums first, by the
// vector kernel where every neighbour lies inside the buffer and by SumAt,
// with the grey 128 outside, near both ends; then the division step turns
// the step's sums into bytes. Sums that may pass 2^31 skip both and take the
// extended division per byte. State: the plan, the divider and one step of
// sums on the stack (about 12 KB); nothing is allocated.
ConvolutionStatus ConvolveFast(const Isa& isa, const TMatrixFilter& filter, int32_t radius,
                               const Pixel24* copy, Pixel24* image, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || radius < 1 || radius > 3) return ConvolutionStatus::Done;
  const int64_t pixels = int64_t(width) * height;
  if (pixels > int64_t(PTRDIFF_MAX / 3)) return ConvolutionStatus::Done;  // no such buffer
  const ptrdiff_t bytes = ptrdiff_t(3 * pixels);
  const uint8_t* src = reinterpret_cast<const uint8_t*>(copy);
  uint8_t* dst = reinterpret_cast<uint8_t*>(image);

  ExtendedPrecisionScope environment;
  const DivisorClass divisor_class = ClassifyDivisor(filter.DivisorBytes);
  if (divisor_class == DivisorClass::Invalid) return ConvolutionStatus::InvalidOperation;
  const long double divisor = filter.Divisor();
  const bool negative = divisor_class == DivisorClass::Usable && divisor < 0;
  const Plan plan = MakePlan(filter, radius, width, pixels, negative);
  if (divisor_class == DivisorClass::Zero) {
    // The first division is the first pixel's red channel, byte 2.
    return SumAt<int64_t>(plan, src, bytes, 2) == 0 ? ConvolutionStatus::InvalidOperation
                                                    : ConvolutionStatus::DivisionByZero;
  }
  const long double positive = negative ? -divisor : divisor;

  // Every output byte depends on the copy alone: the threads take pieces of
  // whole chunks, so each chunk is cut exactly as on one thread.
  if (plan.kind == SumKind::Int64Scalar) {
    SplitOverThreads(bytes, kChunk, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
      for (ptrdiff_t i = ptrdiff_t(b0); i < b1; ++i)
        dst[i] = QuotientToByte((long double)SumAt<int64_t>(plan, src, bytes, i) / positive,
                                filter.Offset);
    });
    return ConvolutionStatus::Done;
  }

  Divider dv;
  MakeDivider(dv, positive, filter.Offset, plan.bound);

  // One weight, on the byte itself (the user's grid as it opens, a plain
  // scaling): each output byte depends on its input byte alone, so the 256
  // answers go through the division step once and the image is mapped
  // through them; an identity is a copy.
  if (plan.taps == 1 && plan.offset[0] == 0) {
    int32_t sums[256];
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) sums[v] = int32_t(plan.bias + plan.weight[0] * v);
    Divider divider = dv;
    DivideChunk(isa, divider, sums, 256, table);
    bool identity = src != dst;
    for (int v = 0; v < 256 && identity; ++v) identity = table[v] == v;
    SplitOverThreads(bytes, 64, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
      if (identity) std::memcpy(dst + b0, src + b0, size_t(b1 - b0));
      else for (int64_t i = b0; i < b1; ++i) dst[i] = table[src[i]];
    });
    return ConvolutionStatus::Done;
  }
  MacFn mac = nullptr;
  if (plan.kind == SumKind::Int16) {
    bool bytes_fit = true;
    for (int t = 0; t < plan.taps; ++t)
      bytes_fit = bytes_fit && plan.weight[t] >= -128 && plan.weight[t] <= 127;
    mac = bytes_fit ? isa.mac16 : isa.mac16_any_weight;
  } else if (plan.kind == SumKind::Int32) {
    mac = isa.mac32;
  }
  // Output bytes whose every neighbour lies inside the buffer.
  const ptrdiff_t inner_begin = -plan.min_offset;
  const ptrdiff_t inner_end = bytes - plan.max_offset;

  SplitOverThreads(bytes, kChunk, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
    Divider divider = dv;  // its table of thresholds fills as it goes: one per thread
    int32_t sums[kChunk];
    for (ptrdiff_t c0 = ptrdiff_t(b0); c0 < b1; c0 += kChunk) {
      const ptrdiff_t c1 = b1 - c0 < kChunk ? ptrdiff_t(b1) : c0 + kChunk;
      ptrdiff_t i = c0;
      if (mac != nullptr) {
        for (; i < c1 && i < inner_begin; ++i) sums[i - c0] = SumAt<int32_t>(plan, src, bytes, i);
        const ptrdiff_t vector_end = c1 < inner_end ? c1 : inner_end;
        if (vector_end - i >= isa.width) {
          const ptrdiff_t count = (vector_end - i) - (vector_end - i) % isa.width;
          mac(plan, src, i, count, sums + (i - c0));
          i += count;
        }
      }
      for (; i < c1; ++i) sums[i - c0] = SumAt<int32_t>(plan, src, bytes, i);
      DivideChunk(isa, divider, sums, c1 - c0, dst + c0);
    }
  });
  return ConvolutionStatus::Done;
}

}  // namespace

ConvolutionStatus ConvolveReference(const TMatrixFilter& filter, int32_t radius,
                                    const Pixel24* copy, Pixel24* image, int32_t width,
                                    int32_t height) {
  if (width <= 0 || height <= 0) return ConvolutionStatus::Done;
  if (radius < 1 || radius > 3) return ConvolutionStatus::Done;
  const int64_t w = width;
  const int64_t n_pixels = w * height;
  ExtendedPrecisionScope environment;
  long double weight[7][7];  // [dy + 3][dx + 3]
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      weight[dy + 3][dx + 3] = (long double)filter.Coeff[3 + dx][3 + dy];
  const long double divisor = filter.Divisor();
  const int32_t offset = filter.Offset;
  for (int64_t j = 0; j < n_pixels; ++j) {
    long double sum[3] = {0, 0, 0};  // red, green, blue
    for (int dy = -radius; dy <= radius; ++dy) {
      for (int dx = -radius; dx <= radius; ++dx) {
        const long double k = weight[dy + 3][dx + 3];
        if (k == 0) continue;
        const int64_t n = j + dy * w + dx;
        const TRgbInts c = (n < 0 || n > n_pixels - 1) ? TRgbInts{128, 128, 128}
                                                       : UnpackPixelColor(PixelToColor(copy[n]));
        sum[0] += c.r * k;
        sum[1] += c.g * k;
        sum[2] += c.b * k;
      }
    }
    uint8_t v[3];
    for (int ch = 0; ch < 3; ++ch) {
      if (divisor == 0)
        return sum[ch] == 0 ? ConvolutionStatus::InvalidOperation
                            : ConvolutionStatus::DivisionByZero;
      const long double q = sum[ch] / divisor;
      if (std::isnan(q)) return ConvolutionStatus::InvalidOperation;
      v[ch] = QuotientToByte(q, offset);
    }
    image[j].r = v[0];
    image[j].g = v[1];
    image[j].b = v[2];
  }
  return ConvolutionStatus::Done;
}

ConvolutionStatus ConvolveUsing(ConvolutionPath path, const TMatrixFilter& filter, int32_t radius,
                                const Pixel24* copy, Pixel24* image, int32_t width,
                                int32_t height) {
  if (path == ConvolutionPath::Reference)
    return ConvolveReference(filter, radius, copy, image, width, height);
  return ConvolveFast(IsaFor(path), filter, radius, copy, image, width, height);
}

ConvolutionStatus Convolve(const TMatrixFilter& filter, int32_t radius, const Pixel24* copy,
                           Pixel24* image, int32_t width, int32_t height) {
  if (kReferencePathsOnly) return ConvolveReference(filter, radius, copy, image, width, height);
  return ConvolveUsing(ConvolutionPath::Fastest, filter, radius, copy, image, width, height);
}

namespace convolution_detail {

void DivideSums(ConvolutionPath path, long double divisor, int32_t offset, int64_t bound,
                const int32_t* sums, int64_t count, uint8_t* out) {
  ExtendedPrecisionScope environment;
  if (path == ConvolutionPath::Reference) {
    for (int64_t k = 0; k < count; ++k)
      out[k] = QuotientToByte((long double)sums[k] / divisor, offset);
    return;
  }
  const bool negative = divisor < 0;
  Divider dv;
  MakeDivider(dv, negative ? -divisor : divisor, offset, bound);
  const Isa& isa = IsaFor(path);
  int32_t chunk[kChunk];
  for (int64_t c0 = 0; c0 < count; c0 += kChunk) {
    const ptrdiff_t n = ptrdiff_t(count - c0 < kChunk ? count - c0 : kChunk);
    for (ptrdiff_t k = 0; k < n; ++k) chunk[k] = negative ? -sums[c0 + k] : sums[c0 + k];
    DivideChunk(isa, dv, chunk, n, out + c0);
  }
}

}  // namespace convolution_detail
}  // namespace molvane
