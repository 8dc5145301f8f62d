// The threshold's SSE2 kernel.
#include "tools/threshold_sse2.h"

#if defined(__SSE2__)
#include "tools/pixel_lanes_sse2.h"
#include "tools/threshold_lanes.h"

namespace molvane {

void ThresholdBlocksSse2(const Pixel24* in, Pixel24* out, int64_t blocks, KeptSide side, uint8_t bound) {
  lanes::ThresholdKernel<Sse2Lanes>(side, bound).Run(in, out, blocks);
}

}  // namespace molvane

#endif
