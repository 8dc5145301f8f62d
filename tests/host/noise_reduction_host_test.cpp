// Tool 2 (noise reduction) through the real plug-in: pixels, the one callback, the x87 state.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/shared_record.h"
#include "host_test_support.h"
#include "tools/noise_reduction.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_NOISE_REDUCTION;
constexpr int32_t kUserValue = 0x5EED2;

// Pixel24 stores blue first: write the channels the way people name them.
Pixel24 Rgb(uint8_t r, uint8_t g, uint8_t b) { return Pixel24{b, g, r}; }

// A 3 x 3 image of `around` with `centre` in the middle.
std::vector<Pixel24> Centred(Pixel24 around, Pixel24 centre) {
  std::vector<Pixel24> pixels(9, around);
  pixels[4] = centre;
  return pixels;
}

// What the plug-in's tool 2 makes of `pixels`.
std::vector<Pixel24> ThroughPlugin(const std::vector<Pixel24>& pixels, int32_t width, int32_t height) {
  TPtsImg image = MakeImage(pixels);
  RunTool(kTool, 0, image, width, height);
  return PixelsOf(image);
}

// What the plain, literal version of the filter makes of them, computed here.
std::vector<Pixel24> ByReference(const std::vector<Pixel24>& pixels, int32_t width, int32_t height) {
  std::vector<Pixel24> result = pixels;
  ReduceNoiseReference(pixels.data(), result.data(), width, height);
  return result;
}

// Whole outputs compared; on a difference, where and how many.
::testing::AssertionResult SameBytes(const std::vector<Pixel24>& actual,
                                     const std::vector<Pixel24>& expected, int32_t width) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
  size_t differing = 0;
  size_t first = 0;
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] == expected[i]) continue;
    if (differing++ == 0) first = i;
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << differing << " pixel(s) differ; first at x " << first % size_t(width) << ", y "
         << first / size_t(width) << ": " << actual[first] << " instead of " << expected[first];
}

uint32_t Fnv1a(const std::vector<Pixel24>& pixels) {
  uint32_t hash = 2166136261u;
  for (const Pixel24& p : pixels)
    for (uint8_t byte : {p.b, p.g, p.r}) hash = (hash ^ byte) * 16777619u;
  return hash;
}

TEST(NoiseReductionTool, WorkedExampleAndItsOneCallback) {
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  TPtsImg image = MakeImage(Centred(Rgb(150, 150, 150), Rgb(200, 100, 50)));
  RunTool(kTool, 0, image, 3, 3);

  std::vector<Pixel24> expected = Centred(Rgb(150, 150, 150), Rgb(240, 120, 60));
  EXPECT_TRUE(SameBytes(PixelsOf(image), expected, 3));
  ASSERT_EQ(recorder.Calls().size(), 1u);
  const host::CallbackCall& call = recorder.Calls()[0];
  EXPECT_EQ(call.slot, 0);
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, 3);
  EXPECT_EQ(call.height, 3);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, 1);
  EXPECT_EQ(call.finished, 1);
}

TEST(NoiseReductionTool, CentrePixelEdgeCases) {
  struct Case {
    const char* what;
    Pixel24 around, centre, result;
  };
  const Pixel24 white = Rgb(255, 255, 255);
  const Pixel24 black = Rgb(0, 0, 0);
  const Case cases[] = {
      {"factor 127.5 saturates", white, Rgb(2, 2, 2), white},
      {"lightness 0 keeps black", white, black, black},
      {"(1, 0, 0) has lightness 0", white, Rgb(1, 0, 0), Rgb(1, 0, 0)},
      {"median 0 gives black", black, white, black},
      {"halves round to even", Rgb(3, 3, 3), Rgb(3, 1, 1), Rgb(4, 2, 2)},
      {"blue and red kept apart", Rgb(150, 150, 150), Rgb(50, 100, 200), Rgb(60, 120, 240)},
  };
  FreshRecorder(kUserValue);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(SameBytes(ThroughPlugin(Centred(c.around, c.centre), 3, 3), Centred(c.around, c.result), 3));
  }
}

TEST(NoiseReductionTool, OnePixelWideColumn) {
  // Pixels 2..4 of a 1 x 7 column take the median of i-2, i-1 twice, i three
  // times, i+1 twice, i+2: 30, 50 and 40 here; the others stay.
  const uint8_t values[7] = {10, 50, 20, 90, 30, 70, 40};
  const uint8_t expected[7] = {10, 50, 30, 50, 40, 70, 40};
  std::vector<Pixel24> column;
  std::vector<Pixel24> result;
  for (int i = 0; i < 7; ++i) {
    column.push_back(Rgb(values[i], values[i], values[i]));
    result.push_back(Rgb(expected[i], expected[i], expected[i]));
  }
  FreshRecorder(kUserValue);
  EXPECT_TRUE(SameBytes(ThroughPlugin(column, 1, 7), result, 1));
}

TEST(NoiseReductionTool, UnchangedImagesStillReportApplied) {
  struct Case {
    const char* what;
    int32_t width, height;
    std::vector<Pixel24> pixels;
  };
  // Every pixel of lightness 100, in different colours.
  std::vector<Pixel24> sameLightness;
  const Pixel24 colours[] = {Rgb(100, 100, 100), Rgb(200, 0, 50), Rgb(150, 50, 60), Rgb(120, 80, 100)};
  for (int i = 0; i < 20; ++i) sameLightness.push_back(colours[(i * 7) % 4]);
  const Case cases[] = {
      {"height 2", 4, 2, RandomPixels(8, 11)},
      {"height 1", 9, 1, RandomPixels(9, 12)},
      {"2 x 2", 2, 2, RandomPixels(4, 13)},
      {"1 x 1", 1, 1, RandomPixels(1, 14)},
      {"one lightness everywhere", 5, 4, sameLightness},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
    EXPECT_TRUE(SameBytes(ThroughPlugin(c.pixels, c.width, c.height), c.pixels, c.width));
    ASSERT_EQ(recorder.Calls().size(), 1u);
    EXPECT_EQ(recorder.Calls()[0].width, c.width);
    EXPECT_EQ(recorder.Calls()[0].height, c.height);
    EXPECT_EQ(recorder.Calls()[0].applied & 0xFF, 1);
    EXPECT_EQ(recorder.Calls()[0].finished, 1);
  }
}

TEST(NoiseReductionTool, SameBytesAsTheReferenceAtAwkwardSizes) {
  const struct {
    int32_t width, height;
  } sizes[] = {{1, 5}, {5, 1}, {3, 3}, {1, 9}, {2, 5}, {7, 3}, {321, 1}, {1, 321},
               {17, 13}, {31, 4}, {64, 3}, {33, 33}, {320, 7}};
  FreshRecorder(kUserValue);
  uint32_t seed = 100;
  for (const auto& size : sizes) {
    const std::string what = std::to_string(size.width) + " x " + std::to_string(size.height);
    SCOPED_TRACE(what);
    const std::vector<Pixel24> pixels = RandomPixels(size.width * size.height, ++seed);
    EXPECT_TRUE(SameBytes(ThroughPlugin(pixels, size.width, size.height),
                          ByReference(pixels, size.width, size.height), size.width));
  }
}

class NoiseReductionPhotograph : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    const std::string path = DataFile("chelsea.bmp");
    ASSERT_TRUE(host::ReadBmpFile(path, photo_, error)) << error;
    expected_ = ByReference(photo_.pixels, photo_.width, photo_.height);
  }

  host::Bitmap24 photo_;
  std::vector<Pixel24> expected_;
};

TEST_F(NoiseReductionPhotograph, SameBytesAsTheReference) {
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  const std::vector<Pixel24> result = ThroughPlugin(photo_.pixels, photo_.width, photo_.height);
  EXPECT_TRUE(SameBytes(result, expected_, photo_.width));
  EXPECT_NE(Fnv1a(result), Fnv1a(photo_.pixels)) << "the photograph came back unchanged";
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].width, photo_.width);
  EXPECT_EQ(recorder.Calls()[0].height, photo_.height);
  std::printf("chelsea.bmp %d x %d after tool 2: FNV-1a %08X\n", int(photo_.width),
              int(photo_.height), unsigned(Fnv1a(result)));
}

// A host may leave the x87 unit at 53 or 24 bits, or rounding toward zero:
// the plug-in must compute the same bytes and give the control word back.
TEST_F(NoiseReductionPhotograph, HostFpuControlWordChangesNothing) {
  const uint16_t original = FpuControlWord();
  const struct {
    const char* what;
    uint16_t precisionAndRounding;  // bits 8-9 precision, 10-11 rounding
  } settings[] = {
      {"53-bit precision", 0x0200},
      {"24-bit precision", 0x0000},
      {"64-bit precision, rounding toward zero", 0x0F00},
      {"53-bit precision, rounding up", 0x0A00},
  };
  FreshRecorder(kUserValue);
  for (const auto& setting : settings) {
    SCOPED_TRACE(setting.what);
    const uint16_t hostWord = uint16_t((original & ~0x0F00u) | setting.precisionAndRounding);
    TPtsImg image = MakeImage(photo_.pixels);
    SetFpuControlWord(hostWord);
    RunTool(kTool, 0, image, photo_.width, photo_.height);
    const uint16_t after = FpuControlWord();
    SetFpuControlWord(original);
    EXPECT_EQ(after, hostWord) << "control word not restored";
    EXPECT_TRUE(SameBytes(PixelsOf(image), expected_, photo_.width));
  }
}

TEST(NoiseReductionTool, RunsInEveryPhase) {
  const std::vector<Pixel24> pixels = Centred(Rgb(150, 150, 150), Rgb(200, 100, 50));
  for (int32_t phase : {1, 2, -1}) {
    SCOPED_TRACE("phase " + std::to_string(phase));
    host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
    TPtsImg image = MakeImage(pixels);
    RunTool(kTool, phase, image, 3, 3);
    EXPECT_EQ(PixelsOf(image)[4], Rgb(240, 120, 60));
    EXPECT_EQ(recorder.Calls().size(), 1u);
  }
}

}  // namespace
}  // namespace molvane::hosttest
