// The gap's vector kernel, written once over a lane set (pixel_lanes.h) for its SSE2 and AVX2 builds.
#pragma once

#include <cstdint>

#include "tools/pixel_lanes.h"

namespace molvane::lanes {

// |a - b| times |factor| (up to 128), clamped at 255, on `runs` runs of
// sizeof(L::V) bytes: |a - b| per byte from two saturating subtractions;
// times |factor| in 16-bit lanes, where 255 * 128 still fits; narrowed with
// unsigned saturation, which is the clamp at 255.
template <class L>
void GapRuns(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t runs, int32_t factor) {
  constexpr int64_t kBytes = sizeof(Vector<L>);
  const Vector<L> multiplier = L::Set16(uint16_t(factor < 0 ? -factor : factor));
  const bool one = factor == 1 || factor == -1;
  for (int64_t n = 0; n < runs; ++n, a += kBytes, b += kBytes, out += kBytes) {
    const Vector<L> x = L::Load(a), y = L::Load(b);
    Vector<L> d = L::Or(L::SubSat8(x, y), L::SubSat8(y, x));
    if (!one)
      d = L::NarrowSat16(L::MulLow16(L::WidenLow8(d), multiplier), L::MulLow16(L::WidenHigh8(d), multiplier));
    L::Store(out, d);
  }
}

}  // namespace molvane::lanes
