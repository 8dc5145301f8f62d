// The threshold's vector kernel, written once over a lane set (pixel_lanes.h) for its SSE2 and AVX2 builds.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/pixel_lanes.h"
#include "tools/threshold.h"

namespace molvane::lanes {

// Keeps the pixels whose lightness is >= bound (Above) or <= bound (Below)
// and blackens the others, on runs of 16 L::kBlocks pixels: the keep mask is
// decided at each pixel's start byte and spread over its 3 bytes.
template <class L>
class ThresholdKernel {
 public:
  using V = Vector<L>;
  static constexpr int64_t kPixels = 16 * L::kBlocks;

  // The test is a saturating subtraction that is zero exactly for the kept pixels.
  ThresholdKernel(KeptSide side, uint8_t bound) : above_(side == KeptSide::Above), bound_(L::Set8(bound)) {}

  void Run(const Pixel24* in, Pixel24* out, int64_t runs) const {
    for (int64_t n = 0; n < runs; ++n, in += kPixels, out += kPixels) {
      V bytes[3], lightness[3], mask[3], spread[3];
      LoadBlocks<L>(in, bytes);
      LightnessAtStarts<L>(bytes, lightness);
      for (int k = 0; k < 3; ++k) {
        const V excess = above_ ? L::SubSat8(bound_, lightness[k]) : L::SubSat8(lightness[k], bound_);
        mask[k] = L::And(IsZero<L>(excess), starts_.mask[k]);
      }
      SpreadFromStarts<L>(mask, spread);
      for (int k = 0; k < 3; ++k) bytes[k] = L::And(bytes[k], spread[k]);
      StoreBlocks<L>(out, bytes);
    }
  }

 private:
  bool above_;
  V bound_;
  PixelStarts<L> starts_;
};

}  // namespace molvane::lanes
