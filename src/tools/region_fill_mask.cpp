// The region fill's membership bitmap, plain and dispatched.
#include "tools/region_fill_mask.h"

namespace molvane {
namespace {

bool InRange(const Pixel24& p, const JoinRange& range) {
  return p.b >= range.low[0] && p.b <= range.high[0] && p.g >= range.low[1] &&
         p.g <= range.high[1] && p.r >= range.low[2] && p.r <= range.high[2];
}

}  // namespace

void MarkJoinableReference(const Pixel24* pixels, int64_t count, const JoinRange& range,
                           uint32_t* bits) {
  for (int64_t w = 0; w < (count + 31) / 32; ++w) bits[w] = 0;
  for (int64_t i = 0; i < count; ++i)
    if (InRange(pixels[i], range)) bits[i >> 5] |= uint32_t(1) << (i & 31);
}

void MarkJoinable(const Pixel24* pixels, int64_t count, const JoinRange& range, uint32_t* bits) {
  int64_t words = 0;
#if defined(__SSE2__)
  words = count / 32;
  MarkJoinableWordsSse2(pixels, words, range, bits);
#endif
  MarkJoinableReference(pixels + words * 32, count - words * 32, range, bits + words);
}

}  // namespace molvane
