// The pixel and colour value types shared by every tool and by the host boundary.
#pragma once

#include <cstdint>

namespace molvane {

// One pixel of a 24-bit bitmap row: blue, green, red; no alpha, no padding.
struct Pixel24 {
  uint8_t b;
  uint8_t g;
  uint8_t r;
};
static_assert(sizeof(Pixel24) == 3, "Pixel24 is three packed bytes");

// A pixel packed as 0x00RRGGBB (red in bits 16-23), the form tools pass to helpers.
using PixelColor = uint32_t;

// The platform's colour value, 0x00BBGGRR (red in bits 0-7).
using TColor = uint32_t;

// Unpacked channels, each 0..255.
struct TRgbInts {
  int32_t r;
  int32_t g;
  int32_t b;
};

// Hue, saturation, lightness in 0..1, extended precision; hue 0 and 1 are the same red.
struct THsl {
  long double h;
  long double s;
  long double l;
};

inline PixelColor PixelToColor(Pixel24 p) {
  return (PixelColor(p.r) << 16) | (PixelColor(p.g) << 8) | PixelColor(p.b);
}

}  // namespace molvane
