// The region fill engine: breadth-first growth from a seed, gradient, transparency, lightness, noise.
#include "tools/region_fill.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "colour/colour.h"
#include "colour/extended_math.h"
#include "colour/random.h"

namespace molvane {

namespace {

struct FillState {
  const Pixel24* source;
  Pixel24* destination;
  int64_t width;
  int64_t count;  // width x height
  TRgbInts SeedColour;
  TRgbInts F1;
  TRgbInts F2;
  FillPoint pointF2;
  long double SpanF1F2;
  int32_t NoiseRange;
  long double tolerance;
  long double T;
  long double OneMinusT;
  long double lightnessFactor;
  std::vector<bool> Visited;
  std::vector<int32_t> WorkList;  // slot 0 unused, slot 1 the seed
  int64_t ListCount;
};

bool WithinTolerance(const FillState& s, const TRgbInts& c) {
  return s.tolerance > (long double)std::abs(c.r - s.SeedColour.r) &&
         s.tolerance > (long double)std::abs(c.g - s.SeedColour.g) &&
         s.tolerance > (long double)std::abs(c.b - s.SeedColour.b);
}

int32_t Channel(const FillState& s, int32_t f1, int32_t f2, int32_t own, long double r, int32_t offset) {
  const long double mixed = (f2 - r * (long double)(f2 - f1)) * s.OneMinusT + (long double)own * s.T;
  // Far beyond F1 (a tiny span) the value may pass any integer: bounded
  // first, well beyond what an offset can bring back into 0..255 (NaN: 0).
  constexpr long double kBound = 1099511627776.0L;  // 2^40
  const long double bounded = !(mixed > -kBound) ? -kBound : (mixed > kBound ? kBound : mixed);
  const int64_t v = RoundHalfEven(bounded) + offset;
  return v < 0 ? 0 : (v > 255 ? 255 : int32_t(v));
}

// Examines the four neighbours of region pixel i, paints those that join and queues them.
void GrowFrom(FillState& s, int64_t i) {
  // Every neighbour painted from i shares i's ratio.
  const int64_t px = i % s.width;
  const int64_t py = i / s.width;
  long double r = 0;
  if (s.SpanF1F2 > 0) {
    const long double dx = 0.6L * (long double)(s.pointF2.x - px);
    // Squared as extended values: exact below 2^32, where an integer square may wrap.
    const long double dy = (long double)(s.pointF2.y - py);
    r = std::sqrt(dx * dx + dy * dy) / s.SpanF1F2;
  }
  const int64_t neighbours[4] = {i + 1, i - 1, i + s.width, i - s.width};
  for (int64_t n : neighbours) {
    if (n < 0 || n >= s.count) continue;
    if (s.Visited[size_t(n)]) continue;
    const PixelColor packed = PixelToColor(s.source[n]);
    TRgbInts c = UnpackPixelColor(packed);
    if (!WithinTolerance(s, c)) continue;
    const int32_t offset = Random(s.NoiseRange) - s.NoiseRange / 2;
    if (s.lightnessFactor != 1.0L) {
      THsl h = RgbToHsl(packed);
      h.l = h.l * s.lightnessFactor;
      c = HslToRgb(h);
    }
    Pixel24& out = s.destination[n];
    out.r = uint8_t(Channel(s, s.F1.r, s.F2.r, c.r, r, offset));
    out.g = uint8_t(Channel(s, s.F1.g, s.F2.g, c.g, r, offset));
    out.b = uint8_t(Channel(s, s.F1.b, s.F2.b, c.b, r, offset));
    s.Visited[size_t(n)] = true;
    s.WorkList[size_t(++s.ListCount)] = int32_t(n);
  }
}

}  // namespace

void FillRegion(const Pixel24* source, Pixel24* destination, int32_t width, int32_t height,
                const FillParams& params) {
  if (!source || !destination || width <= 0 || height <= 0) return;
  const int64_t count = int64_t(width) * height;
  // The work list holds 32-bit indices, as a pixel array's length is 32-bit.
  if (count > INT32_MAX - 2) return;
  const FillPoint seed = params.seedPoint;
  if (seed.x < 0 || seed.x >= width || seed.y < 0 || seed.y >= height) return;
  if (!(params.tolerance > 0)) return;  // nothing can join

  ExtendedPrecisionScope scope;
  FillState s;
  s.source = source;
  s.destination = destination;
  s.width = width;
  s.count = count;
  s.T = params.transparency;
  s.OneMinusT = 1 - params.transparency;
  // Rounded half to even and kept within 0..2^30, so N div 2 and the draw fit.
  const long double noise = params.noiseAmplitude;
  s.NoiseRange = noise > 0 ? int32_t(RoundHalfEven(noise < 1073741824.0L ? noise : 1073741824.0L)) : 0;
  s.tolerance = params.tolerance;
  s.lightnessFactor = params.lightnessFactor;
  s.pointF2 = params.pointF2;
  // Extended squares: points far apart cannot wrap the sum as 32-bit integers would.
  const long double sx = (long double)(int64_t(params.pointF2.x) - params.pointF1.x);
  const long double sy = (long double)(int64_t(params.pointF2.y) - params.pointF1.y);
  s.SpanF1F2 = std::sqrt(sx * sx + sy * sy);

  s.Visited.assign(size_t(count), false);
  s.WorkList.assign(size_t(count) + 2, 0);
  const int64_t seedIndex = int64_t(seed.y) * width + seed.x;
  s.ListCount = 1;
  s.WorkList[1] = int32_t(seedIndex);
  s.SeedColour = UnpackPixelColor(PixelToColor(source[seedIndex]));
  s.F1 = UnpackTColor(params.colourF1);
  s.F2 = UnpackTColor(params.colourF2);

  GrowFrom(s, seedIndex);
  for (int64_t k = 1; k < s.ListCount;) {
    ++k;
    GrowFrom(s, s.WorkList[size_t(k)]);
  }
}

}  // namespace molvane
