// The background modification dialog driven headless: sliders, markers, samples, fills and callbacks.
#include "tools/background_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "colour/colour.h"
#include "colour/random.h"
#include "dialog_kit/dialog_module.h"
#include "host_callback_recorder.h"
#include "loaded_library.h"
#include "test_images.h"
#include "ui/headless/headless.h"
#include "ui/screen_cursor.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::MakeImage;
using testing::PixelsOf;
using testing::SameBytes;

bool Same(Pixel24 a, Pixel24 b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

Pixel24 Grey(uint8_t v) { return Pixel24{v, v, v}; }

// 30 x 20: a grey background around a dark square at (10..19, 5..14).
constexpr int32_t kW = 30, kH = 20;
std::vector<Pixel24> Scene() {
  std::vector<Pixel24> pixels(size_t(kW) * kH, Grey(150));
  for (int y = 5; y < 15; ++y)
    for (int x = 10; x < 20; ++x) pixels[size_t(y) * kW + x] = Grey(20);
  return pixels;
}

void ExpectCall(const testing::HostCall& c, int32_t actionCode, int32_t applied, int32_t finished) {
  EXPECT_EQ(c.userValue, testing::LoadedLibrary::kUserValue);
  EXPECT_EQ(c.width, kW);
  EXPECT_EQ(c.height, kH);
  EXPECT_EQ(c.reserved1, 0);
  EXPECT_EQ(c.reserved2, 0);
  EXPECT_EQ(c.actionCode, actionCode);
  EXPECT_EQ(c.actionData, 0);
  EXPECT_EQ(c.applied, applied);
  EXPECT_EQ(c.finished, finished);
}

class BackgroundDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TCorrFond>::Initialize();
    HostCalls().clear();
    RegisterHostCallback(testing::RecordHostCall, testing::LoadedLibrary::kUserValue);
    host = MakeImage(Scene());
  }
  void TearDown() override {
    if (D().Showing()) D().AnnulerClick(nullptr);
    RegisterHostCallback(nullptr, 0);
    DialogModule<TCorrFond>::Finalize();
  }
  static TCorrFond& D() { return TheDialog<TCorrFond>(); }

  void Open() {
    ApplyFlag() = 0;
    D().Open(ImageRun(host, {kW, kH}));
  }
  // XchgData's part of a phase-1 call: the flag cleared, then Continue.
  void Click(ImagePoint p, const TPtsImg& sample = TPtsImg()) {
    ApplyFlag() = 0;
    D().Continue(PhaseOneCall{{p.x, p.y}, sample, host, {0, 0}, nullptr});
  }
  // A user's click on a marker, then the host's click on the image.
  void Pick(ui::CheckBox& marker, ImagePoint p) {
    marker.Click();
    Click(p);
  }
  void PickAll(ImagePoint f1, ImagePoint f2, ImagePoint seed) {
    Pick(D().PosF1, f1);
    Pick(D().PosF2, f2);
    Pick(D().PosDeb, seed);
  }
  // What the engine makes of the untouched scene with the dialog's settings.
  std::vector<Pixel24> Expected(uint32_t seed, std::vector<Pixel24> destination) const {
    const std::vector<Pixel24> source = Scene();
    Randomize(seed);
    FillRegion(source.data(), destination.data(), kW, kH, D().Params());
    return destination;
  }

  TPtsImg host;
};

TEST_F(BackgroundDialog, OpenAsksForClicksAndShowsDefaults) {
  Open();
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(HostCalls()[0], 1, 0, 0);
  EXPECT_TRUE(D().Showing());
  EXPECT_TRUE(D().StayOnTop());
  EXPECT_EQ(D().Caption(), "Modification du fond");
  EXPECT_EQ(D().ClientWidth(), 296);
  EXPECT_EQ(D().ClientHeight(), 354);
  EXPECT_EQ(D().TxTol.Caption(), "20%");
  EXPECT_EQ(D().TxTrsp.Caption(), "20%");
  EXPECT_EQ(D().TxBruit.Caption(), "2%");
  EXPECT_EQ(D().TxLumF.Caption(), "50%");
  EXPECT_EQ(D().Params().tolerance, 51.0L);
  EXPECT_EQ(D().Params().transparency, 0.2L);
  EXPECT_EQ(D().Params().noiseAmplitude, 5.0L);
  EXPECT_EQ(D().TxLumF.Caption(), "50%");
  EXPECT_FALSE(D().lbLumFond.Enabled());
  EXPECT_FALSE(D().CurseurLumFond.Enabled());
  EXPECT_FALSE(D().TxLumF.Enabled());
  EXPECT_FALSE(D().PosF1.Checked() || D().PosF2.Checked() || D().PosDeb.Checked());
  EXPECT_FALSE(D().FondF1.Checked() || D().FondF2.Checked());
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  EXPECT_FALSE(D().Timer.Running());
  EXPECT_EQ(D().Timer.Interval(), 200);
  EXPECT_EQ(D().Params().colourF1, kDefaultColourF1);
  EXPECT_EQ(D().Params().colourF2, kDefaultColourF2);
  // Byte for byte Windows-1252.
  EXPECT_EQ(D().GroupBox1.Caption(), " Param\xE8tres du traitement ");
  EXPECT_EQ(D().ReInit.Caption(), "R\xE9initialiser");
  EXPECT_EQ(D().Label3.Caption(), "Tol\xE9rance de couleur :");
  EXPECT_EQ(D().Titre.Caption(), "S\xE9lection de la couleur de fond sur l'image originale");
  // The dialog keeps its own copy: the host's array has one more reference only.
  EXPECT_EQ(host.RefCount(), 2);
}

TEST_F(BackgroundDialog, SwatchShowsTheColourInItsFifteenPixelSquare) {
  const ui::Bitmap24& glyph = D().BtnCoulF1.Glyph();
  ASSERT_EQ(glyph.Width(), 16);
  ASSERT_EQ(glyph.Height(), 16);
  EXPECT_TRUE(Same(glyph.ScanLine(0)[0], Pixel24{192, 16, 32}));
  EXPECT_TRUE(Same(glyph.ScanLine(14)[14], Pixel24{192, 16, 32}));
  EXPECT_FALSE(Same(glyph.ScanLine(15)[0], Pixel24{192, 16, 32}));
  EXPECT_FALSE(Same(glyph.ScanLine(0)[15], Pixel24{192, 16, 32}));
  EXPECT_TRUE(Same(D().BtnCoulF2.Glyph().ScanLine(7)[7], Pixel24{255, 255, 128}));
}

TEST_F(BackgroundDialog, SliderEndsAndRounding) {
  Open();
  D().CurseurTol.SetPosition(0);
  EXPECT_EQ(D().Params().tolerance, 0.0L);
  EXPECT_EQ(D().TxTol.Caption(), "0%");
  D().CurseurTol.SetPosition(20);
  EXPECT_EQ(D().Params().tolerance, 255.0L);
  EXPECT_EQ(D().TxTol.Caption(), "100%");
  D().CurseurTol.SetPosition(1);
  EXPECT_EQ(D().Params().tolerance, 12.75L);
  EXPECT_EQ(D().TxTol.Caption(), "5%");
  D().CurseurTransp.SetPosition(0);
  EXPECT_EQ(D().Params().transparency, 0.0L);
  EXPECT_EQ(D().TxTrsp.Caption(), "0%");
  D().CurseurTransp.SetPosition(20);
  EXPECT_EQ(D().Params().transparency, 1.0L);
  EXPECT_EQ(D().TxTrsp.Caption(), "100%");
  D().CurseurBruit.SetPosition(0);
  EXPECT_EQ(D().Params().noiseAmplitude, 0.0L);
  EXPECT_EQ(D().TxBruit.Caption(), "0%");
  D().CurseurBruit.SetPosition(20);
  EXPECT_EQ(D().Params().noiseAmplitude, 25.0L);
  EXPECT_EQ(D().TxBruit.Caption(), "10%");
  D().CurseurBruit.SetPosition(1);  // Round(0.5) = 0
  EXPECT_EQ(D().TxBruit.Caption(), "0%");
  D().CurseurBruit.SetPosition(3);  // Round(1.5) = 2
  EXPECT_EQ(D().TxBruit.Caption(), "2%");
  D().CurseurLumFond.SetPosition(13);
  EXPECT_EQ(D().TxLumF.Caption(), "65%");
}

TEST_F(BackgroundDialog, ArmedMarkerBlinksUntickedThenTakesThePoint) {
  Open();
  D().PosF1.Click();  // the user ticks it: armed
  EXPECT_EQ(D().ArmedMarker(), &D().PosF1);
  EXPECT_TRUE(D().Timer.Running());
  D().Timer.Tick();
  EXPECT_FALSE(D().PosF1.Visible());
  EXPECT_FALSE(D().PosF1.Checked()) << "waiting for its point, unticked";
  EXPECT_EQ(D().ArmedMarker(), &D().PosF1) << "the program's untick arms nothing";
  D().Timer.Tick();
  EXPECT_TRUE(D().PosF1.Visible());
  D().Timer.Tick();
  EXPECT_FALSE(D().PosF1.Visible());
  Click({3, 4});
  EXPECT_TRUE(D().PosF1.Checked());
  EXPECT_TRUE(D().PosF1.Visible());
  EXPECT_FALSE(D().Timer.Running());
  EXPECT_EQ(D().ArmedMarker(), nullptr) << "the program's tick arms nothing either";
  EXPECT_EQ(D().Params().pointF1.x, 3);
  EXPECT_EQ(D().Params().pointF1.y, 4);
  // Arming another marker while one blinks: the earlier one is shown again.
  D().PosF2.Click();
  D().Timer.Tick();
  D().PosDeb.Click();
  D().Timer.Tick();
  EXPECT_TRUE(D().PosF2.Visible());
  EXPECT_FALSE(D().PosDeb.Visible());
  // A click with no marker armed stores no point and fills nothing.
  Open();
  HostCalls().clear();
  Click({9, 9});
  EXPECT_EQ(D().Params().pointF1.x, 3);
  EXPECT_TRUE(HostCalls().empty());
}

TEST_F(BackgroundDialog, ThreePointsFillTheHostImageAndReport) {
  Open();
  D().CurseurTransp.SetPosition(0);
  Pick(D().PosF1, {0, 0});
  Pick(D().PosF2, {29, 19});
  EXPECT_TRUE(HostCalls().size() == 1u) << "no fill before the three points";
  EXPECT_TRUE(SameBytes(PixelsOf(host), Scene()));
  D().PosDeb.Click();
  Randomize(11);
  Click({2, 2});
  ASSERT_EQ(HostCalls().size(), 2u);
  ExpectCall(HostCalls()[1], 0, 1, 0);
  EXPECT_EQ(HostCalls()[1].cursor, ScreenCursor::Default);
  EXPECT_EQ(CurrentScreenCursor(), ScreenCursor::Default);
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_TRUE(SameBytes(PixelsOf(host), Expected(11, Scene())));
  // The dark square is not background: untouched.
  EXPECT_TRUE(Same(host.Data()[size_t(10) * kW + 15], Grey(20)));
  EXPECT_FALSE(Same(host.Data()[size_t(2) * kW + 3], Grey(150)));
  EXPECT_EQ(D().ArmedMarker(), &D().PosDeb) << "the start point stays armed";
}

TEST_F(BackgroundDialog, FurtherClicksMoveTheArmedPointAndRecompute) {
  Open();
  PickAll({0, 0}, {29, 19}, {2, 2});
  // PosDeb still armed: the next click inside the square moves the start there.
  std::vector<Pixel24> before = PixelsOf(host);
  Randomize(12);
  Click({12, 7});
  EXPECT_EQ(D().Params().seedPoint.x, 12);
  EXPECT_EQ(HostCalls().size(), 3u);
  EXPECT_TRUE(SameBytes(PixelsOf(host), Expected(12, before))) << "the region comes from the copy, painted pixels stay";
  // F1 moved and recomputed.
  Pick(D().PosF1, {5, 0});
  EXPECT_EQ(D().Params().pointF1.x, 5);
  EXPECT_EQ(HostCalls().size(), 4u);
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  // No marker armed: the same points, computed again.
  before = PixelsOf(host);
  Randomize(13);
  Click({25, 1});
  EXPECT_EQ(HostCalls().size(), 5u);
  EXPECT_EQ(D().Params().seedPoint.x, 12);
  EXPECT_EQ(D().Params().pointF1.x, 5);
  EXPECT_TRUE(SameBytes(PixelsOf(host), Expected(13, before)));
}

TEST_F(BackgroundDialog, SampleSetsTheSelectedColour) {
  Open();
  D().FondF2.Click();
  EXPECT_FALSE(D().CurseurLumFond.Enabled());
  std::vector<Pixel24> sample(15, Pixel24{10, 20, 30});
  Click({1, 1}, MakeImage(sample));
  EXPECT_EQ(D().Params().colourF2, kDefaultColourF2) << "15 pixels are too few";
  Click({1, 1}, TPtsImg());
  EXPECT_EQ(D().Params().colourF2, kDefaultColourF2);
  sample.push_back(Pixel24{13, 21, 33});  // means truncated: 10, 20, 30
  Click({1, 1}, MakeImage(sample));
  EXPECT_EQ(D().Params().colourF2, TColor(0x0A141E));
  EXPECT_TRUE(Same(D().BtnCoulF2.Glyph().ScanLine(3)[3], Pixel24{10, 20, 30}));
  EXPECT_EQ(D().Params().colourF1, kDefaultColourF1);
  EXPECT_EQ(D().Params().lightnessFactor, 1.0L) << "with Fond F2 the factor is exactly 1";
}

TEST_F(BackgroundDialog, SampledF1SetsLightnessSliderAndFactor) {
  Open();
  D().FondF1.Click();
  EXPECT_TRUE(D().CurseurLumFond.Enabled());
  EXPECT_TRUE(D().lbLumFond.Enabled());
  // Grey 133: lightness 133 / 255 = 0.5216, position Round(10.43) = 10.
  Click({1, 1}, MakeImage(std::vector<Pixel24>(20, Grey(133))));
  EXPECT_EQ(D().CurseurLumFond.Position(), 10);
  const long double base = RgbToHsl(0x858585).l;
  EXPECT_EQ(D().Params().lightnessFactor, 0.5L / base);
  // F1 is the sample at the slider's lightness.
  EXPECT_EQ(D().Params().colourF1, HslToTColor(THsl{0, 0, 0.5L}));
  // A chosen colour stays until the slider moves: then the sample comes back.
  ui::headless::TheState().colourAnswers.push_back({true, 0x00123456});
  D().BtnCoulF1.Click();
  EXPECT_EQ(D().Params().colourF1, TColor(0x00123456));
  EXPECT_TRUE(Same(D().BtnCoulF1.Glyph().ScanLine(0)[0], TColorToPixel(0x00123456)));
  EXPECT_TRUE(D().StayOnTop());
  D().CurseurLumFond.SetPosition(20);
  EXPECT_EQ(D().Params().colourF1, TColor(0xFFFFFF));
  EXPECT_EQ(D().Params().lightnessFactor, 1.0L / base);
  // Switching to Fond F2: factor exactly 1, lightness controls off.
  D().FondF2.Click();
  EXPECT_EQ(D().Params().lightnessFactor, 1.0L);
  EXPECT_FALSE(D().CurseurLumFond.Enabled());
}

TEST_F(BackgroundDialog, BlackSampleOrNoSampleGivesFactorOne) {
  Open();
  D().FondF1.Click();
  Click({1, 1}, MakeImage(std::vector<Pixel24>(16, Grey(0))));
  EXPECT_EQ(D().CurseurLumFond.Position(), 0);
  EXPECT_EQ(D().Params().lightnessFactor, 1.0L);
}

TEST_F(BackgroundDialog, ColourDialogCancelledKeepsTheColour) {
  Open();
  D().BtnCoulF2.Click();  // no answer queued: cancelled
  EXPECT_EQ(D().Params().colourF2, kDefaultColourF2);
  ui::headless::TheState().colourAnswers.push_back({true, 0x00ABCDEF});
  D().BtnCoulF2.Click();
  EXPECT_EQ(D().Params().colourF2, TColor(0x00ABCDEF));
  EXPECT_TRUE(D().StayOnTop());
}

TEST_F(BackgroundDialog, ReinitialiserRestoresEveryPixelAndTheDefaults) {
  Open();
  ui::headless::TheState().colourAnswers.push_back({true, 0x00010203});
  D().BtnCoulF1.Click();
  PickAll({0, 0}, {29, 19}, {2, 2});
  Click({12, 7});
  ASSERT_FALSE(SameBytes(PixelsOf(host), Scene()));
  D().CurseurTol.SetPosition(9);
  HostCalls().clear();
  D().ReInit.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(host), Scene()));
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(HostCalls()[0], 0, 0, 0);
  EXPECT_FALSE(D().PosF1.Checked() || D().PosF2.Checked() || D().PosDeb.Checked());
  EXPECT_EQ(D().ArmedMarker(), nullptr);
  EXPECT_EQ(D().Params().colourF1, kDefaultColourF1);
  EXPECT_EQ(D().TxTol.Caption(), "20%");
  EXPECT_TRUE(D().Showing());
  // A click now fills nothing: the points must be picked again.
  Click({12, 7});
  EXPECT_TRUE(SameBytes(PixelsOf(host), Scene()));
}

TEST_F(BackgroundDialog, AppliquerAndAnnulerCloseWithTheFinalCallback) {
  Open();
  PickAll({0, 0}, {29, 19}, {2, 2});
  const std::vector<Pixel24> filled = PixelsOf(host);
  HostCalls().clear();
  D().Appliquer.Click();
  EXPECT_FALSE(D().Showing());
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(HostCalls()[0], 0, 1, 1);
  // A click the host still forwards after closing changes nothing.
  Click({5, 5});
  EXPECT_EQ(HostCalls().size(), 1u);
  EXPECT_TRUE(SameBytes(PixelsOf(host), filled));

  Open();
  PickAll({0, 0}, {29, 19}, {2, 2});
  HostCalls().clear();
  D().Annuler.Click();
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(HostCalls()[0], 0, 0, 1);
  EXPECT_FALSE(SameBytes(PixelsOf(host), Scene())) << "Annuler leaves restoring to the host";
}

TEST_F(BackgroundDialog, ImageOfAnotherSizeOrShortBufferIsNotWritten) {
  Open();
  PickAll({0, 0}, {29, 19}, {2, 2});
  HostCalls().clear();
  // Pixels2 one pixel short: neither written nor reported.
  TPtsImg other = MakeImage(std::vector<Pixel24>(size_t(kW) * kH - 1, Grey(150)));
  const std::vector<Pixel24> otherBefore = PixelsOf(other);
  ApplyFlag() = 0;
  D().Continue(PhaseOneCall{{3, 3}, TPtsImg(), other, {0, 0}, nullptr});
  EXPECT_TRUE(SameBytes(PixelsOf(other), otherBefore));
  EXPECT_TRUE(HostCalls().empty());
  EXPECT_EQ(ApplyFlag(), 0);
  // An image opened with a size its buffer does not hold: no fill, no success.
  D().AnnulerClick(nullptr);
  TPtsImg shortImage = MakeImage(std::vector<Pixel24>(10, Grey(150)));
  ApplyFlag() = 0;
  D().Open(ImageRun(shortImage, {kW, kH}));
  PickAll({0, 0}, {29, 19}, {2, 2});
  HostCalls().clear();
  ApplyFlag() = 0;
  D().Continue(PhaseOneCall{{3, 3}, TPtsImg(), shortImage, {0, 0}, nullptr});
  EXPECT_TRUE(HostCalls().empty());
  EXPECT_TRUE(SameBytes(PixelsOf(shortImage), std::vector<Pixel24>(10, Grey(150))));
}

TEST_F(BackgroundDialog, SeedOutsideTheImagePaintsNothing) {
  Open();
  PickAll({0, 0}, {29, 19}, {kW, 3});
  EXPECT_TRUE(SameBytes(PixelsOf(host), Scene()));
  Click({-1, -1});
  EXPECT_TRUE(SameBytes(PixelsOf(host), Scene()));
}

// --- through the exports ------------------------------------------------------------

class BackgroundThroughExports : public testing::LoadedLibrary {
 protected:
  void TearDown() override {
    if (TheDialog<TCorrFond>().Showing()) TheDialog<TCorrFond>().AnnulerClick(nullptr);
    LoadedLibrary::TearDown();
  }
  static void Run(int32_t phase, int32_t x, int32_t y, const TPtsImg& pixels, const TPtsImg& pixels2) {
    XchgData(MOLVANE_TOOL_BACKGROUND, 0, 0, x, y, kW, kH, phase, 0, pixels.Handle(), pixels2.Handle(), "", 0);
  }
};

TEST_F(BackgroundThroughExports, PhaseZeroOpensPhaseOneTakesPointSampleAndImage) {
  TPtsImg image = MakeImage(Scene());
  Run(0, 0, 0, image, TPtsImg());
  ASSERT_EQ(HostCalls().size(), 1u);
  ExpectCall(HostCalls()[0], 1, 0, 0);
  EXPECT_TRUE(TheDialog<TCorrFond>().Showing());
  EXPECT_EQ(image.RefCount(), 2) << "XchgData's own reference is gone, the dialog's stays";
  TheDialog<TCorrFond>().FondF2.Click();
  TheDialog<TCorrFond>().PosF1.Click();
  Run(1, 4, 6, MakeImage(std::vector<Pixel24>(16, Grey(64))), image);
  EXPECT_EQ(TheDialog<TCorrFond>().Params().pointF1.x, 4);
  EXPECT_EQ(TheDialog<TCorrFond>().Params().pointF1.y, 6);
  EXPECT_EQ(TheDialog<TCorrFond>().Params().colourF2, TColor(0x404040));
  TheDialog<TCorrFond>().PosF2.Click();
  Run(1, 29, 19, TPtsImg(), image);
  TheDialog<TCorrFond>().PosDeb.Click();
  Run(1, 1, 1, TPtsImg(), image);
  ASSERT_EQ(HostCalls().size(), 2u);
  ExpectCall(HostCalls()[1], 0, 1, 0);
  EXPECT_FALSE(SameBytes(PixelsOf(image), Scene()));
  Run(2, 1, 1, TPtsImg(), image);  // another phase: only the flag is cleared
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(HostCalls().size(), 2u);
  TheDialog<TCorrFond>().Appliquer.Click();
  ASSERT_EQ(HostCalls().size(), 3u);
  ExpectCall(HostCalls()[2], 0, 1, 1);
}

}  // namespace
}  // namespace molvane
