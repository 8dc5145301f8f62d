// Tool 8, the gradient compensation dialog, driven on its real windows: direction, four sliders, labels, pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "tools/gradient.h"
#include "tools/gradient_dialog.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_GRADIENT;
constexpr int32_t kUserValue = 0xDE6;
const char kCaption[] = "Compensation d'un dégradé";

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }

// One end's row of controls: the end's name, the slider, the value, by their
// places in the dialog (the group boxes at (355, 95) and (355, 200)).
struct EndRow {
  int nameX, nameY;
  int sliderX, sliderY;
  int valueX, valueY;
  HWND Slider() const { return host::ChildAt(Dialog(), host::kTrackBarClass, sliderX, sliderY); }
  std::string Name() const { return LabelAt(Dialog(), nameX, nameY); }
  std::string Value() const { return LabelAt(Dialog(), valueX, valueY); }
};
const EndRow kN1{385, 120, 430, 115, 585, 120};
const EndRow kN2{385, 150, 430, 145, 585, 150};
const EndRow kM1{385, 225, 430, 220, 585, 225};
const EndRow kM2{385, 255, 430, 250, 585, 255};

// "1.41" with the user's separator.
std::string Decimal(const char* text) {
  std::string shown = text;
  for (char& c : shown)
    if (c == '.') c = UserDecimalSeparator();
  return shown;
}

std::vector<Pixel24> Compensated(const std::vector<Pixel24>& pixels, int32_t width, int32_t height,
                                 const GradientParams& params) {
  std::vector<Pixel24> out(pixels.size());
  const ptrdiff_t stride = ptrdiff_t(width) * 3;
  CompensateGradientReference(pixels.data(), stride, out.data(), stride, width, height, params);
  return out;
}

GradientParams ParamsOfPositions(GradientDirection direction, int n1, int n2, int m1, int m2) {
  GradientParams p;
  p.direction = direction;
  p.offsetN1 = n1 - kOffsetSlider.defaultPosition;
  p.offsetN2 = n2 - kOffsetSlider.defaultPosition;
  p.coefM1 = GainOfPosition(m1);
  p.coefM2 = GainOfPosition(m2);
  return p;
}

void ExpectOneFinalCallback(const host::CallbackRecorder& recorder, int32_t width, int32_t height, int applied) {
  ASSERT_EQ(recorder.Calls().size(), 1u);
  const host::CallbackCall& call = recorder.Calls()[0];
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, width);
  EXPECT_EQ(call.height, height);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, 1);
}

// Opening state, the direction's names, each slider's label at its ends and
// in between, the preview, then "Appliquer" with what the dialog showed.
TEST(GradientDialog, DirectionSlidersLabelsPreviewAndAppliquer) {
  const int32_t w = 64, h = 48;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  const GradientParams chosen = ParamsOfPositions(GradientDirection::Horizontal, 0, 255, 150, 0);

  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("the opening state",
          [&] {
            EXPECT_TRUE(host::IsChecked(Button("Verticale")));
            EXPECT_FALSE(host::IsChecked(Button("Horizontale")));
            EXPECT_EQ(kN1.Name(), "Haut");
            EXPECT_EQ(kN2.Name(), "Bas");
            EXPECT_EQ(kM1.Name(), "Haut");
            EXPECT_EQ(kM2.Name(), "Bas");
            EXPECT_EQ(kN1.Value(), "0");
            EXPECT_EQ(kN2.Value(), "0");
            EXPECT_EQ(kM1.Value(), Decimal("1.00"));
            EXPECT_EQ(kM2.Value(), Decimal("1.00"));
            EXPECT_EQ(host::TrackBarPosition(kN1.Slider()), 127);
            EXPECT_EQ(host::TrackBarPosition(kM2.Slider()), 100);
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), original, w)) << "the identity shows the image";
          })
      .Do("Horizontale",
          [&] {
            host::Click(Button("Horizontale"));
            EXPECT_TRUE(host::IsChecked(Button("Horizontale")));
            EXPECT_EQ(kN1.Name(), "Gauche");
            EXPECT_EQ(kN2.Name(), "Droite");
            EXPECT_EQ(kM1.Name(), "Gauche");
            EXPECT_EQ(kM2.Name(), "Droite");
          })
      .Do("the four sliders",
          [&] {
            EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 50));
            EXPECT_EQ(kM1.Value(), Decimal("0.71"));
            EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 200));
            EXPECT_EQ(kM1.Value(), Decimal("2.00"));
            EXPECT_TRUE(host::MoveTrackBar(kN1.Slider(), 0));
            EXPECT_TRUE(host::MoveTrackBar(kN2.Slider(), 255));
            EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 150));
            EXPECT_TRUE(host::MoveTrackBar(kM2.Slider(), 0));
            EXPECT_EQ(kN1.Value(), "-127");
            EXPECT_EQ(kN2.Value(), "128");
            EXPECT_EQ(kM1.Value(), Decimal("1.41"));
            EXPECT_EQ(kM2.Value(), Decimal("0.50"));
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Compensated(original, w, h, chosen), w));
            EXPECT_TRUE(SamePixels(PixelsOf(image), original, w)) << "the host's buffer changed while previewing";
          })
      .Do("Appliquer", [&] { host::Click(Button("Appliquer")); });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_TRUE(SamePixels(PixelsOf(image), Compensated(original, w, h, chosen), w));
  ExpectOneFinalCallback(recorder, w, h, 1);
}

// The worked examples, through the sliders: offsets -20..20 over five rows;
// offsets 0..1 over three rows, whose middle row's 0.5 goes to the even 0;
// a byte 200 at gain 1.995 clamps to 255 and a byte 3 at offset -127 to 0.
TEST(GradientDialog, WorkedExamplesThroughTheSliders) {
  const struct {
    const char* what;
    const char* direction;
    int n1, n2, m1, m2;
    int32_t width, height;
    std::vector<uint8_t> before;  // one grey level per pixel
    std::vector<uint8_t> after;
  } cases[] = {
      {"-20..20 over 5 rows", "Verticale", 107, 147, 100, 100, 1, 5, {128, 128, 128, 128, 128},
       {108, 118, 128, 138, 148}},
      {"0..1 over 3 rows", "Verticale", 127, 128, 100, 100, 2, 3, {100, 100, 100, 100, 100, 100},
       {100, 100, 100, 100, 101, 101}},
      {"clamped at both ends", "Horizontale", 0, 127, 200, 200, 2, 1, {3, 200}, {0, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Pixel24> pixels;
    for (uint8_t v : c.before) pixels.push_back(Pixel24{v, v, v});
    std::vector<Pixel24> expected;
    for (uint8_t v : c.after) expected.push_back(Pixel24{v, v, v});
    TPtsImg image = MakeImage(pixels);
    host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
    host::DialogScript script;
    script.WaitFor(kCaption).Do("set and apply", [&] {
      host::Click(Button(c.direction));
      EXPECT_TRUE(host::MoveTrackBar(kN1.Slider(), c.n1));
      EXPECT_TRUE(host::MoveTrackBar(kN2.Slider(), c.n2));
      EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), c.m1));
      EXPECT_TRUE(host::MoveTrackBar(kM2.Slider(), c.m2));
      host::Click(Button("Appliquer"));
    });
    ASSERT_TRUE(RunDialog(script, kTool, image, c.width, c.height));
    EXPECT_TRUE(SamePixels(PixelsOf(image), expected, c.width));
    ExpectOneFinalCallback(recorder, c.width, c.height, 1);
  }
}

// "Réinitialiser" puts the direction, the sliders, the labels and the preview
// back; "Annuler" after moving everything leaves the host's pixels.
TEST(GradientDialog, ReinitialiserThenAnnuler) {
  const int32_t w = 50, h = 20;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("move everything",
          [&] {
            host::Click(Button("Horizontale"));
            EXPECT_TRUE(host::MoveTrackBar(kN1.Slider(), 40));
            EXPECT_TRUE(host::MoveTrackBar(kN2.Slider(), 200));
            EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 10));
            EXPECT_TRUE(host::MoveTrackBar(kM2.Slider(), 190));
          })
      .Do("Réinitialiser",
          [&] {
            host::Click(Button("Réinitialiser"));
            EXPECT_TRUE(host::IsChecked(Button("Verticale")));
            EXPECT_EQ(kN1.Name(), "Haut");
            EXPECT_EQ(kM2.Name(), "Bas");
            EXPECT_EQ(host::TrackBarPosition(kN1.Slider()), 127);
            EXPECT_EQ(host::TrackBarPosition(kN2.Slider()), 127);
            EXPECT_EQ(host::TrackBarPosition(kM1.Slider()), 100);
            EXPECT_EQ(host::TrackBarPosition(kM2.Slider()), 100);
            EXPECT_EQ(kN1.Value(), "0");
            EXPECT_EQ(kN2.Value(), "0");
            EXPECT_EQ(kM1.Value(), Decimal("1.00"));
            EXPECT_EQ(kM2.Value(), Decimal("1.00"));
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), original, w));
          })
      .Do("move again, Annuler", [&] {
        EXPECT_TRUE(host::MoveTrackBar(kN2.Slider(), 255));
        EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 0));
        host::Click(Button("Annuler"));
      });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));
  EXPECT_TRUE(SamePixels(PixelsOf(image), original, w));
  ExpectOneFinalCallback(recorder, w, h, 0);
}

// The photograph: the preview ramps over its own 320 columns, the apply step
// over the image's; both as the reference computes them.
TEST(GradientDialog, PhotographPreviewAndFullImage) {
  host::Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  const int32_t w = photo.width, h = photo.height;
  TPtsImg image = MakeImage(photo.pixels);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  const PreviewGeometry g = PreviewGeometryFor(ImageSize{w, h});
  const GradientParams chosen = ParamsOfPositions(GradientDirection::Horizontal, 87, 167, 80, 120);

  host::DialogScript script;
  script.WaitFor(kCaption).Do("horizontal ramp, apply", [&] {
    host::Click(Button("Horizontale"));
    EXPECT_TRUE(host::MoveTrackBar(kN1.Slider(), 87));
    EXPECT_TRUE(host::MoveTrackBar(kN2.Slider(), 167));
    EXPECT_TRUE(host::MoveTrackBar(kM1.Slider(), 80));
    EXPECT_TRUE(host::MoveTrackBar(kM2.Slider(), 120));
    EXPECT_EQ(kN1.Value(), "-40");
    EXPECT_EQ(kN2.Value(), "40");
    EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h),
                           Compensated(PreviewSamples(photo.pixels, w, h), g.width, g.height, chosen), g.width));
    host::Click(Button("Appliquer"));
  });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));
  EXPECT_TRUE(SamePixels(PixelsOf(image), Compensated(photo.pixels, w, h, chosen), w));
  ExpectOneFinalCallback(recorder, w, h, 1);
}

}  // namespace
}  // namespace molvane::hosttest
