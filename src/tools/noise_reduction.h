// FltDivrs noise reduction: a 3 x 3 median filter on lightness that keeps each pixel's colour.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// Noise reduction of a width x height image, rows top first, no padding.
// `copy` is read, `image` written; they must not overlap and both hold
// width * height pixels. For each linear index i from W + 1 to W*H - W - 2:
//   L = PixelLightness(copy[i]); M = Median9 of the lightness of copy[i - W - 1],
//   copy[i - W], copy[i - W + 1], copy[i - 1], copy[i], copy[i + 1], copy[i + W - 1],
//   copy[i + W], copy[i + W + 1]; each channel c becomes Round(c * M / L)
//   (F = M / L in 80-bit precision, then c * F, Round half to even), above 255 -> 255;
//   L = 0 keeps the pixel.
// Neighbours go by linear index alone: in row y a first-column pixel takes its
// left neighbours from the last pixels of rows y - 2, y - 1 and y, a last-column
// pixel its right ones from the first pixels of rows y, y + 1 and y + 2. The first
// and last rows, pixel W and pixel W*H - W - 1 are not written; nor is anything
// when W*H - W - 2 < W + 1 (any height below 3) or a size is not positive; W*H is
// taken in 64 bits. ReduceNoise and ReduceNoiseReference write the same bytes;
// both set 64-bit x87 precision for the run and restore the caller's control word.
void ReduceNoise(const Pixel24* copy, Pixel24* image, int32_t width, int32_t height);

// The same filter computed literally: nine PixelLightness and one Median9 per
// pixel, F and the products in extended precision. The yardstick of ReduceNoise.
void ReduceNoiseReference(const Pixel24* copy, Pixel24* image, int32_t width, int32_t height);

// One channel value c scaled by median / lightness, rounded and clamped as above.
// ScaleChannel works in integers and defers exact halves to the extended
// computation, whose rounding of M / L decides them; ScaleChannelReference is that
// computation. Both agree for every c, median, lightness in 0..255, and both set
// extended precision themselves when they need it.
uint8_t ScaleChannel(int32_t c, int32_t median, int32_t lightness);
uint8_t ScaleChannelReference(int32_t c, int32_t median, int32_t lightness);

namespace noise_reduction_detail {

// ScaleChannelReference without its own ExtendedPrecisionScope: for a caller
// that already holds one (the vector step settles its exact halves with it).
uint8_t ScaleChannelExtended(int32_t c, int32_t median, int32_t lightness);

// The vector step of ReduceNoise, exposed so that tests can run it on chosen
// inputs: out[k] = in[k] with every channel scaled by median[k] / lightness[k],
// for the 16 pixels k = 0..15. The caller holds an ExtendedPrecisionScope (the
// exact halves are settled in extended precision).
void ScaleBlock16(const Pixel24* in, const uint8_t* median, const uint8_t* lightness,
                  Pixel24* out);

}  // namespace noise_reduction_detail
}  // namespace molvane
