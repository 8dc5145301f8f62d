// The merge's SSE2 kernel.
#include "tools/merge_sse2.h"

#if defined(__SSE2__)
#include "tools/merge_lanes.h"
#include "tools/pixel_lanes_sse2.h"

namespace molvane {

void MergeBlocksSse2(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t blocks,
                     const MergeParams& params, int32_t rate) {
  lanes::MergeKernel<Sse2Lanes>(params, rate).Run(first, second, out, blocks);
}

}  // namespace molvane

#endif
