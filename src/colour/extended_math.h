// The arithmetic model: 80-bit extended precision, Round (half to even), Trunc, clamps.
#pragma once

#include <cstdint>

namespace molvane {

static_assert(sizeof(long double) >= 10, "long double must be the 80-bit x87 type");

inline uint16_t X87ControlWord() {
  uint16_t word;
  __asm__ __volatile__("fnstcw %0" : "=m"(word) : : "memory");
  return word;
}

inline void SetX87ControlWord(uint16_t word) {
  __asm__ __volatile__("fldcw %0" : : "m"(word) : "memory");
}

// Sets the x87 control word for the lifetime of the scope and restores the
// previous one afterwards.
class X87ControlWordScope {
 public:
  explicit X87ControlWordScope(uint16_t word) : saved_(X87ControlWord()) { SetX87ControlWord(word); }
  ~X87ControlWordScope() { SetX87ControlWord(saved_); }
  X87ControlWordScope(const X87ControlWordScope&) = delete;
  X87ControlWordScope& operator=(const X87ControlWordScope&) = delete;

 private:
  uint16_t saved_;
};

// Runs the enclosed extended-precision arithmetic with the x87 unit set to a
// 64-bit significand and round-to-nearest, whatever the host left there (many
// hosts run at 53 bits), and gives the host its control word back afterwards.
class ExtendedPrecisionScope : public X87ControlWordScope {
 public:
  ExtendedPrecisionScope()
      : X87ControlWordScope(uint16_t((X87ControlWord() & ~0x0F00u) | 0x0300u)) {}
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
