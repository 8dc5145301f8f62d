// The merge's pixel loops.
#include "tools/merge.h"

#include <algorithm>

#include "colour/colour.h"
#include "colour/cpu_features.h"
#include "platform/row_pool.h"
#include "tools/merge_avx2.h"
#include "tools/merge_sse2.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

int32_t ClampedRate(int32_t rate) { return std::clamp(rate, 0, 100); }

}  // namespace

Pixel24 MergePixel(Pixel24 a, Pixel24 b, const MergeParams& params) {
  if (params.mode == MergeMode::Maximum)
    return Pixel24{std::max(a.b, b.b), std::max(a.g, b.g), std::max(a.r, b.r)};
  const int32_t p = ClampedRate(params.rate);
  const Pixel24 m{MixChannel(a.b, b.b, p), MixChannel(a.g, b.g, p), MixChannel(a.r, b.r, p)};
  if (params.prevalent == Prevalent::None) return m;
  const Pixel24 x = params.prevalent == Prevalent::First ? a : b;
  const int32_t l = TripletLightness(x.r, x.g, x.b);
  return l < params.low || l > params.high ? x : m;
}

namespace {

void MergeRange(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t count,
                const MergeParams& params) {
  int64_t done = 0;
#if defined(__SSE2__)
  const int32_t rate = ClampedRate(params.rate);
  if (count >= 32 && CpuHasAvx2()) {
    done = count / 32 * 32;
    MergeRunsAvx2(first, second, out, count / 32, params, rate);
  }
  if (count - done >= 16) {
    const int64_t blocks = (count - done) / 16;
    MergeBlocksSse2(first + done, second + done, out + done, blocks, params, rate);
    done += blocks * 16;
  }
#endif
  for (int64_t i = done; i < count; ++i) out[i] = MergePixel(first[i], second[i], params);
}

}  // namespace

void MergePixels(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t count,
                 const MergeParams& params) {
  if (kReferencePathsOnly) return MergePixelsReference(first, second, out, count, params);
  SplitOverThreads(count, 16, kParallelPixels, [&](int64_t begin, int64_t end) {
    MergeRange(first + begin, second + begin, out + begin, end - begin, params);
  });
}

void MergePixelsReference(const Pixel24* first, const Pixel24* second, Pixel24* out,
                          int64_t count, const MergeParams& params) {
  for (int64_t i = 0; i < count; ++i) out[i] = MergePixel(first[i], second[i], params);
}

}  // namespace molvane
