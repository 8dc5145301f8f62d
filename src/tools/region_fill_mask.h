// The region fill's membership bitmap: which pixels lie within the tolerance of the seed colour.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// Per channel (b, g, r) the closed range of byte values that join the region.
// An empty range has low > high.
struct JoinRange {
  uint8_t low[3];
  uint8_t high[3];
};

// Sets bit (i & 31) of bits[i >> 5] for each pixel i in 0..count-1 whose
// three channels all lie in their ranges, and clears it otherwise; the bits
// of the last word beyond count are cleared. Words of 32 bits are native to
// both builds. The SSE2 path tests 16 pixels at a time; both give the same bits.
void MarkJoinable(const Pixel24* pixels, int64_t count, const JoinRange& range, uint32_t* bits);
void MarkJoinableReference(const Pixel24* pixels, int64_t count, const JoinRange& range,
                           uint32_t* bits);

// The SSE2 kernel: whole words only, `words` x 32 pixels.
void MarkJoinableWordsSse2(const Pixel24* pixels, int64_t words, const JoinRange& range,
                           uint32_t* bits);

}  // namespace molvane
