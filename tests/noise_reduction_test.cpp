// Noise reduction: worked examples on both paths, linear-index borders, the
// exhaustive per-channel arithmetic, and fast against literal on random images.
#include "tools/noise_reduction.h"

#include <gtest/gtest.h>

#include "host_precision.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "colour/colour.h"
#include "colour/extended_math.h"

namespace molvane {
namespace {

using ReduceFn = void (*)(const Pixel24*, Pixel24*, int32_t, int32_t);

struct Path {
  const char* name;
  ReduceFn reduce;
};

const Pixel24 kSentinel = {0xA5, 0x5A, 0xC3};

Pixel24 Rgb(int r, int g, int b) { return Pixel24{uint8_t(b), uint8_t(g), uint8_t(r)}; }
Pixel24 Grey(int v) { return Rgb(v, v, v); }
bool Same(Pixel24 a, Pixel24 b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
std::string Show(Pixel24 p) {
  return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}

// Runs one path into an output pre-filled with a sentinel, so that every pixel
// the filter leaves alone is visible as such.
std::vector<Pixel24> Filter(ReduceFn reduce, const std::vector<Pixel24>& copy, int32_t w, int32_t h) {
  std::vector<Pixel24> out(copy.size(), kSentinel);
  reduce(copy.data(), out.data(), w, h);
  return out;
}

using testing::HostPrecision53;

class NoiseReductionPaths : public ::testing::TestWithParam<Path> {};

TEST_P(NoiseReductionPaths, CentreOfThreeByThreeWorkedExamples) {
  struct Case {
    Pixel24 surround, centre, expected;
  };
  const Case cases[] = {
      {Grey(255), Grey(2), Grey(255)},                      // factor 127.5, clamped
      {Grey(255), Grey(0), Grey(0)},                        // lightness 0: factor 1
      {Grey(255), Rgb(1, 0, 0), Rgb(1, 0, 0)},              // (1 + 0) div 2 is 0 too
      {Grey(0), Grey(255), Grey(0)},                        // median 0: factor 0
      {Grey(150), Rgb(200, 100, 50), Rgb(240, 120, 60)},    // factor 1.2
      {Grey(3), Rgb(3, 1, 1), Rgb(4, 2, 2)},                // 4.5 -> 4 and 1.5 -> 2
      {Grey(200), Rgb(250, 20, 0), Rgb(255, 32, 0)},        // 250 * 1.6 clamps
  };
  for (const Case& c : cases) {
    std::vector<Pixel24> copy(9, c.surround);
    copy[4] = c.centre;
    const std::vector<Pixel24> out = Filter(GetParam().reduce, copy, 3, 3);
    EXPECT_TRUE(Same(out[4], c.expected)) << Show(c.centre) << " -> " << Show(out[4]);
    for (int i = 0; i < 9; ++i) {
      if (i == 4) continue;
      EXPECT_TRUE(Same(out[i], kSentinel)) << "pixel " << i << " was written";
    }
  }
}

TEST_P(NoiseReductionPaths, EqualLightnessEverywhereChangesNothing) {
  std::mt19937 random(3);
  const int w = 41, h = 23;
  std::vector<Pixel24> copy(w * h);
  for (Pixel24& p : copy) {
    const int hi = 100 + int(random() % 101);  // (hi + lo) div 2 = 100
    const int lo = 200 + (hi > 100 ? int(random() % 2) : 0) - hi;
    const int mid = lo + int(random() % (hi - lo + 1));
    int channels[3] = {hi, lo, mid};
    std::shuffle(channels, channels + 3, random);
    p = Rgb(channels[0], channels[1], channels[2]);
  }
  const std::vector<Pixel24> out = Filter(GetParam().reduce, copy, w, h);
  for (int i = w + 1; i <= w * h - w - 2; ++i)
    ASSERT_TRUE(Same(out[i], copy[i])) << i << " " << Show(copy[i]) << " -> " << Show(out[i]);
}

TEST_P(NoiseReductionPaths, ImagesWithoutAnInnerPixelAreLeftAlone) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {5, 2}, {1000, 2}, {7, 1}, {1, 4}, {300, 1}};
  std::mt19937 random(5);
  for (const auto& size : sizes) {
    std::vector<Pixel24> copy(size[0] * size[1]);
    for (Pixel24& p : copy) p = Rgb(random() & 255, random() & 255, random() & 255);
    const std::vector<Pixel24> out = Filter(GetParam().reduce, copy, size[0], size[1]);
    for (const Pixel24& p : out) ASSERT_TRUE(Same(p, kSentinel)) << size[0] << "x" << size[1];
  }
  // Sizes that are not positive must not touch the buffers at all.
  GetParam().reduce(nullptr, nullptr, 0, 5);
  GetParam().reduce(nullptr, nullptr, 5, 0);
  GetParam().reduce(nullptr, nullptr, -3, 4);
  GetParam().reduce(nullptr, nullptr, 4, -3);
  GetParam().reduce(nullptr, nullptr, -4, -4);
}

// Greys map to the grey of their median: v * (M / v) rounds back to M.
int MedianOf(const std::vector<int>& grey, std::vector<int> indices) {
  std::vector<int> values;
  for (int i : indices) values.push_back(grey[i]);
  std::sort(values.begin(), values.end());
  return values[4];
}

TEST_P(NoiseReductionPaths, OnePixelWideColumnWeighsItsNeighbours) {
  // Pixel i sees i - 2, i - 1 twice, itself three times, i + 1 twice, i + 2.
  const std::vector<int> grey = {10, 200, 50, 90, 30, 250, 20, 60, 100};
  std::vector<Pixel24> copy;
  for (int v : grey) copy.push_back(Grey(v));
  const std::vector<Pixel24> out = Filter(GetParam().reduce, copy, 1, 9);
  for (int i : {0, 1, 7, 8}) EXPECT_TRUE(Same(out[i], kSentinel)) << i;
  for (int i = 2; i <= 6; ++i) {
    const int m = MedianOf(grey, {i - 2, i - 1, i - 1, i, i, i, i + 1, i + 1, i + 2});
    EXPECT_TRUE(Same(out[i], Grey(m))) << i << ": " << Show(out[i]) << " expected " << m;
  }
  // Pixel 4 (30) sits among 50, 90, 90, 30, 30, 30, 250, 250, 20: its median is 50.
  EXPECT_TRUE(Same(out[4], Grey(50)));
}

TEST_P(NoiseReductionPaths, FirstAndLastColumnsReachIntoNeighbouringRows) {
  // 4 x 4: indices 5 .. 10 are processed; 4 (first column, row 1) and 11 (last
  // column, row 2) are not.
  const std::vector<int> grey = {200, 30, 180, 20, 40, 150, 60, 250,
                                 10,  90, 70,  230, 35, 220, 45, 240};
  std::vector<Pixel24> copy;
  for (int v : grey) copy.push_back(Grey(v));
  const std::vector<Pixel24> out = Filter(GetParam().reduce, copy, 4, 4);
  for (int i : {0, 1, 2, 3, 4, 11, 12, 13, 14, 15})
    EXPECT_TRUE(Same(out[i], kSentinel)) << i;
  // Index 8, first column of row 2: its left neighbours are 3, 7 and 11, the
  // last pixels of rows 0, 1 and 2.
  EXPECT_TRUE(Same(out[8], Grey(MedianOf(grey, {3, 4, 5, 7, 8, 9, 11, 12, 13})))) << Show(out[8]);
  EXPECT_TRUE(Same(out[8], Grey(90)));
  // Index 7, last column of row 1: its right neighbours are 4, 8 and 12, the
  // first pixels of rows 1, 2 and 3.
  EXPECT_TRUE(Same(out[7], Grey(MedianOf(grey, {2, 3, 4, 6, 7, 8, 10, 11, 12})))) << Show(out[7]);
  EXPECT_TRUE(Same(out[7], Grey(60)));
  for (int i : {5, 6, 9, 10})
    EXPECT_TRUE(Same(out[i], Grey(MedianOf(grey, {i - 5, i - 4, i - 3, i - 1, i, i + 1, i + 3,
                                                  i + 4, i + 5}))))
        << i;
}

INSTANTIATE_TEST_SUITE_P(BothPaths, NoiseReductionPaths,
                         ::testing::Values(Path{"Fast", ReduceNoise},
                                           Path{"Reference", ReduceNoiseReference}),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return std::string(info.param.name);
                         });

TEST(NoiseReductionScale, ExactHalvesFollowTheRoundedFactor) {
  EXPECT_EQ(ScaleChannelReference(3, 3, 2), 4);      // 4.5, F = 1.5 exact: half to even
  EXPECT_EQ(ScaleChannelReference(1, 3, 2), 2);      // 1.5
  EXPECT_EQ(ScaleChannelReference(200, 150, 125), 240);
  EXPECT_EQ(ScaleChannelReference(77, 9, 0), 77);    // lightness 0: unchanged
  EXPECT_EQ(ScaleChannelReference(77, 0, 9), 0);
  EXPECT_EQ(ScaleChannelReference(2, 255, 2), 255);  // 255 clamps
  // 7/6 is rounded down in 80 bits, so 27 * 7/6 = 31.5 lands below the half;
  // 13/6 is rounded up, so 27 * 13/6 = 58.5 lands above it.
  EXPECT_EQ(ScaleChannelReference(27, 7, 6), 31);
  EXPECT_EQ(ScaleChannelReference(27, 13, 6), 59);
  EXPECT_EQ(ScaleChannel(27, 7, 6), 31);
  EXPECT_EQ(ScaleChannel(27, 13, 6), 59);
}

// Every (channel, median, lightness) triple: the scalar fast function and the
// vector step against the extended computation.
TEST(NoiseReductionScale, FastArithmeticMatchesExtendedForAllTriples) {
  int scalar_mismatches = 0, vector_mismatches = 0;
  uint8_t wanted[256];
  std::vector<Pixel24> in(16), out(16);
  uint8_t median[16], lightness[16];
  ExtendedPrecisionScope scope;  // ScaleBlock16 expects it
  for (int l = 0; l < 256; ++l) {
    std::fill(lightness, lightness + 16, uint8_t(l));
    for (int m = 0; m < 256; ++m) {
      for (int c = 0; c < 256; ++c) {
        wanted[c] = ScaleChannelReference(c, m, l);
        if (ScaleChannel(c, m, l) != wanted[c] && ++scalar_mismatches <= 5)
          ADD_FAILURE() << "ScaleChannel(" << c << ", " << m << ", " << l << ")";
      }
      std::fill(median, median + 16, uint8_t(m));
      // Six blocks of 48 channel bytes run c through 0..255 (and a little beyond).
      for (int block = 0; block < 6; ++block) {
        uint8_t* bytes = reinterpret_cast<uint8_t*>(in.data());
        for (int k = 0; k < 48; ++k) bytes[k] = uint8_t(48 * block + k);
        noise_reduction_detail::ScaleBlock16(in.data(), median, lightness, out.data());
        const uint8_t* got = reinterpret_cast<const uint8_t*>(out.data());
        for (int k = 0; k < 48; ++k)
          if (got[k] != wanted[bytes[k]] && ++vector_mismatches <= 5)
            ADD_FAILURE() << "ScaleBlock16 c=" << int(bytes[k]) << " m=" << m << " l=" << l
                          << ": " << int(got[k]) << " expected " << int(wanted[bytes[k]]);
      }
    }
  }
  EXPECT_EQ(scalar_mismatches, 0);
  EXPECT_EQ(vector_mismatches, 0);
}

// Test images: the kinds of content that exercise ties, lightness 0 and clamps.
enum class Content { kNoise, kDark, kBrightWithColour, kSmooth, kNearGrey };

std::vector<Pixel24> MakeImage(Content content, int w, int h, std::mt19937& random) {
  std::vector<Pixel24> image(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Pixel24& p = image[size_t(y) * size_t(w) + size_t(x)];
      switch (content) {
        case Content::kNoise:
          p = Rgb(random() & 255, random() & 255, random() & 255);
          break;
        case Content::kDark:  // many lightness 0 and small exact ratios
          p = Rgb(random() % 8, random() % 8, random() % 8);
          break;
        case Content::kBrightWithColour:  // factors above 1 on saturated pixels clamp
          p = random() % 4 ? Grey(230 + int(random() % 26))
                           : Rgb(255, random() % 256, random() % 64);
          break;
        case Content::kSmooth: {
          const int base = (x * 255 / std::max(w, 1) + y * 255 / std::max(h, 1)) / 2;
          auto jitter = [&](int v) { return std::clamp(v + int(random() % 21) - 10, 0, 255); };
          p = Rgb(jitter(base), jitter(base / 2 + 60), jitter(255 - base));
          break;
        }
        case Content::kNearGrey: {
          const int v = int(random() % 256);
          auto near = [&](int d) { return std::clamp(v + d, 0, 255); };
          p = Rgb(near(int(random() % 3) - 1), near(0), near(int(random() % 3) - 1));
          break;
        }
      }
    }
  }
  return image;
}

void ExpectSameBytes(const std::vector<Pixel24>& fast, const std::vector<Pixel24>& reference,
                     const std::string& what) {
  ASSERT_EQ(fast.size(), reference.size());
  for (size_t i = 0; i < fast.size(); ++i) {
    if (!Same(fast[i], reference[i])) {
      ADD_FAILURE() << what << ": first difference at pixel " << i << ", fast "
                    << Show(fast[i]) << ", reference " << Show(reference[i]);
      return;
    }
  }
}

TEST(NoiseReductionFastPath, MatchesReferenceAtAwkwardSizes) {
  std::vector<std::pair<int, int>> sizes = {
      {1, 1},  {1, 5},   {5, 1},    {2, 2},   {3, 3},     {3, 7},     {7, 3},   {321, 1},
      {1, 321}, {1, 9},  {17, 5},   {64, 48}, {16, 3},    {18, 3},    {33, 4},  {700, 100},
      {20000, 4}, {3, 20000}, {4097, 5}};
  std::mt19937 random(17);
  for (int k = 0; k < 20; ++k) sizes.push_back({1 + int(random() % 300), 1 + int(random() % 40)});
  const Content contents[] = {Content::kNoise, Content::kDark, Content::kBrightWithColour,
                              Content::kSmooth, Content::kNearGrey};
  for (const auto& [w, h] : sizes) {
    for (Content content : contents) {
      const std::vector<Pixel24> copy = MakeImage(content, w, h, random);
      const std::string what = std::to_string(w) + "x" + std::to_string(h) + " content " +
                               std::to_string(int(content));
      ExpectSameBytes(Filter(ReduceNoise, copy, w, h), Filter(ReduceNoiseReference, copy, w, h), what);
    }
  }
}

// Bands of three rows: grey M above and below a row of pixels of lightness L, so
// every pixel of the middle row gets the median M. Each pair puts an exact half
// on a channel that 53-bit arithmetic would round the other way.
std::vector<Pixel24> TieBands(int w) {
  struct Band {
    int median;
    Pixel24 pixel;
  };
  const Band bands[] = {{21, Rgb(15, 5, 5)},    // 15 * 21 / 10 = 31.5 -> 31
                        {41, Rgb(15, 5, 5)},    // 61.5 -> 62
                        {50, Rgb(15, 9, 12)},   // 15 * 50 / 12 = 62.5 -> 62
                        {5, Rgb(21, 7, 10)},    // 21 * 5 / 14 = 7.5 -> 7
                        {15, Rgb(21, 7, 10)}};  // 22.5 -> 23
  std::vector<Pixel24> image;
  for (const Band& band : bands) {
    image.insert(image.end(), size_t(w), Grey(band.median));
    image.insert(image.end(), size_t(w), band.pixel);
    image.insert(image.end(), size_t(w), Grey(band.median));
  }
  return image;
}

TEST(NoiseReductionFastPath, SameBytesWhenTheHostRunsAt53Bits) {
  const int w = 37, h = 15;
  const std::vector<Pixel24> copy = TieBands(w);
  const std::vector<Pixel24> fast = Filter(ReduceNoise, copy, w, h);
  const std::vector<Pixel24> reference = Filter(ReduceNoiseReference, copy, w, h);
  ExpectSameBytes(fast, reference, "at 64 bits");
  const int expected_red[5] = {31, 62, 62, 7, 23};
  for (int band = 0; band < 5; ++band) {
    for (int x = 1; x < w - 1; ++x) {
      ASSERT_EQ(reference[size_t((3 * band + 1) * w + x)].r, expected_red[band]) << band;
    }
  }
  std::vector<Pixel24> fast53, reference53;
  uint8_t scaled53;
  {
    HostPrecision53 host;
    fast53 = Filter(ReduceNoise, copy, w, h);
    EXPECT_EQ(HostPrecision53::Current(), HostPrecision53::kWord);
    reference53 = Filter(ReduceNoiseReference, copy, w, h);
    EXPECT_EQ(HostPrecision53::Current(), HostPrecision53::kWord);
    scaled53 = ScaleChannelReference(27, 13, 6);
    EXPECT_EQ(HostPrecision53::Current(), HostPrecision53::kWord);
  }
  ExpectSameBytes(fast53, fast, "fast path at 53 bits");
  ExpectSameBytes(reference53, reference, "reference at 53 bits");
  EXPECT_EQ(scaled53, 59);
}

}  // namespace
}  // namespace molvane
