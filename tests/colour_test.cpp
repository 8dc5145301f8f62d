// ParamCoul: lightness, packing, HSL conversions, median, average and clamp.
#include "colour/colour.h"

#include <gtest/gtest.h>

#include "host_precision.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace molvane {
namespace {

constexpr long double kHslTolerance = 1e-15L;

PixelColor Rgb(int r, int g, int b) { return PixelColor(r) << 16 | PixelColor(g) << 8 | PixelColor(b); }

using testing::HostPrecision53;

TEST(ColourLightness, WorkedExamplesAndChannelOrder) {
  EXPECT_EQ(TripletLightness(255, 0, 0), 127);
  EXPECT_EQ(TripletLightness(255, 255, 254), 254);
  EXPECT_EQ(TripletLightness(1, 0, 0), 0);
  EXPECT_EQ(PixelLightness(Rgb(255, 0, 0)), 127);
  EXPECT_EQ(PixelLightness(0xFF000000u | Rgb(10, 20, 30)), 20);  // the top byte is not a channel
}

TEST(ColourLightness, EveryTripletIsMaxPlusMinHalved) {
  int mismatches = 0;
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b)
      for (int c = 0; c < 256; ++c) {
        const int expected = (std::max({a, b, c}) + std::min({a, b, c})) / 2;
        if (TripletLightness(a, b, c) != expected && ++mismatches <= 5)
          ADD_FAILURE() << "TripletLightness(" << a << ", " << b << ", " << c << ")";
      }
  EXPECT_EQ(mismatches, 0);
}

TEST(ColourPacking, EachFormPutsEachChannelInItsPlace) {
  const TRgbInts fromPixel = UnpackPixelColor(0xAB123456u);
  EXPECT_EQ(fromPixel.r, 0x12);
  EXPECT_EQ(fromPixel.g, 0x34);
  EXPECT_EQ(fromPixel.b, 0x56);

  const TRgbInts fromTColor = UnpackTColor(0xAB123456u);
  EXPECT_EQ(fromTColor.r, 0x56);
  EXPECT_EQ(fromTColor.g, 0x34);
  EXPECT_EQ(fromTColor.b, 0x12);

  EXPECT_EQ(PixelToColor(Pixel24{0x56, 0x34, 0x12}), 0x123456u);

  const Pixel24 fromPlatform = TColorToPixel(0xAB123456u);
  EXPECT_EQ(fromPlatform.b, 0x12);
  EXPECT_EQ(fromPlatform.g, 0x34);
  EXPECT_EQ(fromPlatform.r, 0x56);
}

TEST(ColourHsl, GreysHaveNoHueOrSaturationAndComeBackExactly) {
  for (int v = 0; v < 256; ++v) {
    const THsl hsl = RgbToHsl(Rgb(v, v, v));
    EXPECT_EQ(hsl.h, 0.0L) << v;
    EXPECT_EQ(hsl.s, 0.0L) << v;
    EXPECT_NEAR(double(hsl.l), v / 255.0, 1e-15) << v;
    const TRgbInts back = HslToRgb(hsl);
    EXPECT_EQ(back.r, v);
    EXPECT_EQ(back.g, v);
    EXPECT_EQ(back.b, v);
    EXPECT_EQ(HslToTColor(hsl), TColor(v) * 0x010101u);
  }
}

TEST(ColourHsl, PrimariesAndSecondaries) {
  struct Case {
    PixelColor colour;
    long double hue;
    TColor platform;
  };
  const Case cases[] = {
      {Rgb(255, 0, 0), 0.0L, 0x0000FFu},           {Rgb(0, 255, 0), 1.0L / 3, 0x00FF00u},
      {Rgb(0, 0, 255), 2.0L / 3, 0xFF0000u},       {Rgb(255, 255, 0), 1.0L / 6, 0x00FFFFu},
      {Rgb(0, 255, 255), 0.5L, 0xFFFF00u},         {Rgb(255, 0, 255), 5.0L / 6, 0xFF00FFu},
  };
  for (const Case& c : cases) {
    const THsl hsl = RgbToHsl(c.colour);
    EXPECT_NEAR(double(hsl.h), double(c.hue), 1e-15) << std::hex << c.colour;
    EXPECT_EQ(hsl.s, 1.0L) << std::hex << c.colour;
    EXPECT_EQ(hsl.l, 0.5L) << std::hex << c.colour;
    EXPECT_EQ(HslToTColor(hsl), c.platform) << std::hex << c.colour;
  }
}

TEST(ColourHsl, SaturationFormFollowsLightness) {
  // Dark: delta / (max + min) = 50 / 150; light: delta / (2 - max - min) = 50 / 60.
  EXPECT_NEAR(double(RgbToHsl(Rgb(100, 50, 50)).s), 1.0 / 3, 1e-15);
  EXPECT_NEAR(double(RgbToHsl(Rgb(250, 200, 200)).s), 5.0 / 6, 1e-15);
  // A hue just past red wraps below 1, not above it.
  const THsl pinkish = RgbToHsl(Rgb(255, 0, 1));
  EXPECT_GT(pinkish.h, 0.99L);
  EXPECT_LT(pinkish.h, 1.0L);
}

TEST(ColourHsl, RedWinsATieWithGreenAndGreenWithBlue) {
  // The branches agree in exact arithmetic but not in their last bits: red's
  // dB - dG ends below the 80-bit 1/6, green's 1/3 + dR - dB above it.
  const THsl yellow = RgbToHsl(Rgb(5, 5, 0));
  EXPECT_LT(yellow.h, 1.0L / 6);
  EXPECT_GT(yellow.h, 1.0L / 6 - 1e-18L);
  // Green's form gives exactly 0.5 here, blue's 2/3 + dG - dR does not.
  EXPECT_EQ(RgbToHsl(Rgb(0, 1, 1)).h, 0.5L);
}

TEST(ColourHsl, ColoursComeBackThroughHsl) {
  std::mt19937 random(7);
  std::vector<PixelColor> colours;
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) colours.push_back(Rgb(r, g, b));
  for (int k = 0; k < 20000; ++k) colours.push_back(random() & 0xFFFFFFu);
  int mismatches = 0;
  for (PixelColor c : colours) {
    const THsl hsl = RgbToHsl(c);
    ASSERT_TRUE(hsl.h >= 0 && hsl.h <= 1) << std::hex << c;
    const TColor back = HslToTColor(hsl);
    const TColor expected = (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    if (back != expected && ++mismatches <= 5)
      ADD_FAILURE() << std::hex << c << " came back as TColor " << back;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(ColourHsl, LightnessAboveOneIsNotClamped) {
  const TRgbInts grey = HslToRgb(THsl{0, 0, 2});
  EXPECT_EQ(grey.r, 510);
  EXPECT_EQ(grey.b, 510);
  // Red at lightness 1.2: v2 = 1.2 + 1 - 1.2 = 1, v1 = 1.4; the red channel is v2.
  const TRgbInts red = HslToRgb(THsl{0, 1, 1.2L});
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 357);
  EXPECT_EQ(red.b, 357);
}

TEST(ColourHsl, HueToChannelBranches) {
  const long double v2 = 0.8L, v1 = 0.2L;
  EXPECT_NEAR(double(HueToChannel(0.1L, v2, v1)), 0.56, 1e-15);   // rising edge
  EXPECT_NEAR(double(HueToChannel(0.3L, v2, v1)), 0.8, 1e-15);    // plateau at v2
  EXPECT_NEAR(double(HueToChannel(0.6L, v2, v1)), 0.44, 1e-15);   // falling edge
  EXPECT_NEAR(double(HueToChannel(0.9L, v2, v1)), 0.2, 1e-15);    // floor at v1
  EXPECT_NEAR(double(HueToChannel(-0.9L, v2, v1)), 0.56, 1e-15);  // below 0 wraps up
  EXPECT_NEAR(double(HueToChannel(1.3L, v2, v1)), 0.8, 1e-15);    // above 1 wraps down
  EXPECT_NEAR(double(HueToChannel(0.5L, v2, v1)), 0.8, 1e-15);   // 2t < 1 fails at 1/2
}

TEST(ColourHsl, ResultsDoNotDependOnTheHostPrecision) {
  const PixelColor samples[] = {Rgb(5, 5, 0),     Rgb(0, 1, 1),   Rgb(200, 100, 50),
                                Rgb(17, 201, 99), Rgb(254, 3, 128), Rgb(1, 2, 3)};
  for (PixelColor c : samples) {
    const THsl wanted = RgbToHsl(c);
    const THsl shifted{wanted.h + 0.01L, wanted.s, wanted.l};
    const TRgbInts wantedBack = HslToRgb(shifted);
    const long double wantedChannel = HueToChannel(wanted.h, 0.9L, 0.1L);
    HostPrecision53 host;
    const THsl got = RgbToHsl(c);
    const TRgbInts gotBack = HslToRgb(shifted);
    const long double gotChannel = HueToChannel(wanted.h, 0.9L, 0.1L);
    EXPECT_EQ(HostPrecision53::Current(), HostPrecision53::kWord);
    EXPECT_TRUE(got.h == wanted.h && got.s == wanted.s && got.l == wanted.l) << std::hex << c;
    EXPECT_EQ(gotBack.r, wantedBack.r);
    EXPECT_EQ(gotBack.g, wantedBack.g);
    EXPECT_EQ(gotBack.b, wantedBack.b);
    EXPECT_TRUE(gotChannel == wantedChannel) << std::hex << c;
  }
}

TEST(ColourMedian9, FifthSmallest) {
  int values[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  do {
    int32_t v[9];
    std::copy(values, values + 9, v);
    ASSERT_EQ(Median9(v), 5);
  } while (std::next_permutation(values, values + 9));

  for (int at = 0; at < 9; ++at) {
    int32_t v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    v[at] = 255;
    EXPECT_EQ(Median9(v), 0) << at;
  }
  const int32_t repeated[9] = {7, 3, 9, 7, 3, 7, 3, 7, 3};  // 3 3 3 3 7 7 7 7 9
  EXPECT_EQ(Median9(repeated), 7);
  const int32_t extremes[9] = {255, 255, 255, 255, 0, 0, 0, 0, 255};
  EXPECT_EQ(Median9(extremes), 255);
}

TEST(ColourMedian9, AgreesWithSortingOnCrowdedValues) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 100000; ++trial) {
    const int range = trial % 2 ? 4 : 256;  // few distinct values: many equal minima
    int32_t v[9];
    for (int32_t& x : v) x = int32_t(random() % range);
    int32_t sorted[9];
    std::copy(v, v + 9, sorted);
    std::sort(sorted, sorted + 9);
    ASSERT_EQ(Median9(v), sorted[4]) << v[0] << " " << v[1] << " " << v[2] << " " << v[3];
  }
}

TEST(ColourAverage, MeansAreTruncatedAndPacked) {
  const Pixel24 blackAndThree[2] = {{0, 0, 0}, {3, 3, 3}};
  EXPECT_EQ(AverageColor(blackAndThree, 2), 0x010101u);
  const Pixel24 mixed[2] = {{10, 0, 255}, {11, 1, 0}};  // b, g, r
  EXPECT_EQ(AverageColor(mixed, 2), Rgb(127, 0, 10));
  const Pixel24 one = {3, 2, 1};
  EXPECT_EQ(AverageColor(&one, 1), Rgb(1, 2, 3));
  EXPECT_EQ(AverageColor(nullptr, 0), 0u);

  const Pixel24 three[3] = {{0, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  EXPECT_EQ(AverageColor(three, 3), Rgb(255, 170, 85));
}

TEST(ColourAverage, LargeImagesDoNotOverflow) {
  std::vector<Pixel24> white(10000000, Pixel24{255, 255, 255});
  EXPECT_EQ(AverageColor(white.data(), int32_t(white.size())), 0xFFFFFFu);
}

}  // namespace
}  // namespace molvane
