// The threshold: the pixel test, fast against reference, and the dialog driven headless.
#include "tools/threshold.h"
#include "tools/threshold_avx2.h"
#include "tools/threshold_sse2.h"

#include <gtest/gtest.h>

#include <cstring>

#include "boundary/host_protocol.h"
#include "colour/cpu_features.h"
#include "host_callback_recorder.h"
#include "dialog_kit/dialog_module.h"
#include "test_images.h"
#include "tools/threshold_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;

TEST(PassesThreshold, ComparesLightnessStrictlyOnTheKeptSide) {
  const Pixel24 red{0, 0, 255};  // lightness 127
  EXPECT_TRUE(PassesThreshold(red, 126, KeptSide::Above));
  EXPECT_FALSE(PassesThreshold(red, 127, KeptSide::Above));
  EXPECT_FALSE(PassesThreshold(red, 127, KeptSide::Below));
  EXPECT_TRUE(PassesThreshold(red, 128, KeptSide::Below));
  const Pixel24 grey{128, 128, 128};
  EXPECT_FALSE(PassesThreshold(grey, 128, KeptSide::Above));
  EXPECT_FALSE(PassesThreshold(grey, 128, KeptSide::Below));
}

TEST(ThresholdPixels, ExtremeThresholdsBlackenEverything) {
  std::vector<Pixel24> in = testing::RandomPixels(500, 3), out(500);
  ThresholdPixels(in.data(), out.data(), 500, 255, KeptSide::Above);
  for (const Pixel24& p : out) ASSERT_EQ(p.r | p.g | p.b, 0);
  ThresholdPixels(in.data(), out.data(), 500, 0, KeptSide::Below);
  for (const Pixel24& p : out) ASSERT_EQ(p.r | p.g | p.b, 0);
}

// The dispatch, and each vector kernel on its own: where the processor has
// AVX2 the dispatch leaves the SSE2 kernel no more than one block.
TEST(ThresholdPixels, FastPathMatchesReferenceForEveryThresholdAndSide) {
  struct Kernel {
    const char* name;
    int64_t pixels;  // to a run
    void (*run)(const Pixel24*, Pixel24*, int64_t, KeptSide, uint8_t);
  };
  std::vector<Kernel> kernels = {{"SSE2", 16, ThresholdBlocksSse2}};
  if (CpuHasAvx2()) kernels.push_back({"AVX2", 32, ThresholdRunsAvx2});
  std::vector<Pixel24> in = testing::RandomPixels(4099, 4);
  std::vector<Pixel24> fast(in.size()), slow(in.size());
  for (int32_t t = -1; t <= 256; ++t)
    for (KeptSide side : {KeptSide::Above, KeptSide::Below}) {
      ThresholdPixels(in.data(), fast.data(), int64_t(in.size()), t, side);
      ThresholdPixelsReference(in.data(), slow.data(), int64_t(in.size()), t, side);
      ASSERT_EQ(0, std::memcmp(fast.data(), slow.data(), in.size() * 3)) << "threshold " << t;
      // The kernels keep L >= t + 1 (above) or L <= t - 1 (below), a bound of 0..255.
      const int32_t bound = side == KeptSide::Above ? t + 1 : t - 1;
      if (bound < 0 || bound > 255) continue;
      for (const Kernel& kernel : kernels) {
        const int64_t runs = 97 / kernel.pixels, done = runs * kernel.pixels;
        std::vector<Pixel24> out(97, Pixel24{1, 2, 3});
        kernel.run(in.data(), out.data(), runs, side, uint8_t(bound));
        ASSERT_EQ(0, std::memcmp(out.data(), slow.data(), size_t(done) * 3)) << kernel.name << ", threshold " << t;
        for (int64_t i = done; i < 97; ++i) {
          const Pixel24 p = out[size_t(i)];
          ASSERT_TRUE(p.b == 1 && p.g == 2 && p.r == 3) << kernel.name << ": pixel " << i << " written";
        }
      }
    }
}

// Up to 100 pixels: every mix of 32-pixel runs, a 16-pixel block and a tail.
TEST(ThresholdPixels, WorksInPlaceAndOnEveryTailLength) {
  for (int64_t count = 0; count <= 100; ++count) {
    std::vector<Pixel24> in = testing::RandomPixels(count, uint32_t(count));
    std::vector<Pixel24> slow(in.size());
    ThresholdPixelsReference(in.data(), slow.data(), count, 97, KeptSide::Below);
    ThresholdPixels(in.data(), in.data(), count, 97, KeptSide::Below);
    if (count > 0) {
      ASSERT_EQ(0, std::memcmp(in.data(), slow.data(), in.size() * 3)) << count;
    }
  }
}

class ThresholdDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TSeuilImg>::Initialize();
    HostCalls().clear();
    RegisterHostCallback(testing::RecordHostCall, 77);
  }
  void TearDown() override {
    RegisterHostCallback(nullptr, 0);
    DialogModule<TSeuilImg>::Finalize();
  }
  // A w x h image whose pixel i is the grey level i mod 256.
  static TPtsImg GreyRamp(int32_t w, int32_t h) {
    TPtsImg image(w * h);
    for (int32_t i = 0; i < w * h; ++i) image[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    return image;
  }
  static void Script(std::function<void(TSeuilImg&)> steps) {
    ui::headless::TheState().modalScript = [steps](ui::Form& form) {
      steps(static_cast<TSeuilImg&>(form));
    };
  }
};

TEST_F(ThresholdDialog, OpensAtThresholdOneTwentyEightWithALivePreview) {
  TPtsImg image = GreyRamp(16, 16);
  Script([](TSeuilImg& d) {
    EXPECT_EQ(d.Caption(), "Seuillage d'une image");
    EXPECT_EQ(d.PosSeuil.Position(), 128);
    EXPECT_EQ(d.ValS.Caption(), "128");
    EXPECT_EQ(d.PreVisu.Bitmap().Width(), 16);
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(8)[0].r, 0) << "grey 128 is black";
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(8)[1].r, 129);
    d.PosSeuil.SetPosition(200);
    EXPECT_EQ(d.ValS.Caption(), "200");
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(8)[1].r, 0);
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(12)[9].r, 201);
    d.SousSeuil.SetItemIndex(1);  // re-rendered at once with the current threshold
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(12)[9].r, 0);
    EXPECT_EQ(d.PreVisu.Bitmap().ScanLine(0)[5].r, 5);
    d.Annuler.Click();
  });
  TheDialog<TSeuilImg>().Open(ImageRun(image, {16, 16}));
  EXPECT_EQ(image[129].r, 129) << "the preview never touches the host's pixels";
}

TEST_F(ThresholdDialog, AppliquerThresholdsTheWholeHostImageAndReports) {
  TPtsImg image = GreyRamp(1000, 500);
  ScreenCursor cursorDuringApply = ScreenCursor::Default;
  Script([&](TSeuilImg& d) {
    d.PosSeuil.SetPosition(100);
    d.Appliquer.OnClick = [&](ui::Component* s) {
      d.AppliquerClick(s);
      cursorDuringApply = CurrentScreenCursor();
    };
    d.Appliquer.Click();
  });
  TheDialog<TSeuilImg>().Open(ImageRun(image, {1000, 500}));
  ASSERT_EQ(HostCalls().size(), 1u);
  const testing::HostCall& call = HostCalls()[0];
  EXPECT_EQ(call.userValue, 77);
  EXPECT_EQ(call.width, 1000);
  EXPECT_EQ(call.height, 500);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied, 1);
  EXPECT_EQ(call.finished, 1);
  for (int32_t i : {0, 100, 101, 255, 256 + 101, 499999})
    EXPECT_EQ(image[i].r, (i % 256) > 100 ? i % 256 : 0) << "pixel " << i;
  EXPECT_EQ(ui::headless::TheState().modalRunsLeftOpen, 0);
  EXPECT_EQ(image.RefCount(), 2) << "the dialog keeps its reference until the next Open";
}

TEST_F(ThresholdDialog, CancelLeavesTheHostImageAndReportsNotApplied) {
  TPtsImg image = GreyRamp(8, 8);
  TPtsImg before = image.Copy();
  Script([](TSeuilImg& d) {
    d.PosSeuil.SetPosition(30);
    d.PressEscape();
  });
  TheDialog<TSeuilImg>().Open(ImageRun(image, {8, 8}));
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].applied, 0);
  EXPECT_EQ(HostCalls()[0].finished, 1);
  EXPECT_EQ(0, std::memcmp(image.Data(), before.Data(), 64 * 3));
}

TEST_F(ThresholdDialog, ReinitialiserResetsTheSliderButKeepsTheSide) {
  TPtsImg image = GreyRamp(4, 4);
  Script([](TSeuilImg& d) {
    d.SousSeuil.SetItemIndex(1);
    d.PosSeuil.SetPosition(10);
    d.ReInit.Click();
    EXPECT_EQ(d.PosSeuil.Position(), 128);
    EXPECT_EQ(d.ValS.Caption(), "128");
    EXPECT_EQ(d.SousSeuil.ItemIndex(), 1);
    d.PressEnter();
  });
  TheDialog<TSeuilImg>().Open(ImageRun(image, {4, 4}));
  EXPECT_EQ(image[5].r, 5) << "kept below 128";
  // The side lasts into the next opening; the threshold does not.
  Script([](TSeuilImg& d) {
    EXPECT_EQ(d.SousSeuil.ItemIndex(), 1);
    EXPECT_EQ(d.PosSeuil.Position(), 128);
    d.Annuler.Click();
  });
  TheDialog<TSeuilImg>().Open(ImageRun(image, {4, 4}));
  EXPECT_EQ(HostCalls().size(), 2u);
}

TEST_F(ThresholdDialog, ASecondOpenReleasesTheFirstHostImage) {
  TPtsImg first = GreyRamp(2, 2), second = GreyRamp(2, 2);
  Script([](TSeuilImg& d) { d.Annuler.Click(); });
  TheDialog<TSeuilImg>().Open(ImageRun(first, {2, 2}));
  EXPECT_EQ(first.RefCount(), 2);
  TheDialog<TSeuilImg>().Open(ImageRun(second, {2, 2}));
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 2);
}

}  // namespace
}  // namespace molvane
