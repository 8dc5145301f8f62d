// The SSE2 lane set of pixel_lanes.h: one 16-pixel block to a 128-bit vector.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

#include "tools/pixel_lanes.h"

namespace molvane {

struct Sse2Lanes {
  using V = __m128i;
  MOLVANE_LANE_OPERATIONS(_mm, si128)
  static constexpr int kBlocks = 1;  // 16-pixel blocks to a vector

  static V LoadLanes(const uint8_t* p) { return Load(p); }
  static void StoreLanes(uint8_t* p, V v) { Store(p, v); }
  static V EachLane(const uint8_t bytes[16]) { return Load(bytes); }
  template <int n> static V Following(V x, V next) { return Or(_mm_srli_si128(x, n), _mm_slli_si128(next, 16 - n)); }
  template <int n> static V Preceding(V x, V previous) {
    return Or(_mm_slli_si128(x, n), _mm_srli_si128(previous, 16 - n));
  }
  static V WeighLow8(V x, V y, V w) { return Weigh(WidenLow8(x), WidenLow8(y), w); }
  static V WeighHigh8(V x, V y, V w) { return Weigh(WidenHigh8(x), WidenHigh8(y), w); }
  static void StoreWidened32(int32_t* p, V a, V b, V c, V d) {
    Store(p, a);
    Store(p + 4, b);
    Store(p + 8, c);
    Store(p + 12, d);
  }
  static void StoreSaturated8(uint8_t* p, V a, V b, V c, V d) {
    Store(p, NarrowSat16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
  }

 private:
  static V Weigh(V x, V y, V w) {
    return Add16(MulLow16(x, And(w, Set16(0xFF))), MulLow16(y, ShiftRight16<8>(w)));
  }
};

}  // namespace molvane

#endif
