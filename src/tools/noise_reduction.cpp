// FltDivrs noise reduction: the fast path (lightness band, vector median, float
// scaling with exact halves settled in extended precision) and the literal one.
#include "tools/noise_reduction.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colour/colour.h"
#include "colour/extended_math.h"
#include "platform/row_pool.h"
#include "tools/noise_reduction_sse2.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

// Round(c * factor), half to even, above 255 -> 255; the caller holds the scope.
inline uint8_t ScaleByFactor(int32_t c, long double factor) {
  const int64_t v = RoundHalfEven(c * factor);
  return uint8_t(v > 255 ? 255 : v);
}

// Output pixels per band step: the band then holds the lightness of
// kChunk + 2W + 2 pixels, and the copy pixels it came from are still cached
// when the step scales them.
constexpr ptrdiff_t kChunk = 16384;

// One pixel of ReduceNoise's scalar remainder (the last pixels of a band, tiny images).
inline void ReducePixelScalar(const Pixel24* copy, const uint8_t* l, ptrdiff_t width,
                              Pixel24* out) {
  const int32_t nine[9] = {l[-width - 1], l[-width], l[-width + 1], l[-1], l[0], l[1],
                           l[width - 1],  l[width],  l[width + 1]};
  const int32_t median = Median9(nine);
  const int32_t lightness = l[0];
  out->b = ScaleChannel(copy->b, median, lightness);
  out->g = ScaleChannel(copy->g, median, lightness);
  out->r = ScaleChannel(copy->r, median, lightness);
}

}  // namespace

uint8_t ScaleChannelReference(int32_t c, int32_t median, int32_t lightness) {
  ExtendedPrecisionScope scope;
  return noise_reduction_detail::ScaleChannelExtended(c, median, lightness);
}

namespace noise_reduction_detail {

uint8_t ScaleChannelExtended(int32_t c, int32_t median, int32_t lightness) {
  const long double factor =
      lightness == 0 ? 1.0L : (long double)median / (long double)lightness;
  return ScaleByFactor(c, factor);
}

}  // namespace noise_reduction_detail

uint8_t ScaleChannel(int32_t c, int32_t median, int32_t lightness) {
  if (lightness == 0 || median == lightness) return uint8_t(c);
  // Round(c * M / L) = (2cM + L) div 2L unless 2cM / L is an odd integer: an exact
  // half, which the 80-bit rounding of M / L may push either way.
  const uint32_t n = 2u * uint32_t(c) * uint32_t(median) + uint32_t(lightness);
  const uint32_t d = 2u * uint32_t(lightness);
  if (n % d == 0) return ScaleChannelReference(c, median, lightness);
  const uint32_t q = n / d;
  return uint8_t(q > 255 ? 255 : q);
}

void ReduceNoise(const Pixel24* copy, Pixel24* image, int32_t width, int32_t height) {
  if (kReferencePathsOnly) return ReduceNoiseReference(copy, image, width, height);
  if (width <= 0 || height <= 0) return;
  const int64_t count = int64_t(width) * int64_t(height);
  // No buffer of more bytes than the address space can exist.
  if (count > int64_t(PTRDIFF_MAX / 3)) return;
  const ptrdiff_t w = width;
  const ptrdiff_t n = ptrdiff_t(count);
  const ptrdiff_t first = w + 1;
  const ptrdiff_t last = n - w - 2;
  if (last < first) return;

  // Each piece of the rows runs the same chunks, with a band of its own:
  // band[k] holds the lightness of pixel band_lo + k, for band_lo <= pixel < band_hi.
  SplitOverThreads(last + 1 - first, kChunk, kParallelPixels, [&](int64_t begin, int64_t end) {
    std::vector<uint8_t> band(size_t(std::min<ptrdiff_t>(n, kChunk + 2 * w + 2)));
    ptrdiff_t band_lo = 0;
    ptrdiff_t band_hi = 0;
    for (ptrdiff_t a = first + ptrdiff_t(begin); a < first + end; a += kChunk) {
      const ptrdiff_t b = std::min(a + kChunk, ptrdiff_t(first + end));
      const ptrdiff_t need_lo = a - w - 1;
      const ptrdiff_t need_hi = b + w + 1;
      if (need_lo > band_lo) {
        const ptrdiff_t keep = std::max<ptrdiff_t>(0, band_hi - need_lo);
        if (keep > 0) std::memmove(band.data(), band.data() + (need_lo - band_lo), size_t(keep));
        band_lo = need_lo;
        band_hi = need_lo + keep;
      }
      noise_reduction_detail::ComputeLightness(copy + band_hi, band.data() + (band_hi - band_lo), need_hi - band_hi);
      band_hi = need_hi;

      const uint8_t* l = band.data() + (a - band_lo);
      const ptrdiff_t blocks = noise_reduction_detail::ReduceBlocks(copy + a, l, w, b - a, image + a);
      for (ptrdiff_t i = a + blocks; i < b; ++i) ReducePixelScalar(copy + i, l + (i - a), w, image + i);
    }
  });
}

void ReduceNoiseReference(const Pixel24* copy, Pixel24* image, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  const int64_t w = width;
  const int64_t n = w * height;
  const int64_t offsets[9] = {-w - 1, -w, -w + 1, -1, 0, 1, w - 1, w, w + 1};
  ExtendedPrecisionScope scope;
  for (int64_t i = w + 1; i <= n - w - 2; ++i) {
    const int32_t lightness = PixelLightness(PixelToColor(copy[i]));
    int32_t nine[9];
    for (int k = 0; k < 9; ++k) nine[k] = PixelLightness(PixelToColor(copy[i + offsets[k]]));
    const int32_t median = Median9(nine);
    const long double factor =
        lightness == 0 ? 1.0L : (long double)median / (long double)lightness;
    const TRgbInts c = UnpackPixelColor(PixelToColor(copy[i]));
    image[i].r = ScaleByFactor(c.r, factor);
    image[i].g = ScaleByFactor(c.g, factor);
    image[i].b = ScaleByFactor(c.b, factor);
  }
}

}  // namespace molvane
