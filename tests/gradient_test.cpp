// Gradient compensation: line ramps, fast against reference, gains, and the dialog driven headless.
#include "tools/gradient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "boundary/host_protocol.h"
#include "colour/extended_math.h"
#include "colour/power10.h"
#include "host_callback_recorder.h"
#include "dialog_kit/dialog_module.h"
#include "test_images.h"
#include "tools/gradient_dialog.h"
#include "tools/gradient_vector.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;

GradientParams Offsets(int32_t n1, int32_t n2, GradientDirection d = GradientDirection::Vertical) {
  GradientParams p;
  p.direction = d;
  p.offsetN1 = n1;
  p.offsetN2 = n2;
  return p;
}

std::vector<Pixel24> Compensate(const std::vector<Pixel24>& in, int32_t w, int32_t h,
                         const GradientParams& p) {
  std::vector<Pixel24> out(in.size());
  CompensateGradient(in.data(), w * 3, out.data(), w * 3, w, h, p);
  return out;
}

TEST(Gradient, OffsetsRampLinearlyFromTopToBottom) {
  std::vector<Pixel24> in(5, Pixel24{128, 128, 128});
  std::vector<Pixel24> out = Compensate(in, 1, 5, Offsets(-20, 20));
  const int expected[] = {108, 118, 128, 138, 148};
  for (int y = 0; y < 5; ++y) EXPECT_EQ(out[y].g, expected[y]) << "row " << y;
}

TEST(Gradient, OffsetTiesRoundToEven) {
  EXPECT_EQ(LineOffset(Offsets(0, 1), 1, 3), 0);  // 0.5
  EXPECT_EQ(LineOffset(Offsets(0, 1), 2, 3), 1);
  EXPECT_EQ(LineOffset(Offsets(0, 3), 1, 3), 2);  // 1.5
  EXPECT_EQ(LineOffset(Offsets(-1, 0), 1, 3), 0);  // -0.5
}

// The product of the offsets' difference and the line number is a 32-bit
// integer that wraps beyond 8,421,504 lines of a full swing; the division
// and the sum stay exact.
TEST(Gradient, OffsetProductWrapsAtThirtyTwoBits) {
  const struct {
    int32_t n1, n2, t, lines, offset;
  } cases[] = {
      {-127, 128, 8421504, 8421506, 128},          // 2,147,483,520: the last product that fits
      {-127, 128, 8421505, 8421506, -382},         // wraps to -2,147,483,521
      {128, -127, 8421505, 8421506, 383},          // wraps the other way
      {-127, 128, 2147483646, 2147483647, -126},   // the largest line count
  };
  for (const auto& c : cases)
    EXPECT_EQ(LineOffset(Offsets(c.n1, c.n2), c.t, c.lines), c.offset)
        << c.n1 << ".." << c.n2 << ", line " << c.t << " of " << c.lines;
}

TEST(Gradient, ResultsClampInsteadOfWrapping) {
  GradientParams p = Offsets(0, 0);
  p.coefM1 = p.coefM2 = GainOfPosition(200);
  std::vector<Pixel24> out = Compensate({Pixel24{200, 3, 128}}, 1, 1, p);
  EXPECT_EQ(out[0].b, 255);  // 399 before the clamp
  EXPECT_EQ(out[0].g, 6);
  out = Compensate({Pixel24{3, 3, 3}}, 1, 1, Offsets(-127, -127));
  EXPECT_EQ(out[0].b, 0);
}

TEST(Gradient, ASingleLineTakesTheFirstEnd) {
  GradientParams p = Offsets(10, 50);
  p.coefM1 = 2.0L;
  p.coefM2 = 0.5L;
  EXPECT_EQ(LineOffset(p, 0, 1), 10);
  EXPECT_EQ(LineGain(p, 0, 1), 2.0L);
  std::vector<Pixel24> out = Compensate({Pixel24{20, 20, 20}, Pixel24{1, 2, 3}}, 2, 1, p);
  EXPECT_EQ(out[0].r, 50);
  EXPECT_EQ(out[1].r, 16);
}

TEST(Gradient, HorizontalGainsBlendFromLeftToRight) {
  GradientParams p;
  p.direction = GradientDirection::Horizontal;
  p.coefM1 = GainOfPosition(0);
  p.coefM2 = GainOfPosition(200);
  std::vector<Pixel24> in(3 * 2, Pixel24{100, 100, 100});
  std::vector<Pixel24> out = Compensate(in, 3, 2, p);
  EXPECT_EQ(out[0].r, 50);   // 100 * 0.501
  EXPECT_EQ(out[1].r, 125);  // 100 * 1.248
  EXPECT_EQ(out[2].r, 200);  // 100 * 1.995
  EXPECT_EQ(out[5].r, 200);
}

TEST(Gradient, DefaultsAreTheIdentity) {
  std::vector<Pixel24> in = testing::RandomPixels(64 * 9, 5);
  for (GradientDirection d : {GradientDirection::Vertical, GradientDirection::Horizontal}) {
    GradientParams p;
    p.direction = d;
    EXPECT_EQ(0, std::memcmp(Compensate(in, 64, 9, p).data(), in.data(), in.size() * 3));
  }
}

TEST(Gradient, FastPathMatchesReferenceOnAwkwardSizesAndStrides) {
  std::mt19937 random(6);
  for (auto [w, h] : testing::AwkwardSizes()) {
    for (int round = 0; round < 6; ++round) {
      GradientParams p;
      p.direction = round % 2 ? GradientDirection::Horizontal : GradientDirection::Vertical;
      p.offsetN1 = int32_t(random() % 256) - 127;
      p.offsetN2 = int32_t(random() % 256) - 127;
      p.coefM1 = GainOfPosition(int32_t(random() % 201));
      p.coefM2 = GainOfPosition(int32_t(random() % 201));
      const int32_t stride = w * 3 + 5;  // padded rows, as in a bitmap
      std::vector<uint8_t> in(size_t(stride) * h);
      for (uint8_t& b : in) b = uint8_t(random());
      std::vector<uint8_t> fast(in.size(), 0xAA), slow(in.size(), 0xAA);
      auto* src = reinterpret_cast<const Pixel24*>(in.data());
      CompensateGradient(src, stride, reinterpret_cast<Pixel24*>(fast.data()), stride, w, h, p);
      CompensateGradientReference(src, stride, reinterpret_cast<Pixel24*>(slow.data()), stride,
                                  w, h, p);
      ASSERT_EQ(fast, slow) << w << " x " << h << " round " << round;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t pad = w * 3; pad < stride; ++pad)
          ASSERT_EQ(fast[size_t(y) * stride + pad], 0xAA) << "row padding written";
    }
  }
}

TEST(Gradient, WideImagesSpanSeveralColumnBlocks) {
  const int32_t w = 4200, h = 2;
  std::vector<Pixel24> in = testing::RandomPixels(int64_t(w) * h, 8);
  GradientParams p = Offsets(-100, 90, GradientDirection::Horizontal);
  p.coefM1 = GainOfPosition(20);
  p.coefM2 = GainOfPosition(170);
  std::vector<Pixel24> slow(in.size());
  CompensateGradientReference(in.data(), w * 3, slow.data(), w * 3, w, h, p);
  EXPECT_EQ(0, std::memcmp(Compensate(in, w, h, p).data(), slow.data(), in.size() * 3));
}

// Gains that put values exactly on halves (1.5, 2.5) leave the vector line
// for the table; 0.7 keeps the rows on it.
TEST(Gradient, RowsWithTiesTakeTheTableAndTheOthersTheVectors) {
  const int32_t w = 37, h = 9;
  std::vector<Pixel24> in = testing::RandomPixels(int64_t(w) * h, 3);
  for (long double gain : {1.5L, 2.5L, 0.7L}) {
    GradientParams p = Offsets(0, 8, GradientDirection::Vertical);
    p.coefM1 = p.coefM2 = gain;
    std::vector<Pixel24> slow(in.size());
    CompensateGradientReference(in.data(), w * 3, slow.data(), w * 3, w, h, p);
    EXPECT_EQ(0, std::memcmp(Compensate(in, w, h, p).data(), slow.data(), in.size() * 3)) << double(gain);
  }
}

TEST(GradientVectorLine, BothInstructionSetsGiveTheFormulasBytes) {
  std::vector<uint8_t> in(70);
  for (size_t i = 0; i < in.size(); ++i) in[i] = uint8_t(i * 37 + 11);
  for (auto [gain, offset] : {std::pair{1.0f, 0.0f}, std::pair{0.63f, -20.0f}, std::pair{1.99f, 40.0f},
                              std::pair{-3.0f, 300.0f}, std::pair{1e30f, 0.0f}}) {
    for (int64_t count : {0, 1, 15, 16, 31, 32, 33, 70}) {
      std::vector<uint8_t> best(in.size(), 0xAA), sse2(best);
      MapAffine(in.data(), best.data(), count, gain, offset);
      MapAffineSse2(in.data(), sse2.data(), count, gain, offset);
      for (int64_t i = 0; i < count; ++i) ASSERT_EQ(best[size_t(i)], AffineByte(in[size_t(i)], gain, offset)) << gain << " " << i;
      EXPECT_EQ(best, sse2) << gain << " " << count;
    }
  }
}

TEST(GainOfPosition, SpansAboutHalfToTwoWithOneExactlyInTheMiddle) {
  EXPECT_EQ(GainOfPosition(100), 1.0L);
  EXPECT_NEAR(double(GainOfPosition(0)), 0.501187, 1e-6);
  EXPECT_NEAR(double(GainOfPosition(50)), 0.707946, 1e-6);
  EXPECT_NEAR(double(GainOfPosition(150)), 1.412538, 1e-6);
  EXPECT_NEAR(double(GainOfPosition(200)), 1.995262, 1e-6);
}

TEST(Power10, AgreesWithTheLibraryToAnUnitInTheLastPlace) {
  ExtendedPrecisionScope extended;
  for (int k = -300; k <= 300; ++k) {
    const long double e = (long double)k / 1000.0L;
    const long double ours = Power10(e);
    const long double library = std::pow(10.0L, e);
    EXPECT_LE(std::fabs(ours - library), std::ldexp(std::fabs(library), -62)) << "k " << k;
  }
}

class GradientDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TCompDegr>::Initialize();
    HostCalls().clear();
    RegisterHostCallback(testing::RecordHostCall, 9);
  }
  void TearDown() override {
    RegisterHostCallback(nullptr, 0);
    DialogModule<TCompDegr>::Finalize();
  }
  static void Script(std::function<void(TCompDegr&)> steps) {
    ui::headless::TheState().modalScript = [steps](ui::Form& form) {
      steps(static_cast<TCompDegr&>(form));
    };
  }
};

TEST_F(GradientDialog, ShowsTheIdentityAtFirstWithTheUsersSeparator) {
  ui::headless::TheState().decimalSeparator = ',';
  TPtsImg image(6);
  for (int i = 0; i < 6; ++i) image[i] = {uint8_t(40 * i), 9, 200};
  Script([&](TCompDegr& d) {
    EXPECT_EQ(d.DirComp.ItemIndex(), 0);
    EXPECT_EQ(d.Corr1.Caption(), "Haut");
    EXPECT_EQ(d.Coef2.Caption(), "Bas");
    EXPECT_EQ(d.ValN1.Caption(), "0");
    EXPECT_EQ(d.ValN2.Caption(), "0");
    EXPECT_EQ(d.ValM1.Caption(), "1,00");
    EXPECT_EQ(d.ValM2.Caption(), "1,00");
    EXPECT_EQ(0, std::memcmp(d.PreVisu.Bitmap().ScanLine(1), image.Data() + 3, 9));
    d.CurseurN1.SetPosition(0);
    EXPECT_EQ(d.ValN1.Caption(), "-127");
    d.CurseurM2.SetPosition(150);
    EXPECT_EQ(d.ValM2.Caption(), "1,41");
    d.DirComp.SetItemIndex(1);
    EXPECT_EQ(d.Corr1.Caption(), "Gauche");
    EXPECT_EQ(d.Coef2.Caption(), "Droite");
    EXPECT_EQ(d.CurseurN1.Position(), 0) << "the sliders keep their values";
    d.Annuler.Click();
  });
  TheDialog<TCompDegr>().Open(ImageRun(image, {3, 2}));
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].applied, 0);
  EXPECT_EQ(HostCalls()[0].finished, 1);
  EXPECT_EQ(image[4].b, 160) << "cancel leaves the host's pixels";
}

TEST_F(GradientDialog, AppliquerCorrectsTheHostImageAsThePreviewShowed) {
  const int32_t w = 700, h = 400;
  std::vector<Pixel24> source = testing::RandomPixels(int64_t(w) * h, 10);
  TPtsImg image(w * h);
  std::memcpy(image.Data(), source.data(), source.size() * 3);
  GradientParams used;
  Script([&](TCompDegr& d) {
    d.DirComp.SetItemIndex(1);
    d.CurseurN1.SetPosition(107);
    d.CurseurN2.SetPosition(147);
    d.CurseurM1.SetPosition(80);
    d.CurseurM2.SetPosition(120);
    used = d.Params();
    d.PressEnter();
  });
  TheDialog<TCompDegr>().Open(ImageRun(image, {w, h}));
  EXPECT_EQ(used.offsetN1, -20);
  EXPECT_EQ(used.offsetN2, 20);
  std::vector<Pixel24> expected(source.size());
  CompensateGradientReference(source.data(), w * 3, expected.data(), w * 3, w, h, used);
  EXPECT_EQ(0, std::memcmp(image.Data(), expected.data(), expected.size() * 3));
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].applied, 1);
  EXPECT_EQ(HostCalls()[0].width, w);
}

TEST_F(GradientDialog, ReinitialiserRestoresEveryControl) {
  TPtsImg image(4);
  Script([](TCompDegr& d) {
    d.DirComp.SetItemIndex(1);
    d.CurseurN2.SetPosition(3);
    d.CurseurM1.SetPosition(7);
    d.ReInit.Click();
    EXPECT_EQ(d.DirComp.ItemIndex(), 0);
    EXPECT_EQ(d.Corr1.Caption(), "Haut");
    EXPECT_EQ(d.CurseurN2.Position(), 127);
    EXPECT_EQ(d.CurseurM1.Position(), 100);
    EXPECT_EQ(d.ValM1.Caption(), "1,00");
    EXPECT_EQ(ApplyFlag(), 0);
    d.Annuler.Click();
  });
  TheDialog<TCompDegr>().Open(ImageRun(image, {2, 2}));
}

}  // namespace
}  // namespace molvane
