// The convolution's division step: the divisor's class, the divider's set-up and the sums near a half.
#include "tools/convolution_division.h"

#include <cmath>
#include <cstring>

namespace molvane {
namespace {

constexpr int64_t kUnknown = INT64_MIN;

uint8_t ExactByte(const Divider& divider, int64_t sum) {
  return QuotientToByte((long double)sum / divider.divisor, divider.offset);
}

int64_t Threshold(Divider& divider, int v) {
  if (divider.threshold[v] == kUnknown) {
    int64_t lo = -divider.bound, hi = divider.bound + 1;
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (ExactByte(divider, mid) >= v)
        hi = mid;
      else
        lo = mid + 1;
    }
    divider.threshold[v] = lo;
  }
  return divider.threshold[v];
}

}  // namespace

DivisorClass ClassifyDivisor(const uint8_t* bytes) {
  uint64_t significand;
  uint16_t signExponent;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  const unsigned exponent = signExponent & 0x7FFFu;
  if (exponent == 0) return significand == 0 ? DivisorClass::Zero : DivisorClass::Usable;
  if ((significand >> 63) == 0) return DivisorClass::Invalid;
  if (exponent == 0x7FFF && (significand << 1) != 0) return DivisorClass::Invalid;
  return DivisorClass::Usable;
}

void MakeDivider(Divider& divider, long double divisor, int32_t offset, int64_t bound) {
  constexpr long double k24 = 16777216.0L;
  divider.divisor = divisor;
  divider.offset = offset;
  divider.bound = bound;
  const bool whole = divisor >= 1 && divisor < k24 && divisor == (long double)int32_t(divisor);
  if (bound < (int64_t(1) << 23) && (divisor >= k24 || whole)) {
    divider.kind = DivideKind::Float;
    divider.floatDivisor = divisor >= k24 ? 16777216.0f : float(int32_t(divisor));
    divider.floatOffset = offset < -(1 << 25) ? -(1 << 25) : offset > (1 << 25) ? (1 << 25) : offset;
  } else {
    divider.kind = DivideKind::Double;
    const long double reciprocal = 1.0L / divisor;
    divider.reciprocal = reciprocal > 1099511627776.0L ? 1099511627776.0 : double(reciprocal);
    divider.doubleOffset = offset;
    for (int64_t& t : divider.threshold) t = kUnknown;
  }
}

uint8_t ResolveNearHalf(Divider& divider, int32_t sum) {
  double z = double(sum) * divider.reciprocal + divider.doubleOffset;
  z = z < -1.0 ? -1.0 : z > 256.0 ? 256.0 : z;
  const double m = std::floor(z);
  if (m < 0) return 0;
  if (m >= 255) return 255;
  const int v = int(m) + 1;
  return uint8_t(sum >= Threshold(divider, v) ? v : v - 1);
}

}  // namespace molvane
