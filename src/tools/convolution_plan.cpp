// The convolution's fast-path plan, made once a run.
#include "tools/convolution_plan.h"

#include <utility>

namespace molvane {

ConvolutionPlan MakeConvolutionPlan(const TMatrixFilter& filter, int32_t radius, int64_t width,
                                    int64_t pixels, bool negate) {
  ConvolutionPlan plan;
  int64_t largest = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int64_t k = filter.Coeff[3 + dx][3 + dy];
      if (k == 0) continue;
      const int64_t weight = negate ? -k : k;
      const int64_t shift = dy * width + dx;
      const int64_t magnitude = k < 0 ? -k : k;
      plan.bound += 255 * magnitude;
      if (shift <= -pixels || shift >= pixels) {
        plan.bias += 128 * weight;
        continue;
      }
      const ptrdiff_t offset = ptrdiff_t(3 * shift);
      plan.offset[plan.taps] = offset;
      plan.weight[plan.taps] = weight;
      ++plan.taps;
      if (offset < plan.minOffset) plan.minOffset = offset;
      if (offset > plan.maxOffset) plan.maxOffset = offset;
      if (magnitude > largest) largest = magnitude;
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
    (unit == 1 ? plan.plusOnes : plan.minusOnes) = placed - plan.plusOnes;
  }
  plan.pairs = (plan.taps + 1) / 2;
  for (int p = 0; p < plan.pairs; ++p) {
    const int t = 2 * p;
    const bool alone = t + 1 == plan.taps;
    const int64_t first = plan.weight[t], second = alone ? 0 : plan.weight[t + 1];
    plan.pairFirst[p] = plan.offset[t];
    plan.pairSecond[p] = alone ? plan.offset[t] : plan.offset[t + 1];
    plan.pairWords[p] = int32_t((uint32_t(uint16_t(int16_t(second))) << 16) |
                                uint32_t(uint16_t(int16_t(first))));
    plan.pairBytes[p] =
        int16_t(uint16_t((uint32_t(uint8_t(int8_t(second))) << 8) | uint8_t(int8_t(first))));
  }
  if (plan.bound <= 32767)
    plan.kind = SumKind::Int16;
  else if (plan.bound <= INT32_MAX)
    plan.kind = largest <= 32767 ? SumKind::Int32 : SumKind::Int32Scalar;
  else
    plan.kind = SumKind::Int64Scalar;
  return plan;
}

}  // namespace molvane
