// What the region fill's painting of a pixel needs, handed to its vector kernel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// The painting of region pixels from the growth's notes
// (region_fill_growth.h): each pixel's parent (the neighbour that reached
// it: 1 before, 2 after, 3 above, 4 below on the linear index, in the low
// three bits; 0 outside the region) and its draw, in the high five bits or
// in an array of its own. Channels in the order
// b, g, r. A value is computed in double and rounded from it only when it
// lies further than `relativeError` times its scale from a half.
struct FillPaint {
  const Pixel24* source;
  // With a lightness factor, each region pixel's converted colour per row:
  // three planes (b, g, r) of `width` values, filled by the caller for the
  // row being painted; null when the colours are the source's own.
  const int32_t* ownPlanes;
  Pixel24* destination;
  const uint8_t* notes;
  bool packedDraws;       // each draw in its note
  const int8_t* offsets;  // else the draws; null with neither: every draw is 0
  const double* dxx;      // per column, the gradient's squared horizontal distance
  const double* dyy;      // per row, the vertical one
  ptrdiff_t width;
  ptrdiff_t count;  // pixels in the image
  double inverseSpan;  // 0 without a gradient
  double t, oneMinusT, deltaScale;
  double f2[3], delta[3], scale[3];
  double relativeError;
};

// Paints whole groups of four region pixels of row y from column x on, with
// AVX2 (colour/cpu_features.h), while every value of a group rounds for
// certain; returns the column where it stopped: the first group with a pixel
// outside the region, or one value too near a half, or fewer than four
// pixels left before `end`, for the caller to go on with pixel by pixel.
ptrdiff_t PaintRunAvx2(const FillPaint& paint, ptrdiff_t y, ptrdiff_t x, ptrdiff_t end);

}  // namespace molvane
