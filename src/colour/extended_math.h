// The arithmetic model: 80-bit extended precision, Round (half to even), Trunc, clamps.
#pragma once

#include <cstdint>

#include <xmmintrin.h>

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

// Runs the enclosed arithmetic in the plug-in's own floating-point set-up,
// whatever the host left: the x87 unit with a 64-bit significand (many hosts
// run at 53 bits), round-to-nearest and every exception masked (many hosts
// unmask overflow and invalid operations, which a tiny divisor or a foreign
// file's value would raise), and the SSE unit round-to-nearest, all masked,
// no flush to zero. The flags raised meanwhile are cleared before the host's
// words come back, so an exception the host unmasks cannot fire later on its
// own instructions.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() : x87_(X87ControlWord()), mxcsr_(_mm_getcsr()) {
    SetX87ControlWord(uint16_t((x87_ & ~0x0F3Fu) | 0x033Fu));
    _mm_setcsr(0x1F80u);
  }
  ~ExtendedPrecisionScope() {
    __asm__ __volatile__("fnclex" : : : "memory");
    SetX87ControlWord(x87_);
    _mm_setcsr(mxcsr_);
  }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  uint16_t x87_;
  uint32_t mxcsr_;
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
