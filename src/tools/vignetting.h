// Vignetting correction: each dark corner rebuilt from the colours just outside a triangle.
#pragma once

#include <cstdint>

#include "boundary/image_size.h"
#include "colour/pixel.h"

namespace molvane {

enum class Corner { TopLeft, TopRight, BottomRight, BottomLeft };

// The two images of a correction, both W * H pixels, row after row: every
// colour is read from `copy`, every result written into `image`.
struct VignettingImages {
  const Pixel24* copy;
  Pixel24* image;
  int32_t width;
  int32_t height;
};

// The draws of one correction. Reseed runs once per corner, before that
// corner's first draw; Draw(n) gives an integer 0..n - 1.
class VignettingRandom {
 public:
  virtual ~VignettingRandom() = default;
  virtual void Reseed() = 0;
  virtual int32_t Draw(int32_t n) = 0;
};

// The plug-in's generator (Random), seeded from the clock at each corner.
class ClockSeededRandom final : public VignettingRandom {
 public:
  void Reseed() override;
  int32_t Draw(int32_t n) override;
};

// Corner size a for `point`: top-left max(px, py), top-right max(W - px, py),
// bottom-right max(W - px, H - py), bottom-left max(px, H - py), computed
// without overflow. Then limited to the largest size whose samples and
// targets all lie inside the image: W - 2 and H - 3 for the left-hand
// corners, W - 2 and H - 2 for the right-hand ones. 0 or less: no change.
int32_t CornerSize(Corner corner, ImagePoint point, int32_t width, int32_t height);

// Rebuilds one corner. With a = CornerSize, for t = 0..a-1 the edge profile
// p[t] is, per channel, Round((s1 + s2 + s3 + s4) / 4) (extended, half to
// even) of the four samples of `copy` one and two pixels beyond the point t of the
// triangle's long edge, away from the corner along each axis. Then, after one
// Reseed, for i = a down to 1 and j = 0..i-1 (one Draw(5) per pixel in this
// order, k = (Draw + 98) / 100 in extended precision), the pixel at position
// j of line i gets, per channel, Round(min(e * k, 255)) (half to even) of
// e = p[(a - i) div 2 + j]. Top-left covers 1 <= x + y <= a with
// y >= 1; top-right 1 <= (W - x) + y <= a; bottom-right
// 1 <= (W - x) + (H - 1 - y) <= a; bottom-left 1 <= x + (H - 1 - y) <= a with
// y <= H - 2. No pixel outside the triangle is touched, none outside the
// image read or written. Runs in the plug-in's extended-precision set-up.
void CorrectCorner(Corner corner, ImagePoint point, const VignettingImages& images,
                   VignettingRandom& random);

// The four corners in the order top-left, top-right, bottom-right,
// bottom-left (where triangles overlap the later one wins). `points` in that
// order.
void CorrectVignetting(const ImagePoint (&points)[4], const VignettingImages& images,
                       VignettingRandom& random);

}  // namespace molvane
