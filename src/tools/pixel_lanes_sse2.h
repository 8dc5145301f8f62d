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

  // Lane h of a vector holds the 16 bytes from p + 48 h: the same place in the next block.
  static V LoadLanes(const uint8_t* p) { return Load(p); }
  static void StoreLanes(uint8_t* p, V v) { Store(p, v); }
  static V EachLane(const uint8_t bytes[16]) { return Load(bytes); }
};

}  // namespace molvane

#endif
