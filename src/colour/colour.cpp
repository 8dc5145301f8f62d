// ParamCoul: the HSL conversions and the average colour.
#include "colour/colour.h"

#include "colour/extended_math.h"

namespace molvane {
namespace {

constexpr long double kOneThird = 1.0L / 3.0L;
constexpr long double kTwoThirds = 2.0L / 3.0L;

// HueToChannel without a scope of its own: the conversions call it three times
// under the scope they already hold.
long double HueToChannelUnscoped(long double t, long double v2, long double v1) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (6 * t < 1) return v1 + (v2 - v1) * 6 * t;
  if (2 * t < 1) return v2;
  if (3 * t < 2) return v1 + (v2 - v1) * (kTwoThirds - t) * 6;
  return v1;
}

// Round(x * 255), half to even; the caller holds the scope.
int32_t ScaleToByte(long double x) { return int32_t(RoundHalfEven(x * 255)); }

TRgbInts HslToRgbUnscoped(const THsl& hsl) {
  if (hsl.s == 0) {
    int32_t grey = ScaleToByte(hsl.l);
    return TRgbInts{grey, grey, grey};
  }
  long double v2 = hsl.l < 0.5L ? hsl.l * (1 + hsl.s) : (hsl.l + hsl.s) - hsl.s * hsl.l;
  long double v1 = 2 * hsl.l - v2;
  return TRgbInts{ScaleToByte(HueToChannelUnscoped(hsl.h + kOneThird, v2, v1)),
                  ScaleToByte(HueToChannelUnscoped(hsl.h, v2, v1)),
                  ScaleToByte(HueToChannelUnscoped(hsl.h - kOneThird, v2, v1))};
}

}  // namespace

THsl RgbToHsl(PixelColor c) {
  // The fractions are true 64-bit doubles; only then does extended precision start.
  const double red = double((c >> 16) & 0xFFu) / 255.0;
  const double green = double((c >> 8) & 0xFFu) / 255.0;
  const double blue = double(c & 0xFFu) / 255.0;

  ExtendedPrecisionScope scope;
  const long double r = red, g = green, b = blue;
  long double maximum = r, minimum = r;
  if (g > maximum) maximum = g;
  if (b > maximum) maximum = b;
  if (g < minimum) minimum = g;
  if (b < minimum) minimum = b;
  const long double delta = maximum - minimum;
  THsl hsl{0, 0, (maximum + minimum) / 2};
  if (delta == 0) return hsl;

  // L = 0.5 exactly takes the second form.
  hsl.s = hsl.l < 0.5L ? delta / (maximum + minimum) : delta / (2 - maximum - minimum);

  const long double dR = ((maximum - r) / 6 + delta / 2) / delta;
  const long double dG = ((maximum - g) / 6 + delta / 2) / delta;
  const long double dB = ((maximum - b) / 6 + delta / 2) / delta;
  if (maximum == r) {
    hsl.h = dB - dG;
  } else if (maximum == g) {
    hsl.h = kOneThird + dR - dB;
  } else if (maximum == b) {
    hsl.h = kTwoThirds + dG - dR;
  }
  if (hsl.h < 0) hsl.h += 1;
  if (hsl.h > 1) hsl.h -= 1;
  return hsl;
}

TRgbInts HslToRgb(const THsl& hsl) {
  ExtendedPrecisionScope scope;
  return HslToRgbUnscoped(hsl);
}

TColor HslToTColor(const THsl& hsl) {
  ExtendedPrecisionScope scope;
  TRgbInts c = HslToRgbUnscoped(hsl);
  return TColor(c.b) * 65536u + TColor(c.g) * 256u + TColor(c.r);
}

long double HueToChannel(long double t, long double v2, long double v1) {
  ExtendedPrecisionScope scope;
  return HueToChannelUnscoped(t, v2, v1);
}

PixelColor AverageColor(const Pixel24* pixels, int32_t count) {
  if (!pixels || count <= 0) return 0;
  // 64-bit sums: a 32-bit sum would wrap beyond about 8.4 million pixels.
  int64_t red = 0, green = 0, blue = 0;
  for (int32_t i = 0; i < count; ++i) {
    red += pixels[i].r;
    green += pixels[i].g;
    blue += pixels[i].b;
  }
  return PixelColor(red / count) * 65536u + PixelColor(green / count) * 256u +
         PixelColor(blue / count);
}

}  // namespace molvane
