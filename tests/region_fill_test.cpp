// The region fill engine against hand-computed pixels and its degenerate inputs.
#include "tools/region_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "colour/random.h"
#include "platform/row_pool.h"
#include "tools/region_fill_mask.h"

namespace molvane {
namespace {

constexpr Pixel24 kBlack{0, 0, 0};

struct Image {
  int32_t width;
  int32_t height;
  std::vector<Pixel24> pixels;
  Image(int32_t w, int32_t h, Pixel24 fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  Pixel24& at(int32_t x, int32_t y) { return pixels[size_t(y) * width + x]; }
};

Pixel24 Grey(uint8_t v) { return Pixel24{v, v, v}; }
TColor Rgb(int r, int g, int b) { return TColor(r) | TColor(g) << 8 | TColor(b) << 16; }

bool Same(Pixel24 a, Pixel24 b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

FillParams Plain(ImagePoint seed) {
  FillParams p{};
  p.seedPoint = seed;
  p.pointF1 = {0, 0};
  p.pointF2 = {0, 0};
  p.colourF1 = Rgb(10, 20, 30);
  p.colourF2 = Rgb(10, 20, 30);
  p.tolerance = 10;
  p.transparency = 0;
  p.noiseAmplitude = 0;
  p.lightnessFactor = 1;
  return p;
}

// Fills a copy of `source` (or of `destination` when given) and returns it.
std::vector<Pixel24> Fill(const Image& source, const FillParams& p, const std::vector<Pixel24>* destination = nullptr) {
  std::vector<Pixel24> out = destination ? *destination : source.pixels;
  FillRegion(source.pixels.data(), out.data(), source.width, source.height, p);
  return out;
}

size_t CountChanged(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += Same(a[i], b[i]) ? 0 : 1;
  return n;
}

TEST(RegionFillNothingPainted, ToleranceZeroOrLessLeavesTheImage) {
  Image img(5, 4, Grey(90));
  for (long double tol : {0.0L, -3.0L}) {
    FillParams p = Plain({2, 2});
    p.tolerance = tol;
    EXPECT_EQ(CountChanged(Fill(img, p), img.pixels), 0u) << double(tol);
  }
}

TEST(RegionFillNothingPainted, IsolatedSeedStaysUnpaintedItself) {
  // Each neighbour differs by exactly the tolerance in one channel: the strict test fails.
  Image img(3, 3, Grey(0));
  img.at(1, 1) = Grey(100);
  img.at(2, 1) = Pixel24{100, 100, 110};
  img.at(0, 1) = Pixel24{100, 90, 100};
  img.at(1, 2) = Pixel24{110, 100, 100};
  img.at(1, 0) = Pixel24{100, 100, 90};
  FillParams p = Plain({1, 1});
  p.tolerance = 10;
  EXPECT_EQ(CountChanged(Fill(img, p), img.pixels), 0u);
  // A hair more tolerance lets all four in, and the seed with them.
  p.tolerance = 10.0001L;
  EXPECT_EQ(CountChanged(Fill(img, p), img.pixels), 5u);
}

TEST(RegionFillNothingPainted, SeedOutsideTheImageOrEmptySize) {
  Image img(4, 3, Grey(50));
  for (ImagePoint seed : {ImagePoint{-1, 0}, ImagePoint{4, 0}, ImagePoint{0, -1}, ImagePoint{0, 3},
                         ImagePoint{INT32_MIN, INT32_MAX}}) {
    EXPECT_EQ(CountChanged(Fill(img, Plain(seed)), img.pixels), 0u) << seed.x << "," << seed.y;
  }
  // A zero or negative size touches neither buffer.
  std::vector<Pixel24> one(1, Grey(50));
  for (auto [w, h] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{-2, -2}}) {
    FillRegion(one.data(), one.data(), w, h, Plain({0, 0}));
    EXPECT_TRUE(Same(one[0], Grey(50)));
  }
  // 1 x 1: the seed has no neighbour, so even it stays.
  Image single(1, 1, Grey(50));
  EXPECT_EQ(CountChanged(Fill(single, Plain({0, 0})), single.pixels), 0u);
}

TEST(RegionFillRegion, UniformImageIsPaintedWholeSourceUntouched) {
  for (auto [w, h] : {std::pair{2, 1}, std::pair{1, 7}, std::pair{7, 1}, std::pair{2, 2}, std::pair{13, 9}}) {
    Image img(w, h, Grey(77));
    const std::vector<Pixel24> before = img.pixels;
    std::vector<Pixel24> out = Fill(img, Plain({w - 1, h - 1}));
    for (const Pixel24& px : out) EXPECT_TRUE(Same(px, Pixel24{30, 20, 10})) << w << "x" << h;
    EXPECT_EQ(CountChanged(img.pixels, before), 0u);
  }
}

TEST(RegionFillRegion, WrapsFromTheEndOfARowToTheStartOfTheNext) {
  // The seed at the end of row 0 and the first pixel of row 1 are neighbours
  // on the linear index only.
  Image img(3, 2, Grey(200));
  img.at(2, 0) = Grey(10);
  img.at(0, 1) = Grey(10);
  std::vector<Pixel24> out = Fill(img, Plain({2, 0}));
  EXPECT_EQ(CountChanged(out, img.pixels), 2u);
  EXPECT_TRUE(Same(out[2], Pixel24{30, 20, 10}));
  EXPECT_TRUE(Same(out[3], Pixel24{30, 20, 10}));
}

TEST(RegionFillRegion, ReferenceIsTheSeedColourNotTheNeighbours) {
  // A ramp of steps of 4 with tolerance 10: only values within 9 of the seed join.
  Image img(8, 1, kBlack);
  for (int x = 0; x < 8; ++x) img.at(x, 0) = Grey(uint8_t(100 + 4 * x));
  std::vector<Pixel24> out = Fill(img, Plain({0, 0}));
  // 100, 104, 108 join; 112 differs by 12.
  EXPECT_EQ(CountChanged(out, img.pixels), 3u);
  EXPECT_TRUE(Same(out[3], img.pixels[3]));
}

TEST(RegionFillRegion, DecidedOnSourceOnlyAndOnlyRegionPixelsWritten) {
  Image img(6, 5, Grey(40));
  for (int y = 0; y < 5; ++y) img.at(3, y) = Grey(250);  // a wall splitting the image
  std::vector<Pixel24> destination(img.pixels.size(), Pixel24{1, 2, 3});
  std::vector<Pixel24> out = Fill(img, Plain({0, 0}), &destination);
  for (int y = 0; y < 5; ++y) EXPECT_TRUE(Same(out[size_t(y) * 6 + 3], Pixel24{1, 2, 3})) << y;
  // Left part and right part are linked through the row wrap, so all 25 non-wall pixels join.
  EXPECT_EQ(CountChanged(out, destination), 25u);
}

// PointF2 (10, 10), PointF1 (10, 16): span 6. The region is a plus through
// (10, 10), so each arm pixel is reached from its inner neighbour.
class RegionFillGradient : public ::testing::Test {
 protected:
  Image img{24, 20, Grey(0)};
  FillParams p = Plain({10, 10});
  void SetUp() override {
    for (int x = 0; x < 24; ++x) img.at(x, 10) = Grey(180);
    for (int y = 0; y < 20; ++y) img.at(10, y) = Grey(180);
    p.pointF2 = {10, 10};
    p.pointF1 = {10, 16};
    p.colourF1 = Rgb(100, 0, 11);
    p.colourF2 = Rgb(201, 50, 0);
  }
};

TEST_F(RegionFillGradient, WorkedExample) {
  std::vector<Pixel24> out = Fill(img, p);
  auto at = [&](int x, int y) { return out[size_t(y) * 24 + x]; };
  // Reached from (10, 10): r = 0, F2.
  EXPECT_TRUE(Same(at(11, 10), Pixel24{0, 50, 201}));
  EXPECT_TRUE(Same(at(10, 11), Pixel24{0, 50, 201}));
  // Reached from (20, 10) (r = 0.6 x 10 / 6) and from (10, 16): F1.
  EXPECT_TRUE(Same(at(21, 10), Pixel24{11, 0, 100}));
  EXPECT_TRUE(Same(at(10, 17), Pixel24{11, 0, 100}));
  // Reached from (15, 10), r = 0.5: 150.5 -> 150, 25, 5.5 -> 6 (half to even).
  EXPECT_TRUE(Same(at(16, 10), Pixel24{6, 25, 150}));
  // The seed is painted last from (11, 10), r = 0.1: 190.9, 45, 1.1.
  EXPECT_TRUE(Same(at(10, 10), Pixel24{1, 45, 191}));
  // Beyond F1 the line goes on: from (22, 10), r = 1.2: 201 - 121.2, 50 - 60, 0 + 13.2.
  EXPECT_TRUE(Same(at(23, 10), Pixel24{13, 0, 80}));
}

TEST_F(RegionFillGradient, OnlyTheSpanOfPointF1Counts) {
  const std::vector<Pixel24> reference = Fill(img, p);
  for (ImagePoint f1 : {ImagePoint{16, 10}, ImagePoint{4, 10}, ImagePoint{10, 4}}) {
    p.pointF1 = f1;
    EXPECT_EQ(CountChanged(Fill(img, p), reference), 0u) << f1.x << "," << f1.y;
  }
}

TEST_F(RegionFillGradient, CoincidentPointsGiveF2Everywhere) {
  p.pointF1 = p.pointF2;
  std::vector<Pixel24> out = Fill(img, p);
  for (int x = 0; x < 24; ++x) EXPECT_TRUE(Same(out[size_t(10) * 24 + x], Pixel24{0, 50, 201})) << x;
}

TEST_F(RegionFillGradient, TransparencyMixesTheSourceIn) {
  // T = 0.25 at r = 0: 201 x 0.75 + 180 x 0.25 = 195.75 -> 196; 50 x 0.75 + 45 = 82.5 -> 82; 45.
  p.transparency = 0.25L;
  std::vector<Pixel24> out = Fill(img, p);
  EXPECT_TRUE(Same(out[size_t(10) * 24 + 11], Pixel24{45, 82, 196}));
  // T = 1: every region pixel keeps its source value.
  p.transparency = 1;
  EXPECT_EQ(CountChanged(Fill(img, p), img.pixels), 0u);
}

TEST(RegionFillClamp, FarBeyondF1ClampsBothWays) {
  // Span 1; pixel (6, 0) is reached from (5, 0): r = 3.
  Image img(8, 1, Grey(60));
  FillParams p = Plain({0, 0});
  p.pointF2 = {0, 0};
  p.pointF1 = {0, 1};
  p.colourF1 = Rgb(100, 200, 0);
  p.colourF2 = Rgb(200, 100, 0);
  std::vector<Pixel24> out = Fill(img, p);
  EXPECT_EQ(out[6].r, 0);    // 200 - 3 x 100 = -100
  EXPECT_EQ(out[6].g, 255);  // 100 + 3 x 100 = 400
  EXPECT_EQ(out[6].b, 0);
}

TEST(RegionFillLightness, FactorScalesEachSourcePixelsLightness) {
  Image img(4, 1, Grey(204));  // lightness 0.8
  FillParams p = Plain({0, 0});
  p.transparency = 1;
  p.lightnessFactor = 2;  // 408 before the clamp
  for (const Pixel24& px : Fill(img, p)) EXPECT_TRUE(Same(px, Grey(255)));
  p.lightnessFactor = 0.5L;  // 0.4 -> 102
  for (const Pixel24& px : Fill(img, p)) EXPECT_TRUE(Same(px, Grey(102)));
  // A coloured pixel keeps its hue: (204, 102, 0) at half lightness is (102, 51, 0).
  Image orange(3, 1, Pixel24{0, 102, 204});
  for (const Pixel24& px : Fill(orange, p)) EXPECT_TRUE(Same(px, Pixel24{0, 51, 102}));
}

// F1 = F2 = grey 128, T = 0: every painted pixel is 128 + its offset.
std::set<int> Offsets(long double amplitude, uint32_t seed) {
  Image img(64, 64, Grey(30));
  FillParams p = Plain({0, 0});
  p.colourF1 = p.colourF2 = Rgb(128, 128, 128);
  p.noiseAmplitude = amplitude;
  Randomize(seed);
  std::set<int> offsets;
  for (const Pixel24& px : Fill(img, p)) {
    EXPECT_EQ(px.r, px.g);  // one draw for the three channels
    EXPECT_EQ(px.r, px.b);
    offsets.insert(px.r - 128);
  }
  return offsets;
}

TEST(RegionFillNoise, RangeIsRoundedHalfToEvenAndCentred) {
  EXPECT_EQ(Offsets(0, 1), (std::set<int>{0}));
  EXPECT_EQ(Offsets(1, 2), (std::set<int>{0}));
  EXPECT_EQ(Offsets(4.5L, 3), (std::set<int>{-2, -1, 0, 1}));
  EXPECT_EQ(Offsets(5, 4), (std::set<int>{-2, -1, 0, 1, 2}));
  EXPECT_EQ(Offsets(5.5L, 5), (std::set<int>{-3, -2, -1, 0, 1, 2}));
  EXPECT_EQ(Offsets(-7, 6), (std::set<int>{0}));
}

TEST(RegionFillNoise, SameSeedSameImage) {
  Image img(40, 30, Grey(90));
  FillParams p = Plain({5, 5});
  p.noiseAmplitude = 25;
  Randomize(77);
  const std::vector<Pixel24> first = Fill(img, p);
  Randomize(77);
  EXPECT_EQ(CountChanged(Fill(img, p), first), 0u);
  EXPECT_GT(CountChanged(Fill(img, p), first), 0u);  // the sequence went on
}

// The generator the fill draws from: 0 for N <= 1, every value of 0..N - 1
// about equally often, the same sequence after the same seed.
TEST(RandomGenerator, RangeUniformityAndSeeding) {
  Randomize(5);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-3), 0);
  EXPECT_EQ(Random(1), 0);
  std::vector<int> counts(7, 0);
  for (int i = 0; i < 70000; ++i) {
    const int32_t v = Random(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    ++counts[size_t(v)];
  }
  for (int c : counts) EXPECT_NEAR(c, 10000, 500);
  std::vector<int32_t> first, second;
  Randomize(42);
  for (int i = 0; i < 20; ++i) first.push_back(Random(1000000));
  Randomize(42);
  for (int i = 0; i < 20; ++i) second.push_back(Random(1000000));
  EXPECT_EQ(first, second);
  EXPECT_GT(std::set<int32_t>(first.begin(), first.end()).size(), 15u);
  // The largest range stays in range.
  for (int i = 0; i < 1000; ++i) ASSERT_LT(uint32_t(Random(INT32_MAX)), uint32_t(INT32_MAX));
}

// The fast path against the reference: same bytes, and the generator left
// in the same state (the same draws, in the same order). Images: blotchy (a
// few colours in patches, so regions wind and split), uniform (the whole
// image one region, wrapping from row to row) and a checkerboard of far
// colours (every region a single pixel); sizes around the bitmap's 32-bit
// words and single rows and columns; seeds random and in the four corners,
// so regions touch every border; every part of the rule switched on in turn.
enum Pattern { kBlotchy, kUniform, kCheckerboard };

Image PatternImage(Pattern pattern, int32_t w, int32_t h, std::mt19937& random) {
  Image img(w, h, Grey(100));
  const Pixel24 palette[3] = {Pixel24{100, 120, 140}, Pixel24{104, 118, 131}, Pixel24{30, 200, 90}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (pattern == kBlotchy) img.at(x, y) = palette[(x / 3 + y / 2 + random() % 2) % 3];
      if (pattern == kCheckerboard) img.at(x, y) = palette[(x + y) % 2 * 2];
    }
  return img;
}

// Fills `img` by the fast path and by the reference from the same
// generator state; both results, and whether the draws after them agree.
void ExpectFastEqualsReference(const Image& img, const FillParams& p, const std::string& what) {
  std::vector<Pixel24> fast(img.pixels.size(), Pixel24{1, 2, 3}), reference(fast);
  Randomize(9);
  FillRegion(img.pixels.data(), fast.data(), img.width, img.height, p);
  const int32_t nextFast = Random(1 << 30);
  Randomize(9);
  FillRegionReference(img.pixels.data(), reference.data(), img.width, img.height, p);
  EXPECT_EQ(CountChanged(fast, reference), 0u) << what;
  EXPECT_EQ(nextFast, Random(1 << 30)) << what;
}

struct RuleCase {
  const char* name;
  long double transparency, noise, lightness;
  ImagePoint f1, f2;
};
const RuleCase kRuleCases[] = {
    {"plain", 0, 0, 1, {0, 0}, {0, 0}},
    {"gradient", 0, 0, 1, {1, 2}, {40, 30}},
    {"gradient far beyond F1", 0, 0, 1, {5, 5}, {5, 6}},
    {"transparency", 0.35L, 0, 1, {0, 0}, {33, 7}},
    {"noise", 0, 7, 1, {3, 0}, {0, 9}},
    {"noise beyond a note's five bits", 0, 40, 1, {3, 0}, {0, 9}},
    {"noise beyond a byte", 0.1L, 600, 1, {3, 0}, {0, 9}},
    {"everything", 0.2L, 5, 1.3L, {0, 9}, {21, 2}},
    {"darker", 0.6L, 2, 0.4L, {2, 2}, {8, 1}},
};

FillParams RuleParams(const RuleCase& c, ImagePoint seed) {
  FillParams p = Plain(seed);
  p.tolerance = 12;
  p.transparency = c.transparency;
  p.noiseAmplitude = c.noise;
  p.lightnessFactor = c.lightness;
  p.pointF1 = c.f1;
  p.pointF2 = c.f2;
  p.colourF1 = Rgb(250, 3, 128);
  return p;
}

TEST(RegionFillFastPath, SameBytesAndDrawsAsTheReference) {
  std::mt19937 random(11);
  for (Pattern pattern : {kBlotchy, kUniform, kCheckerboard}) {
    for (auto [w, h] : {std::pair{1, 9}, std::pair{9, 1}, std::pair{2, 2}, std::pair{321, 1},
                        std::pair{31, 7}, std::pair{32, 8}, std::pair{33, 9}, std::pair{37, 23},
                        std::pair{64, 65}}) {
      const Image img = PatternImage(pattern, w, h, random);
      const ImagePoint seeds[] = {{int32_t(random() % w), int32_t(random() % h)}, {0, 0}, {w - 1, 0},
                                  {0, h - 1}, {w - 1, h - 1}};
      for (const RuleCase& c : kRuleCases)
        for (ImagePoint seed : seeds)
          ExpectFastEqualsReference(img, RuleParams(c, seed),
                                    std::to_string(pattern) + " " + std::to_string(w) + "x" + std::to_string(h) +
                                        " " + c.name + " seed " + std::to_string(seed.x) + "," +
                                        std::to_string(seed.y));
    }
  }
}

// Above the size at which the painting splits over threads: any number of
// threads gives the reference's bytes and draws.
TEST(RegionFillFastPath, SameBytesOnAnyNumberOfThreads) {
  std::mt19937 random(5);
  const Image img = PatternImage(kBlotchy, 613, 459, random);
  for (int threads : {1, 2, 3}) {
    SetPoolThreads(threads);
    for (const RuleCase& c : {kRuleCases[1], kRuleCases[6]})
      ExpectFastEqualsReference(img, RuleParams(c, {306, 229}), std::to_string(threads) + " threads " + c.name);
  }
  SetPoolThreads(0);
}

// The membership bitmap's vector path against the plain test, across word
// and block boundaries and with ranges that are empty, single or whole.
TEST(RegionFillMask, VectorBitsEqualThePlainTest) {
  std::mt19937 random(3);
  std::vector<Pixel24> pixels(1000);
  for (Pixel24& p : pixels) p = Pixel24{uint8_t(90 + random() % 20), uint8_t(random() % 256), uint8_t(100 + random() % 8)};
  const JoinRange ranges[] = {{{95, 0, 100}, {105, 255, 103}},
                              {{0, 0, 0}, {255, 255, 255}},
                              {{100, 7, 104}, {100, 7, 104}},
                              {{200, 0, 0}, {100, 255, 255}}};
  for (int64_t count : {0, 1, 15, 16, 31, 32, 33, 130, 1000}) {
    for (const JoinRange& range : ranges) {
      std::vector<uint32_t> fast(size_t((count + 31) / 32) + 1, ~uint32_t(0)), plain(fast);
      MarkJoinable(pixels.data(), count, range, fast.data());
      MarkJoinableReference(pixels.data(), count, range, plain.data());
      EXPECT_EQ(fast, plain) << count << " " << int(range.low[0]) << ".." << int(range.high[0]);
    }
  }
}

TEST(RegionFillRegion, MillionsOfPixelsNeedNoDeepStack) {
  Image img(2000, 1500, Grey(120));
  FillParams p = Plain({1999, 1499});
  std::vector<Pixel24> out = Fill(img, p);
  EXPECT_EQ(CountChanged(out, img.pixels), out.size());
}

}  // namespace
}  // namespace molvane
