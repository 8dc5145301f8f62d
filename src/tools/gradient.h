// Gradient compensation: a linear offset and gain ramp from one end of the image to the other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

enum class GradientDirection { Vertical, Horizontal };

struct GradientParams {
  GradientDirection direction = GradientDirection::Vertical;
  int32_t offsetN1 = 0;      // offset at the first end (top or left)
  int32_t offsetN2 = 0;      // offset at the second end (bottom or right)
  long double coefM1 = 1.0L;  // gain at the first end
  long double coefM2 = 1.0L;  // gain at the second end
};

// For line t of L (rows when vertical, columns when horizontal):
//   off(t)  = Round(N1 + (N2 - N1) * t / (L - 1)), the product a 32-bit
//             integer, division and sum in extended precision, ties to even
//   gain(t) = M1 + (M2 - M1) * t / (L - 1), extended, not rounded
// and every byte v of the line becomes Round(v * gain(t) + off(t)) clamped to
// 0..255. A single line (L = 1) gets the first end's offset and gain.
int32_t LineOffset(const GradientParams& params, int32_t t, int32_t lines);
long double LineGain(const GradientParams& params, int32_t t, int32_t lines);

// Corrects a width x height picture from `in` into `out` (strides in bytes,
// so preview bitmaps with padded rows can be written directly). The fast path
// builds one 256-entry table per line from the same extended arithmetic; the
// reference computes every byte literally. Both give the same bytes.
void CompensateGradient(const Pixel24* in, ptrdiff_t inStride, Pixel24* out, ptrdiff_t outStride,
                        int32_t width, int32_t height, const GradientParams& params);
void CompensateGradientReference(const Pixel24* in, ptrdiff_t inStride, Pixel24* out,
                                 ptrdiff_t outStride, int32_t width, int32_t height,
                                 const GradientParams& params);

}  // namespace molvane
