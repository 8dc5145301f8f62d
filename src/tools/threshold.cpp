// The threshold's pixel loops.
#include "tools/threshold.h"

#include <algorithm>

#include "colour/cpu_features.h"
#include "platform/row_pool.h"
#include "tools/reference_paths.h"
#include "tools/threshold_avx2.h"
#include "tools/threshold_sse2.h"

namespace molvane {
namespace {

// Scalar: the test depends on the lightness alone, so decide the 256 cases once.
void ThresholdScalar(const uint8_t keep[256], const Pixel24* in, Pixel24* out, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    const Pixel24 p = in[i];
    const int32_t hi = std::max({p.r, p.g, p.b});
    const int32_t lo = std::min({p.r, p.g, p.b});
    const uint8_t mask = keep[(hi + lo) >> 1];
    out[i] = Pixel24{uint8_t(p.b & mask), uint8_t(p.g & mask), uint8_t(p.r & mask)};
  }
}

void ThresholdRange(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                    KeptSide side) {
  uint8_t keep[256];
  for (int32_t l = 0; l < 256; ++l)
    keep[l] = (side == KeptSide::Below ? l < threshold : l > threshold) ? 0xFF : 0x00;
  int64_t done = 0;
#if defined(__SSE2__)
  // Thresholds outside 0..255 keep all or nothing; the vector path handles
  // the rest as "lightness >= threshold + 1" or "<= threshold - 1".
  const bool vectorisable = side == KeptSide::Above ? threshold >= 0 && threshold <= 254
                                                    : threshold >= 1 && threshold <= 255;
  const uint8_t bound = uint8_t(side == KeptSide::Above ? threshold + 1 : threshold - 1);
  if (vectorisable && count >= 32 && CpuHasAvx2()) {
    done = count / 32 * 32;
    ThresholdRunsAvx2(in, out, count / 32, side, bound);
  }
  if (vectorisable && count - done >= 16) {
    const int64_t blocks = (count - done) / 16;
    ThresholdBlocksSse2(in + done, out + done, blocks, side, bound);
    done += blocks * 16;
  }
#endif
  ThresholdScalar(keep, in + done, out + done, count - done);
}

}  // namespace

void ThresholdPixels(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                     KeptSide side) {
  if (kReferencePathsOnly) return ThresholdPixelsReference(in, out, count, threshold, side);
  SplitOverThreads(count, 16, kParallelPixels, [&](int64_t begin, int64_t end) {
    ThresholdRange(in + begin, out + begin, end - begin, threshold, side);
  });
}

void ThresholdPixelsReference(const Pixel24* in, Pixel24* out, int64_t count, int32_t threshold,
                              KeptSide side) {
  for (int64_t i = 0; i < count; ++i)
    out[i] = PassesThreshold(in[i], threshold, side) ? in[i] : Pixel24{0, 0, 0};
}

}  // namespace molvane
