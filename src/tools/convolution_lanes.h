// The convolution's 32-bit sums and float division, written once over a lane set (pixel_lanes.h) for its SSE2 and AVX2 builds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/convolution_division.h"
#include "tools/convolution_plan.h"
#include "tools/pixel_lanes.h"

namespace molvane::lanes {

// The 16-bit sums of a vector of output bytes (`low` of each lane's first
// eight bytes, `high` of its last eight) stored as 32-bit sums in byte order.
template <class L>
__attribute__((always_inline)) inline void StoreSums16(int32_t* sums, Vector<L> low, Vector<L> high) {
  L::StoreWidened32(sums, L::WidenSignedLow16(low), L::WidenSignedHigh16(low), L::WidenSignedLow16(high),
                    L::WidenSignedHigh16(high));
}

// sums[b] for the output bytes start + b, b < count (a multiple of the
// vector's width), every weight within 16 bits: the bytes of a pair's two
// neighbours interleaved, widened, and pmaddwd gives a * Ka + b * Kb per
// 32-bit lane. Inlined into each build's one caller, so that the AVX2
// object keeps no copy of its own for others (tests/check_avx2_objects.cmake).
template <class L>
__attribute__((always_inline)) inline void SumsInt32(const ConvolutionPlan& plan, const uint8_t* src,
                                                     ptrdiff_t start, ptrdiff_t count, int32_t* sums) {
  using V = Vector<L>;
  constexpr ptrdiff_t kBytes = sizeof(V);
  V weight[kMaxTapPairs];
  for (int p = 0; p < plan.pairs; ++p) weight[p] = L::Set32(plan.pairWords[p]);
  const V bias = L::Set32(int32_t(plan.bias));
  for (ptrdiff_t b = 0; b < count; b += kBytes) {
    const uint8_t* at = src + start + b;
    V s0 = bias, s1 = bias, s2 = bias, s3 = bias;
    for (int p = 0; p < plan.pairs; ++p) {
      const V x = L::Load(at + plan.pairFirst[p]);
      const V y = L::Load(at + plan.pairSecond[p]);
      const V low = L::InterleaveLow8(x, y), high = L::InterleaveHigh8(x, y);
      s0 = L::Add32(s0, L::MulAddPairs16(L::WidenLow8(low), weight[p]));
      s1 = L::Add32(s1, L::MulAddPairs16(L::WidenHigh8(low), weight[p]));
      s2 = L::Add32(s2, L::MulAddPairs16(L::WidenLow8(high), weight[p]));
      s3 = L::Add32(s3, L::MulAddPairs16(L::WidenHigh8(high), weight[p]));
    }
    L::StoreWidened32(sums + b, s0, s1, s2, s3);
  }
}

// out[b] for sums[b], b < count (a multiple of the vector's width), as the
// Float division of convolution_division.h: the single-precision quotient
// rounded to even, plus the offset, clamped by the saturating narrowing.
// Inlined as SumsInt32 is.
template <class L>
__attribute__((always_inline)) inline void DivideFloat(const Divider& divider, const int32_t* sums,
                                                       ptrdiff_t count, uint8_t* out) {
  using V = Vector<L>;
  constexpr ptrdiff_t kValues = sizeof(V) / sizeof(int32_t);
  const V offset = L::Set32(divider.floatOffset);
  for (ptrdiff_t b = 0; b < count; b += 4 * kValues) {
    V r[4];
    for (int q = 0; q < 4; ++q)
      r[q] = L::Add32(L::DivideRounded32(L::Load(sums + b + kValues * q), divider.floatDivisor), offset);
    L::StoreSaturated8(out + b, r[0], r[1], r[2], r[3]);
  }
}

}  // namespace molvane::lanes
