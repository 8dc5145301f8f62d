// Vignetting: corner sizes, the rebuilt triangles against a geometric reference, and the dialog driven headless.
#include "tools/vignetting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "colour/extended_math.h"
#include "colour/random.h"
#include "counting_allocator.h"
#include "host_callback_recorder.h"
#include "dialog_kit/dialog_module.h"
#include "loaded_library.h"
#include "test_images.h"
#include "tools/vignetting_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::MakeImage;
using testing::PixelsOf;
using testing::SameBytes;

constexpr Corner kCorners[4] = {Corner::TopLeft, Corner::TopRight, Corner::BottomRight,
                                Corner::BottomLeft};

bool Same(Pixel24 a, Pixel24 b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

std::string Show(Pixel24 p) {
  return "(b " + std::to_string(p.b) + ", g " + std::to_string(p.g) + ", r " + std::to_string(p.r) + ")";
}

// Draws from a fixed cycle; counts the reseeds and draws.
class ScriptedRandom final : public VignettingRandom {
 public:
  explicit ScriptedRandom(std::vector<int32_t> cycle) : cycle_(std::move(cycle)) {}
  void Reseed() override { ++reseeds; }
  int32_t Draw(int32_t n) override {
    EXPECT_EQ(n, 5);
    ++draws;
    return cycle_[size_t(draws - 1) % cycle_.size()];
  }
  int reseeds = 0;
  int draws = 0;

 private:
  std::vector<int32_t> cycle_;
};

// Draw 2: k = 1.00, every target the profile colour itself.
ScriptedRandom UnitFactor() { return ScriptedRandom({2}); }

struct Image {
  int32_t w, h;
  std::vector<Pixel24> copy, out;
  Image(int32_t width, int32_t height, uint32_t seed)
      : w(width), h(height), copy(testing::RandomPixels(int64_t(width) * height, seed)), out(copy) {}
  VignettingImages Views() { return VignettingImages{copy.data(), out.data(), w, h}; }
  Pixel24& At(int32_t x, int32_t y) { return copy[size_t(y) * size_t(w) + size_t(x)]; }
  Pixel24 Out(int32_t x, int32_t y) const { return out[size_t(y) * size_t(w) + size_t(x)]; }
};

// --- the reference: each pixel on its own, from the geometry of the triangle ---

// Distances of (x, y) from the corner along each axis, as the coverage rules count them.
void AxisDistances(Corner c, int32_t x, int32_t y, int32_t w, int32_t h, int64_t& u, int64_t& v) {
  const bool left = c == Corner::TopLeft || c == Corner::BottomLeft;
  const bool top = c == Corner::TopLeft || c == Corner::TopRight;
  u = left ? x : int64_t(w) - x;
  v = top ? y : int64_t(h) - 1 - y;
}

bool Covered(Corner c, int32_t a, int32_t x, int32_t y, int32_t w, int32_t h) {
  int64_t u, v;
  AxisDistances(c, x, y, w, h, u, v);
  const bool left = c == Corner::TopLeft || c == Corner::BottomLeft;
  // Position j runs 0..i-1: the left-hand corners never reach their own
  // row (v >= 1), the right-hand ones never pass the right border (u >= 1).
  return u >= (left ? 0 : 1) && v >= (left ? 1 : 0) && u + v <= a;
}

// The long edge's point reached from a covered target by moving away from the
// corner a - (u + v) pixels: the left-hand corners give the smaller half to x,
// the right-hand ones to y.
void EdgePoint(Corner c, int32_t a, int32_t x, int32_t y, int32_t w, int32_t h, int32_t& ex,
               int32_t& ey) {
  int64_t u, v;
  AxisDistances(c, x, y, w, h, u, v);
  const int32_t d = a - int32_t(u + v), low = d / 2, high = d - d / 2;
  switch (c) {
    case Corner::TopLeft: ex = x + low; ey = y + high; break;
    case Corner::TopRight: ex = x - high; ey = y + low; break;
    case Corner::BottomRight: ex = x - high; ey = y - low; break;
    case Corner::BottomLeft: ex = x + low; ey = y - high; break;
  }
}

// Steps away from the corner for the samples beyond the edge.
void Away(Corner c, int32_t& ax, int32_t& ay) {
  ax = (c == Corner::TopLeft || c == Corner::BottomLeft) ? 1 : -1;
  ay = (c == Corner::TopLeft || c == Corner::TopRight) ? 1 : -1;
}

Pixel24 ProfileAt(const Image& im, Corner c, int32_t ex, int32_t ey) {
  int32_t ax, ay;
  Away(c, ax, ay);
  const Pixel24 s[4] = {im.copy[size_t(ey) * im.w + ex + ax], im.copy[size_t(ey + ay) * im.w + ex],
                        im.copy[size_t(ey) * im.w + ex + 2 * ax],
                        im.copy[size_t(ey + 2 * ay) * im.w + ex]};
  ExtendedPrecisionScope precision;
  auto mean = [&](auto channel) {
    int32_t sum = 0;
    for (const Pixel24& p : s) sum += channel(p);
    return uint8_t(RoundHalfEven((long double)sum / 4));
  };
  return Pixel24{mean([](Pixel24 p) { return p.b; }), mean([](Pixel24 p) { return p.g; }),
                 mean([](Pixel24 p) { return p.r; })};
}

// Every corner in turn with k = 1, pixel by pixel.
std::vector<Pixel24> Reference(const Image& im, const ImagePoint (&points)[4]) {
  std::vector<Pixel24> out = im.out;
  for (int n = 0; n < 4; ++n) {
    const int32_t a = CornerSize(kCorners[n], points[n], im.w, im.h);
    for (int32_t y = 0; y < im.h; ++y)
      for (int32_t x = 0; x < im.w; ++x)
        if (a > 0 && Covered(kCorners[n], a, x, y, im.w, im.h)) {
          int32_t ex = 0, ey = 0;
          EdgePoint(kCorners[n], a, x, y, im.w, im.h, ex, ey);
          out[size_t(y) * im.w + x] = ProfileAt(im, kCorners[n], ex, ey);
        }
  }
  return out;
}

// Every sample and target of corner size a lies inside the image.
bool FitsInside(Corner c, int32_t a, int32_t w, int32_t h) {
  int32_t ax, ay;
  Away(c, ax, ay);
  auto inside = [&](int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < w && y < h; };
  for (int32_t y = -a - 3; y < h + a + 3; ++y)
    for (int32_t x = -a - 3; x < w + a + 3; ++x) {
      if (!Covered(c, a, x, y, w, h)) continue;
      if (!inside(x, y)) return false;
      int32_t ex = 0, ey = 0;
      EdgePoint(c, a, x, y, w, h, ex, ey);
      if (!inside(ex + ax, ey) || !inside(ex + 2 * ax, ey) || !inside(ex, ey + ay) ||
          !inside(ex, ey + 2 * ay))
        return false;
    }
  return true;
}

// --- corner size ------------------------------------------------------------------

TEST(VignettingCornerSize, EachCornerMeasuresItsPointFromItsOwnCorner) {
  EXPECT_EQ(CornerSize(Corner::TopLeft, {10, 4}, 100, 80), 10);
  EXPECT_EQ(CornerSize(Corner::TopLeft, {3, 12}, 100, 80), 12);
  EXPECT_EQ(CornerSize(Corner::TopRight, {97, 1}, 100, 80), 3);
  EXPECT_EQ(CornerSize(Corner::TopRight, {99, 20}, 100, 80), 20);
  EXPECT_EQ(CornerSize(Corner::BottomRight, {90, 75}, 100, 80), 10);
  EXPECT_EQ(CornerSize(Corner::BottomLeft, {6, 71}, 100, 80), 9);
}

TEST(VignettingCornerSize, TheImagesOwnCornersAndPointsBehindThemGiveNothing) {
  EXPECT_EQ(CornerSize(Corner::TopLeft, {0, 0}, 50, 40), 0);
  EXPECT_EQ(CornerSize(Corner::TopRight, {50, 0}, 50, 40), 0);
  EXPECT_EQ(CornerSize(Corner::BottomRight, {50, 40}, 50, 40), 0);
  EXPECT_EQ(CornerSize(Corner::BottomLeft, {0, 40}, 50, 40), 0);
  EXPECT_EQ(CornerSize(Corner::TopLeft, {-5, -9}, 50, 40), 0);
  EXPECT_EQ(CornerSize(Corner::BottomRight, {70, 60}, 50, 40), 0);
}

// A point far along the longer side would reach outside: a stops at W - 2 and
// H - 3 (left) or H - 2 (right), and each limit is the largest size whose
// samples and targets all lie inside, checked pixel by pixel.
TEST(VignettingCornerSize, FarPointsAreLimitedToTheLargestTriangleInside) {
  EXPECT_EQ(CornerSize(Corner::TopLeft, {5, 30}, 100, 20), 17);
  EXPECT_EQ(CornerSize(Corner::BottomLeft, {5, -30}, 100, 20), 17);
  EXPECT_EQ(CornerSize(Corner::TopRight, {95, 30}, 100, 20), 18);
  EXPECT_EQ(CornerSize(Corner::BottomRight, {95, -30}, 100, 20), 18);
  EXPECT_EQ(CornerSize(Corner::TopLeft, {60, 5}, 20, 100), 18);
  EXPECT_EQ(CornerSize(Corner::TopRight, {-60, 5}, 20, 100), 18);
  const ImagePoint far[4] = {{1000, 1000}, {-1000, 1000}, {-1000, -1000}, {1000, -1000}};
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{
           {1, 1}, {2, 2}, {3, 3}, {3, 4}, {4, 3}, {5, 4}, {4, 5}, {12, 7}, {7, 12}, {1, 30}, {30, 1}}) {
    for (int n = 0; n < 4; ++n) {
      const int32_t a = CornerSize(kCorners[n], far[n], w, h);
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", corner " + std::to_string(n));
      if (a > 0) {
        EXPECT_TRUE(FitsInside(kCorners[n], a, w, h));
      }
      EXPECT_FALSE(FitsInside(kCorners[n], a + 1, w, h));
    }
  }
}

TEST(VignettingCornerSize, ExtremePointsDoNotOverflow) {
  EXPECT_EQ(CornerSize(Corner::TopRight, {INT32_MIN, 0}, 100, 80), 78);
  EXPECT_EQ(CornerSize(Corner::BottomRight, {INT32_MIN, INT32_MIN}, 100, 80), 78);
  EXPECT_EQ(CornerSize(Corner::BottomLeft, {INT32_MAX, INT32_MIN}, 100, 80), 77);
  EXPECT_EQ(CornerSize(Corner::TopLeft, {INT32_MAX, INT32_MAX}, 100, 80), 77);
  EXPECT_EQ(CornerSize(Corner::TopRight, {INT32_MAX, INT32_MIN}, 100, 80), 0);
}

// --- the rebuilt corner ------------------------------------------------------------

// PointHG = (10, 4): a = 10. The profile's first point is R(0) = (0, 10),
// sampled at (1, 10), (0, 11), (2, 10), (0, 12); red sums to 10 and green to
// 14, whose quarters 2.5 and 3.5 round to the even 2 and 4.
TEST(VignettingCorner, TopLeftWorkedExample) {
  Image im(20, 20, 1);
  im.At(1, 10) = Pixel24{0, 2, 1};
  im.At(0, 11) = Pixel24{4, 3, 2};
  im.At(2, 10) = Pixel24{8, 4, 3};
  im.At(0, 12) = Pixel24{0, 5, 4};
  im.out = im.copy;
  ScriptedRandom random = UnitFactor();
  CorrectCorner(Corner::TopLeft, {10, 4}, im.Views(), random);
  EXPECT_TRUE(Same(im.Out(0, 10), (Pixel24{3, 4, 2}))) << Show(im.Out(0, 10));
  // Line 7, position 3 takes profile entry (10 - 7) div 2 + 3 = 4, at R(4) = (4, 6).
  EXPECT_TRUE(Same(im.Out(3, 4), ProfileAt(im, Corner::TopLeft, 4, 6))) << Show(im.Out(3, 4));
  EXPECT_TRUE(Same(im.Out(0, 0), im.copy[0]));
  EXPECT_TRUE(Same(im.Out(5, 0), im.copy[5]));
  EXPECT_EQ(random.reseeds, 1);
  EXPECT_EQ(random.draws, 55);  // a (a + 1) / 2
}

// PointHD = (W - 3, 1): a = 3, exactly six pixels repainted, the corner pixel among them.
TEST(VignettingCorner, TopRightWorkedExampleRepaintsSixPixels) {
  Image im(9, 7, 2);
  std::fill(im.out.begin(), im.out.end(), Pixel24{1, 2, 3});  // no sample can look like this
  for (Pixel24& p : im.copy) p.b = uint8_t(100 + p.b % 100);
  const std::vector<Pixel24> before = im.out;
  ScriptedRandom random = UnitFactor();
  CorrectCorner(Corner::TopRight, {9 - 3, 1}, im.Views(), random);
  const std::vector<std::pair<int, int>> painted = {{8, 0}, {7, 0}, {8, 1}, {6, 0}, {7, 1}, {8, 2}};
  for (int32_t y = 0; y < im.h; ++y)
    for (int32_t x = 0; x < im.w; ++x) {
      const bool expected = std::find(painted.begin(), painted.end(), std::make_pair(x, y)) != painted.end();
      EXPECT_EQ(!Same(im.Out(x, y), before[size_t(y) * im.w + x]), expected) << x << ", " << y;
    }
}

// The draws are taken in loop order: line a first, each line from position 0.
// On a uniform image of 100 the five factors give 98 .. 102.
TEST(VignettingCorner, OneDrawPerPixelInLoopOrder) {
  Image im(8, 8, 3);
  std::fill(im.copy.begin(), im.copy.end(), Pixel24{100, 100, 100});
  ScriptedRandom random({0, 1, 2, 3, 4, 0});
  CorrectCorner(Corner::TopLeft, {3, 0}, im.Views(), random);
  const std::vector<std::pair<std::pair<int, int>, int>> order = {
      {{0, 3}, 98}, {{1, 2}, 99}, {{2, 1}, 100}, {{0, 2}, 101}, {{1, 1}, 102}, {{0, 1}, 98}};
  for (const auto& [at, value] : order) {
    const Pixel24 p = im.Out(at.first, at.second);
    EXPECT_TRUE(Same(p, (Pixel24{uint8_t(value), uint8_t(value), uint8_t(value)})))
        << at.first << ", " << at.second << ": " << Show(p);
  }
}

TEST(VignettingCorner, AWhiteProfileTimesTheHighestFactorStaysWhite) {
  Image im(8, 8, 4);
  std::fill(im.copy.begin(), im.copy.end(), Pixel24{255, 254, 250});
  ScriptedRandom random({4});  // k = 1.02
  CorrectCorner(Corner::BottomRight, {5, 5}, im.Views(), random);
  // 254 * 1.02 = 259.08 and 250 * 1.02 = 255: both 255.
  EXPECT_TRUE(Same(im.Out(7, 7), (Pixel24{255, 255, 255}))) << Show(im.Out(7, 7));
  ScriptedRandom low({0});  // k = 0.98: 250 * 0.98 = 245, 254 * 0.98 = 248.92
  CorrectCorner(Corner::BottomRight, {5, 5}, im.Views(), low);
  EXPECT_TRUE(Same(im.Out(7, 7), (Pixel24{250, 249, 245}))) << Show(im.Out(7, 7));
}

// All four corners, k = 1, on random images of awkward sizes and with points
// near, far and beyond: every pixel as the geometric reference has it, the
// padding around both buffers untouched.
TEST(VignettingCorner, FourCornersMatchTheReferenceAtEverySize) {
  const std::vector<std::pair<int32_t, int32_t>> sizes = {
      {1, 1}, {2, 2}, {3, 3}, {3, 4}, {4, 3}, {1, 9}, {9, 1}, {5, 5}, {17, 6}, {6, 17}, {31, 23}};
  uint32_t seed = 10;
  for (const auto& [w, h] : sizes) {
    const std::vector<std::array<ImagePoint, 4>> pointSets = {
        {{{0, 0}, {w, 0}, {w, h}, {0, h}}},
        {{{1, 1}, {w - 1, 1}, {w - 1, h - 1}, {1, h - 1}}},
        {{{w / 3, h / 2}, {w - w / 2, h / 3}, {w - w / 4, h - h / 2}, {w / 2, h - h / 4}}},
        {{{w, h}, {0, h}, {0, 0}, {w, 0}}},
        {{{-4, 2 * h}, {3 * w, -1}, {-2 * w, 3}, {w + 5, -h}}}};
    for (const auto& set : pointSets) {
      const ImagePoint points[4] = {set[0], set[1], set[2], set[3]};
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", TL (" +
                   std::to_string(points[0].x) + ", " + std::to_string(points[0].y) + ")");
      Image im(w, h, seed++);
      im.out = testing::RandomPixels(int64_t(w) * h, seed++);
      const std::vector<Pixel24> expected = Reference(im, points);
      // The buffers inside larger blocks whose margins must stay as they are.
      constexpr size_t kPad = 64;
      const std::vector<Pixel24> fence = testing::RandomPixels(kPad, 99);
      std::vector<Pixel24> copyBlock(fence), outBlock(fence);
      copyBlock.insert(copyBlock.end(), im.copy.begin(), im.copy.end());
      outBlock.insert(outBlock.end(), im.out.begin(), im.out.end());
      copyBlock.insert(copyBlock.end(), fence.begin(), fence.end());
      outBlock.insert(outBlock.end(), fence.begin(), fence.end());
      ScriptedRandom random = UnitFactor();
      CorrectVignetting(points, VignettingImages{copyBlock.data() + kPad, outBlock.data() + kPad, w, h},
                        random);
      const std::vector<Pixel24> got(outBlock.begin() + kPad, outBlock.end() - kPad);
      ASSERT_EQ(got.size(), expected.size());
      for (size_t i = 0; i < got.size(); ++i)
        ASSERT_TRUE(Same(got[i], expected[i]))
            << "pixel (" << i % w << ", " << i / w << "): " << Show(got[i]) << " expected "
            << Show(expected[i]);
      for (size_t i = 0; i < kPad; ++i) {
        ASSERT_TRUE(Same(outBlock[i], fence[i]));
        ASSERT_TRUE(Same(outBlock[kPad + got.size() + i], fence[i]));
      }
      ASSERT_EQ(std::memcmp(copyBlock.data() + kPad, im.copy.data(), im.copy.size() * 3), 0)
          << "the copy is only read";
    }
  }
}

// Top-left and top-right meet on a narrow image: the shared pixels take the
// top-right corner's colours, which the first corner's alone would not give.
TEST(VignettingCorner, TheLaterCornerWinsWhereTrianglesOverlap) {
  Image im(8, 30, 5);
  const ImagePoint points[4] = {{6, 0}, {2, 0}, {8, 30}, {0, 30}};
  ScriptedRandom random = UnitFactor();
  CorrectVignetting(points, im.Views(), random);
  int shared = 0;
  for (int32_t y = 0; y < im.h; ++y)
    for (int32_t x = 0; x < im.w; ++x) {
      if (!Covered(Corner::TopLeft, 6, x, y, im.w, im.h) ||
          !Covered(Corner::TopRight, 6, x, y, im.w, im.h))
        continue;
      ++shared;
      int32_t ex = 0, ey = 0;
      EdgePoint(Corner::TopRight, 6, x, y, im.w, im.h, ex, ey);
      EXPECT_TRUE(Same(im.Out(x, y), ProfileAt(im, Corner::TopRight, ex, ey))) << x << ", " << y;
      EdgePoint(Corner::TopLeft, 6, x, y, im.w, im.h, ex, ey);
      EXPECT_FALSE(Same(im.Out(x, y), ProfileAt(im, Corner::TopLeft, ex, ey))) << x << ", " << y;
    }
  EXPECT_GT(shared, 3);
}

TEST(VignettingCorner, EachRebuiltCornerReseedsOnce) {
  Image im(40, 30, 6);
  const ImagePoint points[4] = {{5, 2}, {40, 0}, {33, 27}, {4, 26}};  // top-right at its default
  ScriptedRandom random = UnitFactor();
  CorrectVignetting(points, im.Views(), random);
  EXPECT_EQ(random.reseeds, 3);
  EXPECT_EQ(random.draws, 15 + 28 + 10);
}

// The plug-in's generator: each factor 0.98 .. 1.02 appears, and no other.
TEST(VignettingCorner, TheClockSeededGeneratorVariesWithinTwoPercent) {
  Image im(60, 60, 7);
  std::fill(im.copy.begin(), im.copy.end(), Pixel24{100, 150, 200});
  ClockSeededRandom random;
  CorrectCorner(Corner::TopLeft, {50, 0}, im.Views(), random);
  std::vector<int> seen(5, 0);
  for (int32_t y = 1; y < 50; ++y)
    for (int32_t x = 0; x + y <= 50; ++x) {
      const Pixel24 p = im.Out(x, y);
      ASSERT_GE(p.b, 98);
      ASSERT_LE(p.b, 102);
      const int k = p.b - 98;
      ExtendedPrecisionScope precision;
      const long double factor = (long double)(k + 98) / 100;
      EXPECT_EQ(p.g, uint8_t(RoundHalfEven(150 * factor)));
      EXPECT_EQ(p.r, uint8_t(RoundHalfEven(200 * factor)));
      ++seen[size_t(k)];
    }
  for (int k = 0; k < 5; ++k) EXPECT_GT(seen[size_t(k)], 100) << "factor " << k + 98;
}

// --- the dialog, headless ------------------------------------------------------------

// Pixels outside the corners' triangles as they were; inside, the profile
// colour times a factor of 0.98 .. 1.02.
void ExpectCorrected(const std::vector<Pixel24>& original, const std::vector<Pixel24>& got,
                     int32_t w, int32_t h, const ImagePoint (&points)[4]) {
  Image im(w, h, 0);
  im.copy = original;
  im.out = original;
  std::vector<int32_t> owner(original.size(), -1);
  for (int n = 0; n < 4; ++n) {
    const int32_t a = CornerSize(kCorners[n], points[n], w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (a > 0 && Covered(kCorners[n], a, x, y, w, h)) owner[size_t(y) * w + x] = n;
  }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * w + x;
      if (owner[i] < 0) {
        ASSERT_TRUE(Same(got[i], original[i])) << "untouched (" << x << ", " << y << ")";
        continue;
      }
      const Corner c = kCorners[owner[i]];
      int32_t ex = 0, ey = 0;
      EdgePoint(c, CornerSize(c, points[owner[i]], w, h), x, y, w, h, ex, ey);
      const Pixel24 e = ProfileAt(im, c, ex, ey);
      auto within = [](int32_t value, int32_t channel) {
        return value >= int32_t(channel * 98 / 100) && value <= std::min(255, channel * 102 / 100 + 1);
      };
      ASSERT_TRUE(within(got[i].b, e.b) && within(got[i].g, e.g) && within(got[i].r, e.r))
          << "(" << x << ", " << y << "): " << Show(got[i]) << " from " << Show(e);
    }
}

struct FinalCallInfo {
  int liveBlocks = -1;
};
FinalCallInfo& FinalCall() {
  static FinalCallInfo info;
  return info;
}

// Records every call and, at the final one, how many blocks are still live.
void MOLVANE_STDCALL CountingHost(int32_t userValue, int32_t width, int32_t height, int32_t r1,
                                  int32_t r2, int32_t actionCode, intptr_t actionData,
                                  int32_t applied, int32_t finished) {
  testing::RecordHostCall(userValue, width, height, r1, r2, actionCode, actionData, applied,
                          finished);
  if (finished) FinalCall().liveBlocks = testing::Counts().Live();
}

class VignettingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TCorrVignetage>::Initialize();
    HostCalls().clear();
    FinalCall() = FinalCallInfo{};
    RegisterHostCallback(CountingHost, 0x7E57);
  }
  void TearDown() override {
    RegisterHostCallback(nullptr, 0);
    if (D().Showing()) D().AnnulerClick(nullptr);
    DialogModule<TCorrVignetage>::Finalize();
  }
  static TCorrVignetage& D() { return TheDialog<TCorrVignetage>(); }
  static void Open(const TPtsImg& image, int32_t w, int32_t h) {
    ApplyFlag() = 0;
    D().Open(ImageRun(image, {w, h}));
  }
  static void Continue(ImagePoint point, const TPtsImg& image) {
    ApplyFlag() = 0;
    D().Continue(PhaseOneCall{point, TPtsImg(), image, {0, 0}, nullptr});
  }
  // A user's click on a marker, then the picked point.
  static void Pick(ui::CheckBox& marker, ImagePoint point, const TPtsImg& image) {
    marker.Click();
    Continue(point, image);
  }
  static void ExpectCall(size_t index, int32_t w, int32_t h, int32_t actionCode, int32_t applied,
                         int32_t finished) {
    ASSERT_LT(index, HostCalls().size());
    const testing::HostCall& c = HostCalls()[index];
    EXPECT_EQ(c.userValue, 0x7E57);
    EXPECT_EQ(c.width, w);
    EXPECT_EQ(c.height, h);
    EXPECT_EQ(c.reserved1, 0);
    EXPECT_EQ(c.reserved2, 0);
    EXPECT_EQ(c.actionCode, actionCode);
    EXPECT_EQ(c.actionData, 0);
    EXPECT_EQ(c.applied & 0xFF, applied);
    EXPECT_EQ(c.finished, finished);
    EXPECT_EQ(c.cursor, ScreenCursor::Default);
  }
};

TEST_F(VignettingDialog, OpenAsksForPointsAndWaitsOnTop) {
  TPtsImg image = MakeImage(testing::RandomPixels(40 * 30, 20));
  Open(image, 40, 30);
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(0, 40, 30, 1, 0, 0);
  EXPECT_TRUE(D().Showing());
  EXPECT_FALSE(D().Modal());
  EXPECT_TRUE(D().StayOnTop());
  EXPECT_EQ(D().Caption(), "Correction de vignetage");
  EXPECT_EQ(D().ClientWidth(), 296);
  EXPECT_EQ(D().ClientHeight(), 176);
  EXPECT_EQ(image.RefCount(), 2) << "the dialog keeps the host's buffer";

  EXPECT_EQ(D().ReInit.Caption(), "R\xE9initialiser");
  EXPECT_EQ(D().Annuler.Caption(), "Annuler");
  EXPECT_EQ(D().Appliquer.Caption(), "Appliquer");
  EXPECT_TRUE(D().Annuler.IsCancel());
  EXPECT_TRUE(D().Appliquer.IsDefault());
  for (const ui::CheckBox* m : {&D().PosHG, &D().PosHD, &D().PosBD, &D().PosBG}) {
    EXPECT_EQ(m->Caption(), "");
    EXPECT_FALSE(m->Checked());
    EXPECT_TRUE(m->Visible());
  }
  EXPECT_TRUE(D().Fond.Stretch());
  ASSERT_EQ(D().Fond.Bitmap().Width(), 168);
  ASSERT_EQ(D().Fond.Bitmap().Height(), 112);
  const Pixel24 centre = D().Fond.Bitmap().ScanLine(56)[84];
  const Pixel24 corner = D().Fond.Bitmap().ScanLine(0)[0];
  EXPECT_GT(centre.b, centre.r) << "light blue";
  EXPECT_LT(corner.b + corner.g + corner.r, centre.b + centre.g + centre.r) << "darker corners";
  EXPECT_EQ(D().Timer.Interval(), 200);
  EXPECT_FALSE(D().Timer.Running());
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  const ImagePoint defaults[4] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(D().Points()[n].x, defaults[n].x);
    EXPECT_EQ(D().Points()[n].y, defaults[n].y);
  }
}

// A click arms a marker and starts its blinking; a tick hides it, the next
// shows it; a marker ticked by the user's click is unticked by the first tick
// without that untick arming anything.
TEST_F(VignettingDialog, MarkersBlinkThroughTimerTicks) {
  TPtsImg image = MakeImage(testing::RandomPixels(40 * 30, 22));
  Open(image, 40, 30);
  D().PosHD.Click();
  EXPECT_EQ(D().ArmedMarker(), &D().PosHD);
  EXPECT_TRUE(D().Timer.Running());
  EXPECT_TRUE(D().PosHD.Checked()) << "the user's click ticked it";
  D().Timer.Tick();
  EXPECT_FALSE(D().PosHD.Visible());
  EXPECT_FALSE(D().PosHD.Checked());
  EXPECT_EQ(D().ArmedMarker(), &D().PosHD);
  D().Timer.Tick();
  EXPECT_TRUE(D().PosHD.Visible());
  D().Timer.Tick();
  EXPECT_FALSE(D().PosHD.Visible());
  // Another marker armed while the first is hidden: the first shows again.
  D().PosBG.Click();
  EXPECT_EQ(D().ArmedMarker(), &D().PosBG);
  D().Timer.Tick();
  EXPECT_TRUE(D().PosHD.Visible());
  EXPECT_FALSE(D().PosBG.Visible());
  EXPECT_FALSE(D().PosBG.Checked());
  EXPECT_FALSE(D().PosHD.Checked());
  EXPECT_EQ(HostCalls().size(), 1u) << "blinking tells the host nothing";
}

TEST_F(VignettingDialog, APickedPointGoesToTheArmedMarkerOnly) {
  TPtsImg image = MakeImage(testing::RandomPixels(40 * 30, 23));
  Open(image, 40, 30);
  Continue({7, 7}, image);  // nothing armed
  EXPECT_EQ(D().Points()[0].x, 0);
  EXPECT_EQ(D().Points()[0].y, 0);
  D().PosBD.Click();
  D().Timer.Tick();  // hidden and unticked mid-blink
  Continue({31, 22}, image);
  EXPECT_TRUE(D().PosBD.Checked());
  EXPECT_TRUE(D().PosBD.Visible());
  EXPECT_FALSE(D().Timer.Running());
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  EXPECT_EQ(D().Points()[2].x, 31);
  EXPECT_EQ(D().Points()[2].y, 22);
  Continue({3, 3}, image);  // no longer armed
  EXPECT_EQ(D().Points()[2].x, 31);
  EXPECT_EQ(D().Points()[0].x, 0);
  EXPECT_EQ(HostCalls().size(), 1u) << "three corners still unset: nothing computed";
  EXPECT_TRUE(SameBytes(PixelsOf(image), PixelsOf(image.Copy())));
}

// The fourth point computes at once; each later click recomputes into the
// buffer it carries, the earlier buffer released.
TEST_F(VignettingDialog, TheFourthPointCorrectsAndLaterClicksRecomputeIntoTheirBuffer) {
  const int32_t w = 40, h = 30;
  const std::vector<Pixel24> original = testing::RandomPixels(w * h, 24);
  TPtsImg image = MakeImage(original);
  Open(image, w, h);
  const ImagePoint points[4] = {{6, 3}, {33, 9}, {35, 26}, {2, 21}};
  Pick(D().PosHG, points[0], image);
  Pick(D().PosHD, points[1], image);
  Pick(D().PosBD, points[2], image);
  EXPECT_TRUE(SameBytes(PixelsOf(image), original));
  Pick(D().PosBG, points[3], image);
  ASSERT_EQ(HostCalls().size(), 2u);
  ExpectCall(1, w, h, 0, 1, 0);
  EXPECT_EQ(ApplyFlag(), 1);
  ExpectCorrected(original, PixelsOf(image), w, h, points);
  EXPECT_FALSE(SameBytes(PixelsOf(image), original));
  EXPECT_EQ(CurrentScreenCursor(), ScreenCursor::Default);

  // The host's current buffer, as it sends it with the next click.
  TPtsImg current = MakeImage(original);
  const std::vector<Pixel24> firstResult = PixelsOf(image);
  Continue({20, 15}, current);
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(2, w, h, 0, 1, 0);
  ExpectCorrected(original, PixelsOf(current), w, h, points);
  EXPECT_TRUE(SameBytes(PixelsOf(image), firstResult)) << "the earlier buffer is no longer written";
  EXPECT_EQ(image.RefCount(), 1);
  EXPECT_EQ(current.RefCount(), 2);
}

// A Pixels2 of another size, or none, would be written out of bounds: the
// point still counts, and the buffer already held is the one corrected.
TEST_F(VignettingDialog, ABufferOfAnotherSizeIsNotTakenAsTheHostImage) {
  const int32_t w = 20, h = 16;
  const std::vector<Pixel24> original = testing::RandomPixels(w * h, 25);
  TPtsImg image = MakeImage(original);
  TPtsImg small = MakeImage(testing::RandomPixels(10, 26));
  const std::vector<Pixel24> smallBefore = PixelsOf(small);
  Open(image, w, h);
  const ImagePoint points[4] = {{4, 4}, {16, 3}, {15, 12}, {5, 13}};
  Pick(D().PosHG, points[0], small);
  Pick(D().PosHD, points[1], TPtsImg());
  Pick(D().PosBD, points[2], small);
  Pick(D().PosBG, points[3], small);
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_TRUE(SameBytes(PixelsOf(small), smallBefore));
  EXPECT_EQ(small.RefCount(), 1);
  ExpectCorrected(original, PixelsOf(image), w, h, points);
}

TEST_F(VignettingDialog, ReinitialiserRestoresTheImageAndTheDefaults) {
  const int32_t w = 30, h = 20;
  const std::vector<Pixel24> original = testing::RandomPixels(w * h, 27);
  TPtsImg image = MakeImage(original);
  Open(image, w, h);
  Pick(D().PosHG, {5, 5}, image);
  Pick(D().PosHD, {25, 4}, image);
  Pick(D().PosBD, {24, 15}, image);
  Pick(D().PosBG, {4, 16}, image);
  ASSERT_FALSE(SameBytes(PixelsOf(image), original));
  D().PosHD.Click();  // re-armed, blinking, when the user resets
  D().ReInit.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(image), original));
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(2, w, h, 0, 0, 0);
  EXPECT_EQ(ApplyFlag(), 0);
  for (const ui::CheckBox* m : {&D().PosHG, &D().PosHD, &D().PosBD, &D().PosBG}) {
    EXPECT_FALSE(m->Checked()) << m->Name();
    EXPECT_TRUE(m->Visible()) << m->Name();
  }
  EXPECT_EQ(D().ArmedMarker(), nullptr) << "unticking by the program arms no corner";
  EXPECT_FALSE(D().Timer.Running());
  EXPECT_EQ(D().Points()[1].x, w);
  EXPECT_EQ(D().Points()[1].y, 0);
  Continue({9, 9}, image);
  EXPECT_EQ(D().Points()[0].x, 0) << "no corner takes a point until one is armed";
  EXPECT_TRUE(D().Showing());
  // The user's clicks still count after the reset.
  D().PosHG.Click();
  EXPECT_EQ(D().ArmedMarker(), &D().PosHG);
}

TEST_F(VignettingDialog, AppliquerWithDefaultPointsChangesNothingButReportsApplied) {
  testing::CountingAllocatorScope counting;
  const std::vector<Pixel24> original = testing::RandomPixels(12 * 9, 28);
  TPtsImg image = MakeImage(original);
  Open(image, 12, 9);
  D().Appliquer.Click();
  EXPECT_FALSE(D().Showing());
  EXPECT_TRUE(SameBytes(PixelsOf(image), original));
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(1, 12, 9, 0, 1, 0);
  ExpectCall(2, 12, 9, 0, 1, 1);
  EXPECT_EQ(FinalCall().liveBlocks, 1) << "the backup is released before the final call";
  EXPECT_EQ(image.RefCount(), 2) << "the host's buffer stays referenced until the next Open";
}

// Two corners picked: those two corrected, the others untouched; a re-armed
// marker that got no new point keeps its last one.
TEST_F(VignettingDialog, AppliquerComputesWithTheCornersAsTheyStand) {
  const int32_t w = 30, h = 24;
  const std::vector<Pixel24> original = testing::RandomPixels(w * h, 29);
  TPtsImg image = MakeImage(original);
  Open(image, w, h);
  Pick(D().PosHG, {6, 2}, image);
  Pick(D().PosBD, {26, 18}, image);
  D().PosHG.Click();  // unticked and armed again, never given a point
  D().Timer.Tick();
  D().Appliquer.Click();
  const ImagePoint points[4] = {{6, 2}, {w, 0}, {26, 18}, {0, h}};
  ExpectCorrected(original, PixelsOf(image), w, h, points);
  EXPECT_FALSE(SameBytes(PixelsOf(image), original));
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(1, w, h, 0, 1, 0);
  ExpectCall(2, w, h, 0, 1, 1);
  EXPECT_FALSE(D().Timer.Running());
}

TEST_F(VignettingDialog, AppliquerAfterTheFourthPointKeepsTheCorrectionInPlace) {
  const int32_t w = 30, h = 24;
  TPtsImg image = MakeImage(testing::RandomPixels(w * h, 30));
  Open(image, w, h);
  Pick(D().PosHG, {6, 2}, image);
  Pick(D().PosHD, {25, 3}, image);
  Pick(D().PosBD, {26, 18}, image);
  Pick(D().PosBG, {3, 20}, image);
  const std::vector<Pixel24> corrected = PixelsOf(image);
  D().Appliquer.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(image), corrected)) << "no new random variation";
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(2, w, h, 0, 1, 1);
}

TEST_F(VignettingDialog, AnnulerReportsNotAppliedAndLeavesThePixels) {
  testing::CountingAllocatorScope counting;
  const int32_t w = 20, h = 16;
  TPtsImg image = MakeImage(testing::RandomPixels(w * h, 31));
  Open(image, w, h);
  Pick(D().PosHG, {4, 4}, image);
  Pick(D().PosHD, {16, 3}, image);
  Pick(D().PosBD, {15, 12}, image);
  Pick(D().PosBG, {5, 13}, image);
  const std::vector<Pixel24> corrected = PixelsOf(image);
  D().Annuler.Click();
  EXPECT_FALSE(D().Showing());
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(2, w, h, 0, 0, 1);
  EXPECT_EQ(FinalCall().liveBlocks, 1);
  EXPECT_TRUE(SameBytes(PixelsOf(image), corrected)) << "the host restores, not the tool";
  Continue({1, 1}, image);  // a click forwarded after the run ended
  EXPECT_EQ(HostCalls().size(), 3u);
}

TEST_F(VignettingDialog, OpeningAgainStartsFromTheDefaultsWithTheNewImage) {
  TPtsImg first = MakeImage(testing::RandomPixels(20 * 16, 32));
  Open(first, 20, 16);
  Pick(D().PosHG, {4, 4}, first);
  D().PosBD.Click();
  D().Annuler.Click();
  const std::vector<Pixel24> second = testing::RandomPixels(10 * 8, 33);
  TPtsImg image = MakeImage(second);
  Open(image, 10, 8);
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_FALSE(D().PosHG.Checked());
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  EXPECT_EQ(D().Points()[2].x, 10);
  EXPECT_EQ(D().Points()[2].y, 8);
  EXPECT_EQ(ApplyFlag(), 0);
  D().ReInit.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(image), second));
}

// --- through XchgData ------------------------------------------------------------------

class VignettingThroughExports : public testing::LoadedLibrary {
 protected:
  void TearDown() override {
    if (TheDialog<TCorrVignetage>().Showing()) TheDialog<TCorrVignetage>().AnnulerClick(nullptr);
    LoadedLibrary::TearDown();
  }
  static void Run(int32_t phase, int32_t x, int32_t y, const TPtsImg& pixels, const TPtsImg& pixels2,
                  int32_t w, int32_t h) {
    XchgData(MOLVANE_TOOL_VIGNETTING, 0, 0, x, y, w, h, phase, 0, pixels.Handle(), pixels2.Handle(), "image", 0);
  }
};

// Without a pixel there is no corner to work from: refused, with the one
// final callback every refusal makes.
TEST_F(VignettingThroughExports, ImagesWithoutPixelsAreRefused) {
  TPtsImg image = MakeImage(testing::RandomPixels(12, 21));
  Run(0, 0, 0, image, TPtsImg(), 0, 12);
  Run(0, 0, 0, image, TPtsImg(), 12, 0);
  ASSERT_EQ(HostCalls().size(), 2u);
  for (const testing::HostCall& call : HostCalls()) {
    EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
    EXPECT_EQ(call.applied, 0);
    EXPECT_EQ(call.finished, 1);
  }
  EXPECT_FALSE(TheDialog<TCorrVignetage>().Showing());
  EXPECT_EQ(image.RefCount(), 1);
}

TEST_F(VignettingThroughExports, PhaseZeroOpensPhaseOneTakesPointXYAndPixels2) {
  const int32_t w = 20, h = 16;
  const std::vector<Pixel24> original = testing::RandomPixels(w * h, 34);
  TPtsImg image = MakeImage(original), unused = MakeImage(testing::RandomPixels(w * h, 35));
  const std::vector<Pixel24> unusedBefore = PixelsOf(unused);
  Run(2, 0, 0, image, TPtsImg(), w, h);
  EXPECT_FALSE(TheDialog<TCorrVignetage>().Showing());
  Run(0, 0, 0, image, TPtsImg(), w, h);
  ASSERT_TRUE(TheDialog<TCorrVignetage>().Showing());
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].actionCode, MOLVANE_ACTION_ASK_CLICKS);
  EXPECT_EQ(image.RefCount(), 2);
  const ImagePoint points[4] = {{4, 4}, {16, 3}, {15, 12}, {5, 13}};
  ui::CheckBox* markers[4] = {&TheDialog<TCorrVignetage>().PosHG, &TheDialog<TCorrVignetage>().PosHD,
                              &TheDialog<TCorrVignetage>().PosBD, &TheDialog<TCorrVignetage>().PosBG};
  for (int n = 0; n < 4; ++n) {
    markers[n]->Click();
    Run(1, points[n].x, points[n].y, unused, image, w, h);
    EXPECT_EQ(TheDialog<TCorrVignetage>().Points()[n].x, points[n].x);
    EXPECT_EQ(TheDialog<TCorrVignetage>().Points()[n].y, points[n].y);
  }
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[1].applied, 1);
  ExpectCorrected(original, PixelsOf(image), w, h, points);
  EXPECT_TRUE(SameBytes(PixelsOf(unused), unusedBefore)) << "Pixels is not used in phase 1";
  EXPECT_EQ(unused.RefCount(), 1);
  EXPECT_EQ(image.RefCount(), 2);
}

}  // namespace
}  // namespace molvane
