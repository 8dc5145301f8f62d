// The gap image's byte loops.
#include "tools/comparison.h"

#include "colour/cpu_features.h"
#include "platform/row_pool.h"
#include "tools/comparison_avx2.h"
#include "tools/comparison_sse2.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

// The channels of a pixel are treated alike, so the images are plain byte runs.
const uint8_t* Bytes(const Pixel24* p) { return reinterpret_cast<const uint8_t*>(p); }
uint8_t* Bytes(Pixel24* p) { return reinterpret_cast<uint8_t*>(p); }

// Scalar: the result depends only on |a - b|, so decide the 256 cases once.
void GapScalar(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t bytes, int32_t factor) {
  uint8_t table[256];
  for (int32_t d = 0; d < 256; ++d) table[d] = GapChannel(uint8_t(d), 0, factor);
  for (int64_t i = 0; i < bytes; ++i) {
    const int32_t d = int32_t(a[i]) - int32_t(b[i]);
    out[i] = table[d < 0 ? -d : d];
  }
}

void GapRange(const Pixel24* first, const Pixel24* second, Pixel24* gap, int64_t count,
              int32_t factor) {
  const int64_t bytes = count * int64_t(sizeof(Pixel24));
  int64_t done = 0;
#if defined(__SSE2__)
  if (factor >= -128 && factor <= 128) {
    if (CpuHasAvx2()) {
      done = bytes / 32 * 32;
      GapRunsAvx2(Bytes(first), Bytes(second), Bytes(gap), bytes / 32, factor);
    }
    const int64_t blocks = (bytes - done) / 16;
    GapBlocksSse2(Bytes(first) + done, Bytes(second) + done, Bytes(gap) + done, blocks, factor);
    done += blocks * 16;
  }
#endif
  GapScalar(Bytes(first) + done, Bytes(second) + done, Bytes(gap) + done, bytes - done, factor);
}

}  // namespace

void ComputeGap(const Pixel24* first, const Pixel24* second, Pixel24* gap, int64_t count,
                int32_t factor) {
  if (kReferencePathsOnly) return ComputeGapReference(first, second, gap, count, factor);
  SplitOverThreads(count, 16, kParallelPixels, [&](int64_t begin, int64_t end) {
    GapRange(first + begin, second + begin, gap + begin, end - begin, factor);
  });
}

void ComputeGapReference(const Pixel24* first, const Pixel24* second, Pixel24* gap,
                         int64_t count, int32_t factor) {
  for (int64_t i = 0; i < count; ++i) {
    gap[i] = Pixel24{GapChannel(first[i].b, second[i].b, factor),
                     GapChannel(first[i].g, second[i].g, factor),
                     GapChannel(first[i].r, second[i].r, factor)};
  }
}

}  // namespace molvane
