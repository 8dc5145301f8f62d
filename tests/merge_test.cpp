// The merge: the pixel rules, fast against reference (the mix exhaustively), and the dialog driven headless.
#include "tools/merge.h"
#include "tools/merge_avx2.h"
#include "tools/merge_sse2.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "colour/colour.h"
#include "colour/cpu_features.h"
#include "colour/extended_math.h"
#include "counting_allocator.h"
#include "dialog_kit/preview.h"
#include "host_callback_recorder.h"
#include "dialog_kit/dialog_module.h"
#include "loaded_library.h"
#include "test_images.h"
#include "tools/merge_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::MakeImage;
using testing::PixelsOf;
using testing::SameBytes;

bool Same(Pixel24 a, Pixel24 b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

std::string Show(Pixel24 p) {
  return "(b " + std::to_string(p.b) + ", g " + std::to_string(p.g) + ", r " + std::to_string(p.r) + ")";
}

MergeParams Transparency(int32_t rate, Prevalent prevalent = Prevalent::None, int32_t low = 0,
                         int32_t high = 255) {
  MergeParams p;
  p.mode = MergeMode::Transparency;
  p.rate = rate;
  p.prevalent = prevalent;
  p.low = low;
  p.high = high;
  return p;
}

Pixel24 Grey(uint8_t v) { return Pixel24{v, v, v}; }

std::vector<Pixel24> Merged(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b,
                            const MergeParams& p) {
  std::vector<Pixel24> out(a.size());
  MergePixels(a.data(), b.data(), out.data(), int64_t(a.size()), p);
  return out;
}

// --- the pixel rules ---------------------------------------------------------------

TEST(MergePixel, MaximumChoosesEachChannelOnItsOwn) {
  MergeParams p;  // "Luminosité la plus élevée"
  const Pixel24 out = MergePixel(Pixel24{10, 200, 30}, Pixel24{50, 100, 90}, p);
  EXPECT_TRUE(Same(out, Pixel24{50, 200, 90})) << Show(out);
}

TEST(MergePixel, MixTruncatesTheDivisionByAHundred) {
  EXPECT_EQ(MergePixel(Grey(255), Grey(0), Transparency(50)).g, 127);  // 127.5
  EXPECT_EQ(MergePixel(Grey(1), Grey(0), Transparency(50)).g, 0);      // 0.5
  EXPECT_EQ(MergePixel(Grey(0), Grey(255), Transparency(1)).g, 2);     // 2.55
  EXPECT_EQ(MergePixel(Grey(200), Grey(100), Transparency(70)).g, 130);
}

TEST(MergePixel, RatesOutsideTheSliderTakeTheNearestEnd) {
  const Pixel24 a{1, 2, 3}, b{250, 251, 252};
  EXPECT_TRUE(Same(MergePixel(a, b, Transparency(-5)), a));
  EXPECT_TRUE(Same(MergePixel(a, b, Transparency(150)), b));
}

// The band 100..150 is closed: lightness 100 and 150 are mixed, 99 and 151
// keep the prevalent pixel. (0, 200, 100) and (0, 199, 100) have lightness
// 100 and 99 through max and min, not through a grey.
TEST(MergePixel, PrevalentFirstImageStaysOutsideTheClosedBand) {
  const MergeParams p = Transparency(50, Prevalent::First, 100, 150);
  const Pixel24 other = Grey(0);
  EXPECT_EQ(MergePixel(Grey(100), other, p).g, 50);
  EXPECT_EQ(MergePixel(Grey(150), other, p).g, 75);
  EXPECT_EQ(MergePixel(Grey(99), other, p).g, 99);
  EXPECT_EQ(MergePixel(Grey(151), other, p).g, 151);
  EXPECT_TRUE(Same(MergePixel(Pixel24{0, 200, 100}, other, p), Pixel24{0, 100, 50}));
  EXPECT_TRUE(Same(MergePixel(Pixel24{0, 199, 100}, other, p), Pixel24{0, 199, 100}));
}

TEST(MergePixel, PrevalentSecondImageIsJudgedByItsOwnLightness) {
  const MergeParams p = Transparency(50, Prevalent::Second, 100, 150);
  // The first pixel's lightness lies outside the band; only the second's counts.
  EXPECT_EQ(MergePixel(Grey(0), Grey(120), p).g, 60);
  EXPECT_EQ(MergePixel(Grey(255), Grey(151), p).g, 151);
  EXPECT_EQ(MergePixel(Grey(255), Grey(99), p).g, 99);
}

TEST(MergePixels, RateZeroIsTheFirstImageAndRateHundredTheSecond) {
  const std::vector<Pixel24> a = testing::RandomPixels(1001, 1), b = testing::RandomPixels(1001, 2);
  EXPECT_TRUE(SameBytes(Merged(a, b, Transparency(0)), a));
  EXPECT_TRUE(SameBytes(Merged(a, b, Transparency(100)), b));
}

TEST(MergePixels, AFullBandWithAPrevalentImageIsThePlainMix) {
  const std::vector<Pixel24> a = testing::RandomPixels(777, 3), b = testing::RandomPixels(777, 4);
  for (Prevalent prevalent : {Prevalent::First, Prevalent::Second})
    for (int32_t rate : {0, 37, 100})
      EXPECT_TRUE(SameBytes(Merged(a, b, Transparency(rate, prevalent)), Merged(a, b, Transparency(rate))))
          << "rate " << rate;
}

// Every (a, b, p) of the mix's domain, 256 x 256 x 101, through the fast
// path and each vector kernel on its own, with and without a band (which
// takes the kernels' other loop; here it holds every lightness): pixel i
// pairs the bytes i mod 256 and i div 256 in each channel (in another order
// per channel), 65536 pixels, a whole number of vector blocks.
TEST(MergePixels, TheMixIsExactForEveryPairOfBytesAndEveryRate) {
  using Path = void (*)(const Pixel24*, const Pixel24*, Pixel24*, int64_t, const MergeParams&);
  std::vector<std::pair<const char*, Path>> paths = {
      {"dispatch", MergePixels},
      {"SSE2", [](const Pixel24* a, const Pixel24* b, Pixel24* out, int64_t count, const MergeParams& p) {
         MergeBlocksSse2(a, b, out, count / 16, p, p.rate);
       }}};
  if (CpuHasAvx2())
    paths.push_back({"AVX2", [](const Pixel24* a, const Pixel24* b, Pixel24* out, int64_t count,
                                const MergeParams& p) { MergeRunsAvx2(a, b, out, count / 32, p, p.rate); }});
  std::vector<Pixel24> a(65536), b(65536), out(65536);
  for (int32_t i = 0; i < 65536; ++i) {
    const uint8_t lo = uint8_t(i), hi = uint8_t(i >> 8);
    a[size_t(i)] = Pixel24{lo, hi, uint8_t(lo ^ 0x5A)};
    b[size_t(i)] = Pixel24{hi, lo, uint8_t(hi + 77)};
  }
  const auto* x = reinterpret_cast<const uint8_t*>(a.data());
  const auto* y = reinterpret_cast<const uint8_t*>(b.data());
  const auto* m = reinterpret_cast<const uint8_t*>(out.data());
  for (int32_t p = 0; p <= 100; ++p)
    for (const MergeParams& params : {Transparency(p), Transparency(p, Prevalent::Second)})
      for (const auto& [name, path] : paths) {
        std::fill(out.begin(), out.end(), Grey(0));
        path(a.data(), b.data(), out.data(), 65536, params);
        for (size_t k = 0; k < 3 * 65536; ++k) {
          const int expected = (int(x[k]) * (100 - p) + int(y[k]) * p) / 100;
          ASSERT_EQ(int(m[k]), expected) << name << ": a " << int(x[k]) << ", b " << int(y[k]) << ", p " << p
                                         << (params.prevalent == Prevalent::None ? "" : ", with a band");
        }
      }
}

// Every lightness of the prevalent image against every band end, through the
// vector path: the band test is on the pixel, not on each byte.
TEST(MergePixels, EveryLightnessMeetsEveryBandEnd) {
  std::vector<Pixel24> a(256 * 3), b(256 * 3, Grey(0));
  for (int32_t l = 0; l < 256; ++l) {
    a[size_t(3 * l)] = Grey(uint8_t(l));
    a[size_t(3 * l + 1)] = Pixel24{uint8_t(l), 255, uint8_t(2 * l - 255 > 0 ? 2 * l - 255 : 0)};
    a[size_t(3 * l + 2)] = Pixel24{uint8_t(2 * l > 255 ? 255 : 2 * l), 0, uint8_t(l)};
  }
  for (int32_t low : {0, 1, 99, 100, 128, 254, 255})
    for (int32_t high : {0, 1, 100, 150, 254, 255}) {
      const MergeParams p = Transparency(40, Prevalent::First, low, high);
      std::vector<Pixel24> slow(a.size());
      MergePixelsReference(a.data(), b.data(), slow.data(), int64_t(a.size()), p);
      ASSERT_TRUE(SameBytes(Merged(a, b, p), slow)) << "band " << low << ".." << high;
    }
}

TEST(MergePixels, FastPathMatchesReferenceOnAwkwardSizes) {
  std::vector<std::pair<int32_t, int32_t>> sizes = testing::AwkwardSizes();
  for (int32_t n : {15, 16, 17, 31, 32, 33, 47, 48, 49, 95, 96, 97}) sizes.push_back({n, 1});
  std::vector<MergeParams> choices = {MergeParams{}};
  for (Prevalent prevalent : {Prevalent::None, Prevalent::First, Prevalent::Second})
    for (int32_t rate : {0, 1, 50, 99, 100})
      for (auto band : {std::pair<int32_t, int32_t>{0, 255}, {60, 190}, {128, 128}, {200, 10},
                        {-20, 300}, {256, 400}})
        choices.push_back(Transparency(rate, prevalent, band.first, band.second));
  uint32_t seed = 10;
  for (auto [w, h] : sizes) {
    const int64_t count = int64_t(w) * h;
    const std::vector<Pixel24> a = testing::RandomPixels(count, seed++);
    const std::vector<Pixel24> b = testing::RandomPixels(count, seed++);
    for (const MergeParams& p : choices) {
      std::vector<Pixel24> slow(a.size());
      MergePixelsReference(a.data(), b.data(), slow.data(), count, p);
      ASSERT_TRUE(SameBytes(Merged(a, b, p), slow)) << w << " x " << h << ", rate " << p.rate;
      // The SSE2 kernel on its own too: with AVX2 the dispatch leaves it no more than one block.
      std::vector<Pixel24> blocks = slow;
      MergeBlocksSse2(a.data(), b.data(), blocks.data(), count / 16, p, std::clamp(p.rate, 0, 100));
      ASSERT_TRUE(SameBytes(blocks, slow)) << "SSE2, " << w << " x " << h << ", rate " << p.rate;
    }
  }
}

TEST(MergePixels, WritesInPlaceAndNothingPastTheEnd) {
  for (int64_t count : {int64_t(1), int64_t(16), int64_t(35), int64_t(64)}) {
    const std::vector<Pixel24> a = testing::RandomPixels(count, 20), b = testing::RandomPixels(count, 21);
    for (const MergeParams& p : {MergeParams{}, Transparency(30, Prevalent::Second, 50, 200)}) {
      std::vector<Pixel24> expected(a.size());
      MergePixelsReference(a.data(), b.data(), expected.data(), count, p);
      std::vector<Pixel24> intoFirst = a, intoSecond = b;
      MergePixels(intoFirst.data(), b.data(), intoFirst.data(), count, p);
      MergePixels(a.data(), intoSecond.data(), intoSecond.data(), count, p);
      EXPECT_TRUE(SameBytes(intoFirst, expected)) << count;
      EXPECT_TRUE(SameBytes(intoSecond, expected)) << count;
      std::vector<Pixel24> guarded(size_t(count) + 8, Grey(0xEE));
      MergePixels(a.data(), b.data(), guarded.data(), count, p);
      for (size_t i = size_t(count); i < guarded.size(); ++i)
        ASSERT_TRUE(Same(guarded[i], Grey(0xEE))) << "pixel " << i << " written past " << count;
    }
  }
}

// --- the dialog ---------------------------------------------------------------------

// A host that records each call and, as the contract asks, takes its own
// reference to a delivered image during the call.
struct TakenImage {
  TPtsImg image;
  int32_t countBeforeTaking = -1;
};
TakenImage& Taken() {
  static TakenImage taken;
  return taken;
}
void MOLVANE_STDCALL TakingHost(int32_t userValue, int32_t width, int32_t height, int32_t reserved1,
                                int32_t reserved2, int32_t actionCode, intptr_t actionData,
                                int32_t applied, int32_t finished) {
  testing::RecordHostCall(userValue, width, height, reserved1, reserved2, actionCode, actionData,
                          applied, finished);
  if (actionCode != MOLVANE_ACTION_NEW_IMAGE) return;
  auto* handle = reinterpret_cast<Pixel24*>(actionData);
  Taken().countBeforeTaking = TPtsImg::RefCountOf(handle);
  Taken().image = TPtsImg::Share(handle);
}

class MergeDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TFusionner>::Initialize();
    HostCalls().clear();
    Taken() = TakenImage{};
    RegisterHostCallback(TakingHost, 0x7E57);
  }
  void TearDown() override {
    RegisterHostCallback(nullptr, 0);
    if (TheDialog<TFusionner>().Showing()) TheDialog<TFusionner>().AnnulerClick(nullptr);
    Taken() = TakenImage{};
    DialogModule<TFusionner>::Finalize();
  }
  static TFusionner& D() { return TheDialog<TFusionner>(); }

  // XchgData's part of a call: the flag cleared, then the tool's entry.
  static void Open(const TPtsImg& image, int32_t w, int32_t h, const char* name = "premier.bmp") {
    ApplyFlag() = 0;
    D().Open(ImageRun(image, {w, h}, name));
  }
  static void Continue(const TPtsImg& image, int32_t w, int32_t h, const char* name = "second.bmp") {
    ApplyFlag() = 0;
    D().Continue(PhaseOneCall{{0, 0}, image, TPtsImg(), {w, h}, name});
  }
  static std::vector<Pixel24> PreviewOnScreen() {
    const ui::Bitmap24& bitmap = D().PreVisu.Bitmap();
    std::vector<Pixel24> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
      pixels.insert(pixels.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + bitmap.Width());
    return pixels;
  }
  static std::vector<Pixel24> Samples(const std::vector<Pixel24>& image, int32_t w, int32_t h) {
    const PreviewGeometry g = PreviewGeometryFor({w, h});
    std::vector<Pixel24> preview(size_t(g.width) * size_t(g.height));
    SamplePreview(image.data(), {w, h}, g, preview.data());
    return preview;
  }
  static std::vector<Pixel24> Reference(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b,
                                        const MergeParams& p) {
    std::vector<Pixel24> out(a.size());
    MergePixelsReference(a.data(), b.data(), out.data(), int64_t(a.size()), p);
    return out;
  }
};

TEST_F(MergeDialog, OpenAsksForASecondImageAndWaitsOnTop) {
  TPtsImg first = MakeImage(testing::RandomPixels(640 * 480, 30));
  Open(first, 640, 480, "chat.bmp");
  ASSERT_EQ(HostCalls().size(), 1u);
  const testing::HostCall& call = HostCalls()[0];
  EXPECT_EQ(call.userValue, 0x7E57);
  EXPECT_EQ(call.width, 640);
  EXPECT_EQ(call.height, 480);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, MOLVANE_DATA_ASK_SECOND_IMAGE);
  EXPECT_EQ(call.applied, 0);
  EXPECT_EQ(call.finished, 0);

  EXPECT_TRUE(D().Showing());
  EXPECT_FALSE(D().Modal());
  EXPECT_TRUE(D().StayOnTop());
  EXPECT_EQ(D().Caption(), "Fusion d'images");
  EXPECT_EQ(D().ClientWidth(), 642);
  EXPECT_EQ(D().ClientHeight(), 344);
  // Windows-1252 bytes: N\xB0 is "N°", \xB2 is "²".
  EXPECT_EQ(D().Image1.Caption(), " Image N\xB0 1  : \"chat.bmp\" ");
  EXPECT_EQ(D().Taille1.Caption(), "L = 640 x H = 480 pixels\xB2");
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(D().Taille2.Caption(), "Cliquez sur une image");
  EXPECT_FALSE(D().ModeFusion.Enabled());
  EXPECT_EQ(D().ModeFusion.ItemIndex(), 0);
  EXPECT_EQ(D().ModeFusion.Items(),
            (std::vector<std::string>{"Luminosit\xE9 la plus \xE9lev\xE9" "e", "Jeu de transparence"}));
  EXPECT_EQ(D().ModeFusion.Columns(), 2);
  EXPECT_FALSE(D().Appliquer.Enabled());
  EXPECT_FALSE(D().BoxTransparence.Visible());
  EXPECT_EQ(D().TauxTransp.Position(), 50);
  EXPECT_EQ(D().TxImg1.Caption(), "50 %");
  EXPECT_EQ(D().TxImg2.Caption(), "50 %");
  EXPECT_EQ(D().GroupBox1.Caption(), " Image pr\xE9valente ");
  EXPECT_FALSE(D().Img1PreV.Checked());
  EXPECT_FALSE(D().Img2PreV.Checked());
  EXPECT_FALSE(D().TxMin.Enabled());
  EXPECT_FALSE(D().TxMax.Enabled());
  EXPECT_FALSE(D().TxMi.Enabled());
  EXPECT_FALSE(D().TxMx.Enabled());
  EXPECT_EQ(D().TxMi.Caption(), "0");
  EXPECT_EQ(D().TxMx.Caption(), "255");
  EXPECT_EQ(D().ZoneTrsp.Caption(), "Zone transparente");
  EXPECT_EQ(D().ZoneTrsp.Bounds().left, 11);
  EXPECT_EQ(D().ZoneTrsp.Bounds().width, 255);
  EXPECT_TRUE(D().CadreAff.DoubleBuffered());
  EXPECT_EQ(D().PreVisu.Bitmap().Width(), 320);
  EXPECT_EQ(D().PreVisu.Bitmap().Height(), 240);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Samples(PixelsOf(first), 640, 480)));
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(first.RefCount(), 2) << "the dialog holds the first image";
}

TEST_F(MergeDialog, ButtonsHaveTheirCaptionsAndRoles) {
  EXPECT_EQ(D().ReInit.Caption(), "R\xE9initialiser");
  EXPECT_TRUE(D().Annuler.IsCancel());
  EXPECT_TRUE(D().Appliquer.IsDefault());
  EXPECT_FALSE(D().Appliquer.Glyph().Empty());
}

// 1000 x 500: previews of 320 x 160 at (1, 81); preview pixel (x, y) is
// source pixel (Trunc(3.125 x), Trunc(3.125 y)) of both images.
TEST_F(MergeDialog, LargeImagesArePreviewedAtScaleThreePointOneTwoFive) {
  const int32_t w = 1000, h = 500;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 31), b = testing::RandomPixels(w * h, 32);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Open(first, w, h);
  EXPECT_EQ(D().PreVisu.Bounds().left, 1);
  EXPECT_EQ(D().PreVisu.Bounds().top, 81);
  EXPECT_EQ(D().PreVisu.Bounds().width, 320);
  EXPECT_EQ(D().PreVisu.Bounds().height, 160);
  Continue(second, w, h);
  const std::vector<Pixel24> shown = PreviewOnScreen();
  ASSERT_EQ(shown.size(), 320u * 160u);
  for (int32_t y : {0, 1, 7, 159})
    for (int32_t x : {0, 1, 5, 319}) {
      const size_t source = size_t(Trunc(3.125L * y)) * w + size_t(Trunc(3.125L * x));
      const Pixel24 expected = MergePixel(a[source], b[source], MergeParams{});
      EXPECT_TRUE(Same(shown[size_t(y) * 320 + size_t(x)], expected)) << x << ", " << y;
    }
}

TEST_F(MergeDialog, SmallImagesArePreviewedPixelForPixelCentred) {
  const int32_t w = 200, h = 100;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 33), b = testing::RandomPixels(w * h, 34);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Open(first, w, h);
  EXPECT_EQ(D().PreVisu.Bounds().left, 61);
  EXPECT_EQ(D().PreVisu.Bounds().top, 111);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), a));
  Continue(second, w, h);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, MergeParams{})));
}

// The matching second image: flag, labels, the merge enabled and previewed
// by maximum; then the transparency controls, each re-rendering at once.
TEST_F(MergeDialog, AMatchingSecondImageEnablesTheMergeAndEveryControlRendersIt) {
  const int32_t w = 40, h = 30;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 35), b = testing::RandomPixels(w * h, 36);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Open(first, w, h);
  Continue(second, w, h, "autre.bmp");
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 : \"autre.bmp\" ");
  EXPECT_EQ(D().Taille2.Caption(), "L = 40 x H = 30 pixels\xB2");
  EXPECT_TRUE(D().ModeFusion.Enabled());
  EXPECT_TRUE(D().Appliquer.Enabled());
  EXPECT_TRUE(ui::headless::TheState().boxes.empty());
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, MergeParams{})));
  EXPECT_EQ(second.RefCount(), 2);

  D().ModeFusion.SetItemIndex(1);  // a user's click keeps the rate
  EXPECT_TRUE(D().BoxTransparence.Visible());
  EXPECT_EQ(D().TauxTransp.Position(), 50);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(50))));
  D().TauxTransp.SetPosition(70);
  EXPECT_EQ(D().TxImg1.Caption(), "30 %");
  EXPECT_EQ(D().TxImg2.Caption(), "70 %");
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(70))));
  D().TauxTransp.SetPosition(0);
  EXPECT_EQ(D().TxImg1.Caption(), "100 %");
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), a));
  D().TauxTransp.SetPosition(100);
  EXPECT_EQ(D().TxImg2.Caption(), "100 %");
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), b));

  D().TauxTransp.SetPosition(30);
  D().Img1PreV.Click();
  EXPECT_TRUE(D().TxMin.Enabled());
  EXPECT_TRUE(D().TxMax.Enabled());
  EXPECT_TRUE(D().TxMi.Enabled());
  EXPECT_TRUE(D().TxMx.Enabled());
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(30)))) << "the full band mixes all";
  D().TxMin.SetPosition(100);
  D().TxMax.SetPosition(150);
  EXPECT_EQ(D().TxMi.Caption(), "100");
  EXPECT_EQ(D().TxMx.Caption(), "150");
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(30, Prevalent::First, 100, 150))));
  D().Img2PreV.Click();
  EXPECT_FALSE(D().Img1PreV.Checked()) << "the prevalent images exclude each other";
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(30, Prevalent::Second, 100, 150))));
  D().Img2PreV.Click();
  EXPECT_FALSE(D().TxMin.Enabled()) << "no prevalent image: the band is off";
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(30))));

  D().ModeFusion.SetItemIndex(0);
  EXPECT_FALSE(D().BoxTransparence.Visible());
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, MergeParams{})));
  EXPECT_TRUE(SameBytes(PixelsOf(first), a)) << "previewing never touches the host's images";
  EXPECT_TRUE(SameBytes(PixelsOf(second), b));
  EXPECT_TRUE(HostCalls().size() == 1u) << "only Open's request so far";
}

TEST_F(MergeDialog, TheBandSlidersPushEachOtherAndTheStripFollows) {
  TPtsImg first = MakeImage(testing::RandomPixels(4, 37));
  Open(first, 2, 2);
  D().Img1PreV.Click();
  D().TxMin.SetPosition(100);
  D().TxMax.SetPosition(150);
  ui::Rect strip = D().ZoneTrsp.Bounds();
  EXPECT_EQ(strip.left, 2 + 9 + 100);
  EXPECT_EQ(strip.width, 50);
  EXPECT_EQ(strip.top, 62);
  EXPECT_EQ(strip.height, 12);
  D().TxMin.SetPosition(200);  // pushes TxMax along
  EXPECT_EQ(D().TxMax.Position(), 200);
  EXPECT_EQ(D().TxMx.Caption(), "200");
  EXPECT_EQ(D().ZoneTrsp.Bounds().left, 211);
  EXPECT_EQ(D().ZoneTrsp.Bounds().width, 0);
  D().TxMin.SetPosition(80);
  D().TxMax.SetPosition(50);  // cannot go below TxMin
  EXPECT_EQ(D().TxMax.Position(), 80);
  EXPECT_EQ(D().TxMx.Caption(), "80");
  EXPECT_EQ(D().TxMi.Caption(), "80");
  EXPECT_EQ(D().ZoneTrsp.Bounds().width, 0);
  D().TxMin.SetPosition(0);
  D().TxMax.SetPosition(255);
  EXPECT_EQ(D().ZoneTrsp.Bounds().left, 11);
  EXPECT_EQ(D().ZoneTrsp.Bounds().width, 255);
}

// "Appliquer": the merged image of the full images, as a new block handed
// over during the callback; the host's own reference is then the only one,
// and the dialog lets go of both images and both previews.
TEST_F(MergeDialog, AppliquerDeliversTheMergeOfTheFullImages) {
  testing::CountingAllocatorScope counting;
  const int32_t w = 700, h = 450;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 38), b = testing::RandomPixels(w * h, 39);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  const int liveBefore = testing::Counts().Live();
  Open(first, w, h);
  Continue(second, w, h);
  D().ModeFusion.SetItemIndex(1);
  D().TauxTransp.SetPosition(35);
  D().Img2PreV.Click();
  D().TxMin.SetPosition(40);
  D().TxMax.SetPosition(210);
  const MergeParams chosen = D().Params();
  EXPECT_EQ(chosen.mode, MergeMode::Transparency);
  EXPECT_EQ(chosen.rate, 35);
  EXPECT_EQ(chosen.prevalent, Prevalent::Second);
  EXPECT_EQ(chosen.low, 40);
  EXPECT_EQ(chosen.high, 210);

  D().Appliquer.Click();

  ASSERT_EQ(HostCalls().size(), 2u);
  const testing::HostCall& call = HostCalls()[1];
  EXPECT_EQ(call.width, w);
  EXPECT_EQ(call.height, h);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NEW_IMAGE);
  EXPECT_NE(call.actionData, 0);
  EXPECT_EQ(call.applied, 1);
  EXPECT_EQ(call.finished, 1);
  EXPECT_EQ(call.cursor, ScreenCursor::Default) << "the merge runs without the hourglass";
  EXPECT_EQ(Taken().countBeforeTaking, 1) << "the plug-in's reference only, before the host took one";
  TPtsImg taken = std::move(Taken().image);
  ASSERT_EQ(taken.Length(), w * h);
  EXPECT_EQ(taken.RefCount(), 1) << "the plug-in released its reference after the call";
  EXPECT_TRUE(SameBytes(PixelsOf(taken), Reference(a, b, chosen)));
  EXPECT_FALSE(D().Showing());
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
  taken.Reset();
  EXPECT_EQ(testing::Counts().Live(), liveBefore) << "a preview or the merged image outlived the run";
}

// The open point: a further matching image while "Jeu de transparence" is
// chosen is merged into the preview at once and can be applied.
TEST_F(MergeDialog, AFurtherMatchingImageInTransparencyModeIsMergedAtOnce) {
  const int32_t w = 33, h = 17;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 40), b = testing::RandomPixels(w * h, 41),
                             c = testing::RandomPixels(w * h, 42);
  TPtsImg first = MakeImage(a), second = MakeImage(b), third = MakeImage(c);
  Open(first, w, h);
  Continue(second, w, h);
  D().ModeFusion.SetItemIndex(1);
  D().TauxTransp.SetPosition(30);
  Continue(third, w, h, "troisieme.bmp");
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_EQ(D().ModeFusion.ItemIndex(), 1) << "the controls stay as the user set them";
  EXPECT_EQ(D().TauxTransp.Position(), 30);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, c, Transparency(30))));
  EXPECT_EQ(second.RefCount(), 1) << "the earlier second image is replaced";
  D().Appliquer.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(Taken().image), Reference(a, c, Transparency(30))));
}

// One pixel narrower: the warning over a dialog that is no longer on top
// while it shows, the labels describe the refused image, and "Appliquer"
// hands the host a null image.
TEST_F(MergeDialog, ASecondImageOfAnotherSizeIsRefusedWithAWarning) {
  TPtsImg first = MakeImage(testing::RandomPixels(20 * 10, 43));
  TPtsImg narrower = MakeImage(testing::RandomPixels(19 * 10, 44));
  Open(first, 20, 10);
  const std::vector<Pixel24> previewBefore = PreviewOnScreen();
  bool onTopDuringBox = true;
  ui::headless::TheState().onBox = [&](const ui::headless::ShownBox&) { onTopDuringBox = D().StayOnTop(); };
  Continue(narrower, 19, 10, "etroite.bmp");
  const auto& boxes = ui::headless::TheState().boxes;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "La fusion ne peut se faire que sur deux images de m\xEAmes dimensions");
  EXPECT_EQ(boxes[0].caption, "Avertissement");
  EXPECT_EQ(boxes[0].icon, ui::BoxIcon::Warning);
  EXPECT_FALSE(boxes[0].ownerWasOnTop);
  EXPECT_FALSE(onTopDuringBox);
  EXPECT_TRUE(D().StayOnTop()) << "back on top after the box";
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 : \"etroite.bmp\" ");
  EXPECT_EQ(D().Taille2.Caption(), "L = 19 x H = 10 pixels\xB2");
  EXPECT_FALSE(D().ModeFusion.Enabled());
  EXPECT_FALSE(D().Appliquer.Enabled());
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), previewBefore));
  D().Appliquer.Click();  // disabled: nothing happens
  EXPECT_EQ(HostCalls().size(), 1u);
  D().AppliquerClick(nullptr);  // as its default-button role would, were it enabled
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[1].actionCode, MOLVANE_ACTION_NEW_IMAGE);
  EXPECT_EQ(HostCalls()[1].actionData, 0);
  EXPECT_EQ(HostCalls()[1].applied, 1);
  EXPECT_EQ(HostCalls()[1].finished, 1);
  EXPECT_EQ(HostCalls()[1].width, 20);
  EXPECT_EQ(narrower.RefCount(), 1);
}

// After a match, a refused image leaves the controls and the preview as they
// were; "Appliquer", still enabled, delivers nothing, even when another
// tool's run has set the module-wide flag meanwhile.
TEST_F(MergeDialog, ARefusedImageAfterAMatchDeliversNothingWhateverTheFlag) {
  const std::vector<Pixel24> a = testing::RandomPixels(64, 45), b = testing::RandomPixels(64, 46);
  TPtsImg first = MakeImage(a), second = MakeImage(b), small = MakeImage(testing::RandomPixels(4, 47));
  Open(first, 8, 8);
  Continue(second, 8, 8);
  D().ModeFusion.SetItemIndex(1);
  D().TauxTransp.SetPosition(60);
  const std::vector<Pixel24> merged = PreviewOnScreen();
  Continue(small, 2, 2);
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_TRUE(D().ModeFusion.Enabled());
  EXPECT_TRUE(D().Appliquer.Enabled());
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), merged));
  D().TauxTransp.SetPosition(20);  // still the earlier second image's preview
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), Reference(a, b, Transparency(20))));
  ApplyFlag() = 1;  // another tool's run in between
  D().Appliquer.Click();
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[1].actionData, 0) << "the 2 x 2 image was merged with the 8 x 8 one";
  EXPECT_EQ(small.RefCount(), 1);
}

TEST_F(MergeDialog, AnnulerClosesWithoutAnyCallback) {
  TPtsImg first = MakeImage(testing::RandomPixels(9, 48)), second = MakeImage(testing::RandomPixels(9, 49));
  Open(first, 3, 3);
  Continue(second, 3, 3);
  D().PressEscape();
  EXPECT_FALSE(D().Showing());
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(HostCalls().size(), 1u) << "only Open's request";
  EXPECT_EQ(first.RefCount(), 2) << "the references stay until the next run";
  EXPECT_EQ(second.RefCount(), 2);
  Open(first, 3, 3);
  EXPECT_EQ(second.RefCount(), 1) << "a new run drops the earlier second image";
}

TEST_F(MergeDialog, EnterAppliesOnceTheMergeIsReady) {
  TPtsImg first = MakeImage(testing::RandomPixels(9, 50)), second = MakeImage(testing::RandomPixels(9, 51));
  Open(first, 3, 3);
  D().PressEnter();  // "Appliquer" is disabled while waiting
  EXPECT_TRUE(D().Showing());
  Continue(second, 3, 3);
  D().PressEnter();
  EXPECT_FALSE(D().Showing());
  EXPECT_EQ(Taken().image.Length(), 9);
}

TEST_F(MergeDialog, ReinitialiserWaitsForASecondImageAgain) {
  const std::vector<Pixel24> a = testing::RandomPixels(6 * 4, 52);
  TPtsImg first = MakeImage(a), second = MakeImage(testing::RandomPixels(6 * 4, 53));
  Open(first, 6, 4);
  Continue(second, 6, 4);
  D().ModeFusion.SetItemIndex(1);
  D().TauxTransp.SetPosition(90);
  D().Img1PreV.Click();
  D().TxMin.SetPosition(10);
  D().ReInit.Click();
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_FALSE(D().ModeFusion.Enabled());
  EXPECT_FALSE(D().Appliquer.Enabled());
  EXPECT_EQ(D().ModeFusion.ItemIndex(), 0);
  EXPECT_FALSE(D().BoxTransparence.Visible());
  EXPECT_EQ(D().TauxTransp.Position(), 50);
  EXPECT_EQ(D().TxImg2.Caption(), "50 %");
  EXPECT_FALSE(D().Img1PreV.Checked());
  EXPECT_EQ(D().TxMin.Position(), 0);
  EXPECT_EQ(D().TxMi.Caption(), "0");
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(D().Taille2.Caption(), "Cliquez sur une image");
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), a)) << "the first image's preview again";
  EXPECT_EQ(HostCalls().size(), 1u);
  ApplyFlag() = 1;  // set by another tool: the second image no longer counts
  D().AppliquerClick(nullptr);
  EXPECT_EQ(HostCalls().back().actionData, 0);
}

// A phase-0 call while a run is on screen starts it again: the earlier
// second image is dropped and the dialog waits; previews of another size
// are never merged with each other.
TEST_F(MergeDialog, OpeningOverARunningDialogStartsAgain) {
  TPtsImg first = MakeImage(testing::RandomPixels(50 * 40, 54)), second = MakeImage(testing::RandomPixels(50 * 40, 55));
  Open(first, 50, 40);
  Continue(second, 50, 40);
  D().ModeFusion.SetItemIndex(1);
  const std::vector<Pixel24> other = testing::RandomPixels(30 * 90, 56);
  TPtsImg next = MakeImage(other);
  Open(next, 30, 90, "suivant.bmp");
  EXPECT_TRUE(D().Showing());
  EXPECT_FALSE(D().ModeFusion.Enabled());
  EXPECT_EQ(D().ModeFusion.ItemIndex(), 0);
  EXPECT_EQ(D().Image1.Caption(), " Image N\xB0 1  : \"suivant.bmp\" ");
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(second.RefCount(), 1);
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), other));
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[1].actionData, MOLVANE_DATA_ASK_SECOND_IMAGE);
  D().TauxTransp.SetPosition(10);  // nothing to merge yet
  EXPECT_TRUE(SameBytes(PreviewOnScreen(), other));
}

// Images the user clicks after the run ended belong to no run: no box, no
// reference kept, no callback.
TEST_F(MergeDialog, SecondImagesAfterTheRunEndedAreIgnored) {
  TPtsImg stray = MakeImage(testing::RandomPixels(12, 57));
  Continue(stray, 4, 3);  // before any run
  TPtsImg first = MakeImage(testing::RandomPixels(9, 58));
  Open(first, 3, 3);
  D().Annuler.Click();
  Continue(stray, 4, 3);
  Continue(stray, 3, 3);
  EXPECT_TRUE(ui::headless::TheState().boxes.empty());
  EXPECT_EQ(stray.RefCount(), 1);
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(HostCalls().size(), 1u);
  EXPECT_FALSE(D().ModeFusion.Enabled());
}

// Buffers that do not hold the pixels their size states, sizes of no pixel
// and sizes whose product overflows: nothing is read past a buffer, the
// second image is refused and "Appliquer" delivers nothing.
TEST_F(MergeDialog, BuffersShorterThanTheirSizeAreNeverMerged) {
  struct Case {
    int32_t firstLength, secondLength, w, h;
  } cases[] = {
      {19, 20, 5, 4},                // first buffer short
      {20, 19, 5, 4},                // second buffer short
      {0, 0, 0, 0},                  // no pixels at all
      {4, 4, -2, -2},                // negative sizes
      {16, 16, 65536, 65536},        // the product overflows 32 bits
      {16, 16, 2147483647, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    HostCalls().clear();
    ui::headless::TheState().boxes.clear();
    TPtsImg first = MakeImage(testing::RandomPixels(c.firstLength, 59));
    TPtsImg second = MakeImage(testing::RandomPixels(c.secondLength, 60));
    Open(first, c.w, c.h);
    Continue(second, c.w, c.h);
    EXPECT_EQ(ApplyFlag(), 0);
    EXPECT_EQ(ui::headless::TheState().boxes.size(), 1u);
    EXPECT_FALSE(D().ModeFusion.Enabled());
    ApplyFlag() = 1;
    D().AppliquerClick(nullptr);
    ASSERT_EQ(HostCalls().size(), 2u);
    EXPECT_EQ(HostCalls()[1].actionData, 0);
  }
}

TEST_F(MergeDialog, ANullNameReadsAsAnEmptyOne) {
  TPtsImg first = MakeImage(testing::RandomPixels(1, 61));
  Open(first, 1, 1, nullptr);
  EXPECT_EQ(D().Image1.Caption(), " Image N\xB0 1  : \"\" ");
  D().Continue(PhaseOneCall{{0, 0}, first, TPtsImg(), {1, 1}, nullptr});
  EXPECT_EQ(D().Image2.Caption(), " Image N\xB0 2 : \"\" ");
}

// Every showing resets the controls, the rate included.
TEST_F(MergeDialog, EachRunStartsFromTheDefaults) {
  TPtsImg first = MakeImage(testing::RandomPixels(4, 62)), second = MakeImage(testing::RandomPixels(4, 63));
  Open(first, 2, 2);
  Continue(second, 2, 2);
  D().ModeFusion.SetItemIndex(1);
  D().TauxTransp.SetPosition(80);
  D().Img2PreV.Click();
  D().TxMin.SetPosition(30);
  D().TxMax.SetPosition(40);
  D().Annuler.Click();
  Open(first, 2, 2);
  EXPECT_EQ(D().ModeFusion.ItemIndex(), 0);
  EXPECT_EQ(D().TauxTransp.Position(), 50);
  EXPECT_EQ(D().TxImg1.Caption(), "50 %");
  EXPECT_FALSE(D().Img2PreV.Checked());
  EXPECT_EQ(D().TxMin.Position(), 0);
  EXPECT_EQ(D().TxMax.Position(), 255);
  EXPECT_EQ(D().TxMx.Caption(), "255");
  EXPECT_EQ(D().ZoneTrsp.Bounds().width, 255);
}

// --- through XchgData ------------------------------------------------------------------

class MergeThroughExports : public testing::LoadedLibrary {
 protected:
  void TearDown() override {
    if (TheDialog<TFusionner>().Showing()) TheDialog<TFusionner>().AnnulerClick(nullptr);
    LoadedLibrary::TearDown();
  }
  static void Run(int32_t phase, const TPtsImg& image, int32_t w, int32_t h) {
    XchgData(MOLVANE_TOOL_MERGE, 0, 0, 0, 0, w, h, phase, 0, image.Handle(), nullptr, "image", 0);
  }
};

TEST_F(MergeThroughExports, PhaseZeroOpensPhaseOneContinuesOthersDoNothing) {
  TPtsImg first = MakeImage(testing::RandomPixels(6, 64)), second = MakeImage(testing::RandomPixels(6, 65));
  Run(2, first, 3, 2);
  Run(-1, first, 3, 2);
  EXPECT_TRUE(HostCalls().empty());
  EXPECT_FALSE(TheDialog<TFusionner>().Showing());
  Run(0, first, 3, 2);
  EXPECT_TRUE(TheDialog<TFusionner>().Showing());
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(first.RefCount(), 2) << "XchgData's own reference is gone, the dialog's stays";
  Run(1, second, 3, 2);
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_TRUE(TheDialog<TFusionner>().Appliquer.Enabled());
  Run(2, second, 3, 2);  // any call clears the flag
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_TRUE(TheDialog<TFusionner>().Appliquer.Enabled()) << "a phase other than 0 and 1 changes nothing else";
  EXPECT_EQ(second.RefCount(), 2);
}

}  // namespace
}  // namespace molvane
