// The gap's SSE2 kernel.
#include "tools/comparison_sse2.h"

#if defined(__SSE2__)
#include "tools/comparison_lanes.h"
#include "tools/pixel_lanes_sse2.h"

namespace molvane {

void GapBlocksSse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t blocks, int32_t factor) {
  lanes::GapRuns<Sse2Lanes>(a, b, out, blocks, factor);
}

}  // namespace molvane

#endif
