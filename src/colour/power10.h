// 10 raised to a real power in extended precision, the same bits on every build.
#pragma once

namespace molvane {

// 10^e through the x87 unit's own constants and steps (log2(10), rounding to
// an integer, 2^f - 1, scaling), so the native and the 32-bit builds agree to
// the bit where their C libraries' powl would not. Exactly 1 for e = 0. The
// caller holds an ExtendedPrecisionScope. Meant for |e| well inside 4000.
inline long double Power10(long double e) {
  if (e == 0) return 1.0L;
  long double log2of10;
  __asm__("fldl2t" : "=t"(log2of10));
  const long double x = e * log2of10;
  long double n;
  __asm__("frndint" : "=t"(n) : "0"(x));
  long double fractionPower;  // 2^(x - n) - 1, with |x - n| <= 1/2
  __asm__("f2xm1" : "=t"(fractionPower) : "0"(x - n));
  long double result;
  __asm__("fscale" : "=t"(result) : "0"(fractionPower + 1.0L), "u"(n));
  return result;
}

}  // namespace molvane
