// The convolution's division step: the rounding model, the divisor's class, and the divider the vector kernels use.
//
// With D > 0 (the divisor's sign is folded into the weights: (-S) / (-D) is
// the same extended quotient) and |S| <= bound:
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
#pragma once

#include <cstdint>

#include "colour/extended_math.h"

namespace molvane {

// Round(q) + offset clamped to 0..255, for any q but NaN: the arithmetic
// every path shares. From 2^40 on no offset (|offset| <= 2^31) brings the
// value back into range, so comparing first keeps the conversion within its
// domain.
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
DivisorClass ClassifyDivisor(const uint8_t* bytes);

enum class DivideKind { Float, Double };

struct Divider {
  long double divisor;  // > 0: finite, infinite, denormal or pseudo-denormal
  int32_t offset;
  int64_t bound;
  DivideKind kind;
  float floatDivisor;
  int32_t floatOffset;  // the offset within +-2^25: beyond that it saturates alike
  double reciprocal;
  double doubleOffset;
  int64_t threshold[256];  // Double: least S giving at least v; unknown until needed
};

// A double estimate at least this far from its nearest integer lies within
// 2^-15 of a half: the kernels hand its sum to ResolveNearHalf.
constexpr double kNearHalf = 0.5 - 1.0 / 32768.0;

// The caller holds an ExtendedPrecisionScope.
void MakeDivider(Divider& divider, long double divisor, int32_t offset, int64_t bound);

// A sum whose double estimate z lies within 2^-15 of m + 1/2: the exact
// result is m or m + 1 (clamped), and the threshold between them decides.
// The thresholds found are kept in `divider`, which each thread has its own of.
uint8_t ResolveNearHalf(Divider& divider, int32_t sum);

}  // namespace molvane
