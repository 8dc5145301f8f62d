// ParamCoul: conversions between the packed, unpacked and HSL colour forms, and the
// median, average and clamp helpers the tools call in their inner loops.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// (largest + smallest) div 2 of three channel values, 0..255 for channel inputs.
inline int32_t TripletLightness(int32_t a, int32_t b, int32_t c) {
  if (a > b) {
    int32_t t = a;
    a = b;
    b = t;
  }
  int32_t maximum, minimum;
  if (b < c) {
    maximum = c;
    minimum = a;
  } else {
    maximum = b;
    minimum = a < c ? a : c;
  }
  return (minimum + maximum) / 2;
}

// Red from bits 16-23, green from 8-15, blue from 0-7 of a 0x00RRGGBB value.
inline TRgbInts UnpackPixelColor(PixelColor c) {
  return TRgbInts{int32_t((c >> 16) & 0xFFu), int32_t((c >> 8) & 0xFFu), int32_t(c & 0xFFu)};
}

// Red from bits 0-7, green from 8-15, blue from 16-23 of a 0x00BBGGRR value.
inline TRgbInts UnpackTColor(TColor c) {
  return TRgbInts{int32_t(c & 0xFFu), int32_t((c >> 8) & 0xFFu), int32_t((c >> 16) & 0xFFu)};
}

inline int32_t PixelLightness(PixelColor c) {
  TRgbInts u = UnpackPixelColor(c);
  return TripletLightness(u.r, u.g, u.b);
}

// The pixel of a platform colour: blue (bits 16-23) into byte 0, red (bits 0-7) into byte 2.
inline Pixel24 TColorToPixel(TColor c) {
  return Pixel24{uint8_t((c >> 16) & 0xFFu), uint8_t((c >> 8) & 0xFFu), uint8_t(c & 0xFFu)};
}

// HSL of a packed pixel colour. The channel fractions are 64-bit doubles, every
// later step is extended precision; red wins a tie for the maximum, then green.
// Runs under its own ExtendedPrecisionScope.
THsl RgbToHsl(PixelColor c);

// The inverse conversions; each channel is Round(x * 255), half to even, not
// clamped (a lightness above 1 gives values above 255). HslToTColor packs
// blue * 65536 + green * 256 + red. Both run under their own ExtendedPrecisionScope.
TRgbInts HslToRgb(const THsl& hsl);
TColor HslToTColor(const THsl& hsl);

// The channel of hue t between v1 and v2, the helper of both HSL conversions.
// Runs under its own ExtendedPrecisionScope.
long double HueToChannel(long double t, long double v2, long double v1);

// The fifth smallest of nine values 0..255: five passes of a first-of-equal
// minimum search over a scratch copy, each removing the minimum found.
inline int32_t Median9(const int32_t values[9]) {
  int32_t scratch[9];
  for (int k = 0; k < 9; ++k) scratch[k] = values[k];
  int32_t found = 0;
  for (int i = 8; i >= 4; --i) {
    int32_t best = 256;  // above any channel value
    int position = 0;
    for (int k = 0; k <= i; ++k) {
      if (scratch[k] < best) {
        best = scratch[k];
        position = k;
      }
    }
    found = best;
    scratch[position] = scratch[i];
  }
  return found;
}

// Channel-wise mean of `count` pixels, each mean truncated, packed 0x00RRGGBB.
// Returns 0 for an empty array.
PixelColor AverageColor(const Pixel24* pixels, int32_t count);

}  // namespace molvane
