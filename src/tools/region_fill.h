// RemplirZone: repaints the 4-connected region around a seed with a two-colour gradient.
#pragma once

#include <cstdint>

#include "boundary/image_size.h"
#include "colour/pixel.h"

namespace molvane {

struct FillParams {
  ImagePoint seedPoint;
  ImagePoint pointF1;      // with pointF2 fixes the span at which the gradient reaches colourF1
  ImagePoint pointF2;      // where the gradient is exactly colourF2
  TColor colourF1;        // 0x00BBGGRR
  TColor colourF2;
  long double tolerance;  // per channel, strict: a difference equal to it fails
  long double transparency;     // the source pixel's weight in the mix, 0..1
  long double noiseAmplitude;   // rounded half to even to the noise range N
  long double lightnessFactor;  // multiplies each source pixel's HSL lightness; exactly 1: untouched
};

// The region: pixels reached from the seed through right, left, below, above
// neighbours taken on the linear index (a row's last pixel touches the next
// row's first), each within the tolerance of the seed's colour in `source`
// on all three channels. Grown breadth-first from an explicit work list; the
// seed itself is painted only when one of its neighbours joined.
// Each region pixel n, reached from pixel i at (px, py), becomes
//   Round((F2 - r (F2 - F1)) (1 - T) + c T) + Random(N) - N div 2, clamped to 0..255,
// per channel, with r = sqrt((0.6 (F2x - px))^2 + (F2y - py)^2) / |F1 F2|
// (r = 0 when the two points coincide), c the source colour of n (its HSL
// lightness times the factor first, unbounded), Round half to even and one
// noise draw per painted pixel shared by the three channels.
// Only region pixels of `destination` are written; `source` is only read.
// Both hold width x height pixels. A seed outside the image, a size of 0 or
// a tolerance of 0 or less paints nothing.
// The fast path keeps the work list's order (so every draw of Random goes to
// the same pixel) and each pixel's parent, but decides membership by tables,
// marks visits in a bitmap and computes each parent's gradient once; the
// reference follows the rule above literally. Both give the same bytes and
// draw the same sequence.
void FillRegion(const Pixel24* source, Pixel24* destination, int32_t width, int32_t height,
                const FillParams& params);
void FillRegionReference(const Pixel24* source, Pixel24* destination, int32_t width,
                         int32_t height, const FillParams& params);

}  // namespace molvane
