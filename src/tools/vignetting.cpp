// Vignetting correction: each dark corner rebuilt from the colours just outside a triangle.
#include "tools/vignetting.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

#include "colour/colour.h"
#include "colour/extended_math.h"
#include "colour/random.h"

namespace molvane {

namespace {

// Where a corner's pieces lie: the long edge's point t is
// (edgeX0 + t * edgeXStep, edgeY0 + t * edgeYStep); the samples step away
// from the corner by (awayX, awayY) along each axis.
struct CornerGeometry {
  int32_t edgeX0, edgeXStep, edgeY0, edgeYStep;
  int32_t awayX, awayY;
};

CornerGeometry Geometry(Corner corner, int32_t a, int32_t w, int32_t h) {
  switch (corner) {
    case Corner::TopLeft: return {0, 1, a, -1, 1, 1};
    case Corner::TopRight: return {w - a, 1, 0, 1, -1, 1};
    case Corner::BottomRight: return {w - a, 1, h - 1, -1, -1, -1};
    case Corner::BottomLeft: return {0, 1, h - 1 - a, 1, 1, -1};
  }
  return {};
}

// The target pixel of line i, position j.
inline void Target(Corner corner, int32_t i, int32_t j, int32_t w, int32_t h, int32_t& x,
                   int32_t& y) {
  switch (corner) {
    case Corner::TopLeft: x = j; y = i - j; return;
    case Corner::TopRight: x = w - i + j; y = j; return;
    case Corner::BottomRight: x = w - i + j; y = h - 1 - j; return;
    case Corner::BottomLeft: x = j; y = h - 1 - i + j; return;
  }
}

inline uint8_t Scaled(int32_t channel, long double k) {
  return uint8_t(RoundHalfEven(std::min((long double)channel * k, 255.0L)));
}

}  // namespace

void ClockSeededRandom::Reseed() {
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  Randomize(uint32_t(uint64_t(ticks)));
}

int32_t ClockSeededRandom::Draw(int32_t n) { return Random(n); }

int32_t CornerSize(Corner corner, ImagePoint point, int32_t width, int32_t height) {
  const int64_t px = point.x, py = point.y, w = width, h = height;
  int64_t a = 0;
  int64_t heightLimit = h - 2;
  switch (corner) {
    case Corner::TopLeft: a = std::max(px, py); heightLimit = h - 3; break;
    case Corner::TopRight: a = std::max(w - px, py); break;
    case Corner::BottomRight: a = std::max(w - px, h - py); break;
    case Corner::BottomLeft: a = std::max(px, h - py); heightLimit = h - 3; break;
  }
  a = std::min({a, w - 2, heightLimit});
  return a > 0 ? int32_t(a) : 0;
}

void CorrectCorner(Corner corner, ImagePoint point, const VignettingImages& images,
                   VignettingRandom& random) {
  const int32_t w = images.width, h = images.height;
  const int32_t a = CornerSize(corner, point, w, h);
  if (a <= 0) return;
  ExtendedPrecisionScope precision;

  const CornerGeometry g = Geometry(corner, a, w, h);
  std::vector<TRgbInts> edgeProfile(static_cast<size_t>(a));
  for (int32_t t = 0; t < a; ++t) {
    const int32_t rx = g.edgeX0 + t * g.edgeXStep;
    const int32_t ry = g.edgeY0 + t * g.edgeYStep;
    const TRgbInts s1 = UnpackPixelColor(PixelToColor(images.copy[ry * w + rx + g.awayX]));
    const TRgbInts s2 = UnpackPixelColor(PixelToColor(images.copy[(ry + g.awayY) * w + rx]));
    const TRgbInts s3 = UnpackPixelColor(PixelToColor(images.copy[ry * w + rx + 2 * g.awayX]));
    const TRgbInts s4 = UnpackPixelColor(PixelToColor(images.copy[(ry + 2 * g.awayY) * w + rx]));
    // The sum is exact; only the quarter is rounded, .5 to the even neighbour.
    edgeProfile[size_t(t)] = TRgbInts{
        int32_t(RoundHalfEven((long double)(s1.r + s2.r + s3.r + s4.r) / 4)),
        int32_t(RoundHalfEven((long double)(s1.g + s2.g + s3.g + s4.g) / 4)),
        int32_t(RoundHalfEven((long double)(s1.b + s2.b + s3.b + s4.b) / 4))};
  }

  // The factor k = (draw + 98) / 100 takes five values and a profile
  // channel 256 (a mean of bytes): every product is looked up, not formed
  // in extended precision at each pixel.
  uint8_t scaled[5][256];
  for (int32_t d = 0; d < 5; ++d)
    for (int32_t v = 0; v < 256; ++v) scaled[d][v] = Scaled(v, (long double)(d + 98) / 100);

  random.Reseed();
  for (int32_t i = a; i >= 1; --i) {
    // Line i runs diagonally from its first target, one column and one row a step.
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Target(corner, i, 0, w, h, x0, y0);
    Target(corner, i, 1, w, h, x1, y1);
    const ptrdiff_t step = ptrdiff_t(y1 - y0) * w + (x1 - x0);
    Pixel24* p = images.image + ptrdiff_t(y0) * w + x0;
    const TRgbInts* e = edgeProfile.data() + (a - i) / 2;
    for (int32_t j = 0; j < i; ++j, p += step) {
      const int32_t draw = random.Draw(5);
      if (draw >= 0 && draw < 5) {
        const uint8_t* byFactor = scaled[draw];
        *p = Pixel24{byFactor[e[j].b], byFactor[e[j].g], byFactor[e[j].r]};
      } else {  // a generator outside its range: the formula as it stands
        const long double k = (long double)(draw + 98) / 100;
        *p = Pixel24{Scaled(e[j].b, k), Scaled(e[j].g, k), Scaled(e[j].r, k)};
      }
    }
  }
}

void CorrectVignetting(const ImagePoint (&points)[4], const VignettingImages& images,
                       VignettingRandom& random) {
  CorrectCorner(Corner::TopLeft, points[0], images, random);
  CorrectCorner(Corner::TopRight, points[1], images, random);
  CorrectCorner(Corner::BottomRight, points[2], images, random);
  CorrectCorner(Corner::BottomLeft, points[3], images, random);
}

}  // namespace molvane
