// The arithmetic model: 80-bit extended precision, Round (half to even), Trunc, clamps.
#pragma once

#include <cstdint>

namespace molvane {

static_assert(sizeof(long double) >= 10, "long double must be the 80-bit x87 type");

// Runs the enclosed extended-precision arithmetic with the x87 unit set to a
// 64-bit significand and round-to-nearest, whatever the host left there (many
// hosts run at 53 bits), and gives the host its control word back afterwards.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() {
    __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
    uint16_t extended = uint16_t((saved_ & ~0x0F00u) | 0x0300u);  // PC = 64 bits, RC = nearest
    __asm__ __volatile__("fldcw %0" : : "m"(extended));
  }
  ~ExtendedPrecisionScope() { __asm__ __volatile__("fldcw %0" : : "m"(saved_)); }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  uint16_t saved_;
};

// Round half to even of an extended value. Valid for |v| < 2^63; callers that
// may exceed it compare first (RoundClamp).
inline int64_t RoundHalfEven(long double v) {
  int64_t r;
  __asm__("fistpll %0" : "=m"(r) : "t"(v) : "st");
  return r;
}

// Rounds toward zero. Valid for |v| < 2^63.
inline int64_t Trunc(long double v) { return int64_t(v); }

// Round half to even, then clamp to lo..hi; safe for any value, NaN gives lo.
inline int32_t RoundClamp(long double v, int32_t lo, int32_t hi) {
  if (!(v > (long double)lo)) return lo;  // also NaN
  if (v >= (long double)hi) return hi;
  return int32_t(RoundHalfEven(v));
}

}  // namespace molvane
