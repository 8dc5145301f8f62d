// Merging two images of one size: the larger value channel by channel, or a transparency mix with an optional prevalent image.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

enum class MergeMode { Maximum, Transparency };
// The image that stays opaque outside the lightness band, if any.
enum class Prevalent { None, First, Second };

// The choices of the merge dialog: ModeFusion, TauxTransp, Img1PreV or
// Img2PreV, TxMin and TxMax.
struct MergeParams {
  MergeMode mode = MergeMode::Maximum;
  int32_t rate = 50;  // p: the second image's share in percent, 0..100
  Prevalent prevalent = Prevalent::None;
  int32_t low = 0;    // the lightness band lo..hi, closed
  int32_t high = 255;
};

// (a (100 - p) + b p) div 100: at most 25500, never negative, so the
// division truncates like a floor. p is 0..100.
inline uint8_t MixChannel(uint8_t a, uint8_t b, int32_t p) {
  return uint8_t((int32_t(a) * (100 - p) + int32_t(b) * p) / 100);
}

// One result pixel from the first image's pixel a and the second's b, the
// three bytes each on its own:
//   Maximum       max(a[c], b[c]), so red may come from one image and green
//                 from the other;
//   Transparency  m[c] = MixChannel(a[c], b[c], p); with a prevalent image x
//                 (a or b), L = TripletLightness(x): x unchanged when
//                 L < lo or L > hi, else m. The band is closed.
// A rate outside 0..100 is taken as its nearest end.
Pixel24 MergePixel(Pixel24 a, Pixel24 b, const MergeParams& params);

// out[i] = MergePixel(first[i], second[i]) for i in 0..count-1; out may be
// first or second. The fast path runs 32 pixels at a time in AVX2 where the
// processor has it, then 16 at a time in SSE2 (the maximum per byte, the mix
// in 16-bit lanes with the division by 100 as a multiply-high that is exact
// for every numerator up to 25500, the band test on each pixel's lightness)
// and the rule above on the rest; the reference applies MergePixel pixel by
// pixel. All give the same bytes.
void MergePixels(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t count,
                 const MergeParams& params);
void MergePixelsReference(const Pixel24* first, const Pixel24* second, Pixel24* out,
                          int64_t count, const MergeParams& params);

}  // namespace molvane
