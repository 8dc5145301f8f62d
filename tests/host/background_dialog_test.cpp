// Tool 4, the background modification dialog, driven on its real windows: points picked through phase-1 calls, the fill in the host's image.
//
// The dialog is non-modal: XchgData returns with it on screen, and the test
// runs the host's message loop (host::PumpMessages) between its actions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "colour/random.h"
#include "dialog_test_support.h"
#include "tools/background_dialog.h"
#include "tools/region_fill.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_BACKGROUND;
constexpr int32_t kUserValue = 0xF0D4;
const char kCaption[] = "Modification du fond";
constexpr int32_t kW = 40, kH = 30;

// Top-left corners in the dialog's client area, from its layout.
POINT Place(const char* name) { return PlaceOf(TCorrFond::Layout(), name); }
const POINT kCurseurTol = Place("CurseurTol"), kCurseurBruit = Place("CurseurBruit"), kTxTol = Place("TxTol");
const POINT kPosF1 = Place("PosF1"), kPosF2 = Place("PosF2"), kPosDeb = Place("PosDeb");

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }
HWND Marker(POINT at) { return host::ChildAt(Dialog(), "Button", at.x, at.y); }
HWND Slider(POINT at) { return host::ChildAt(Dialog(), host::kTrackBarClass, at.x, at.y); }
bool OnTop(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

struct CancelAtEnd {
  ~CancelAtEnd() {
    if (HWND cancel = Button("Annuler")) host::Click(cancel);
    host::PumpMessages();
  }
};

// A grey background around a dark square at (12..27, 8..21).
std::vector<Pixel24> Scene() {
  std::vector<Pixel24> pixels(size_t(kW) * kH, Pixel24{150, 150, 150});
  for (int y = 8; y < 22; ++y)
    for (int x = 12; x < 28; ++x) pixels[size_t(y) * kW + x] = Pixel24{20, 30, 40};
  return pixels;
}

// The host's phase-1 call for a click at (x, y): the sample and its current image.
void ClickOnImage(int32_t x, int32_t y, const TPtsImg& sample, const TPtsImg& image) {
  const host::PluginExports& exports = Exports();
  ASSERT_NE(exports.XchgData, nullptr);
  exports.XchgData(kTool, 0, 0, x, y, kW, kH, 1, 0, sample.Handle(), image.Handle(), "image", 0);
  host::PumpMessages();
}

void ExpectCall(const host::CallbackCall& call, int32_t actionCode, int applied, int32_t finished) {
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, kW);
  EXPECT_EQ(call.height, kH);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, actionCode);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, finished);
}

// The real timer unticks an armed marker within a few 200 ms ticks.
bool BlinksUnticked(HWND marker) {
  for (int i = 0; i < 60; ++i) {
    host::PumpMessages();
    if (!host::IsChecked(marker)) return true;
    Sleep(20);
  }
  return false;
}

TEST(BackgroundDialog, PickedPointsFillTheHostImageThenReinitialiserAndAppliquer) {
  CancelAtEnd cancel;
  const std::vector<Pixel24> scene = Scene();
  TPtsImg image = MakeImage(scene);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  RunTool(kTool, 0, image, kW, kH);
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], 1, 0, 0);
  ASSERT_NE(Dialog(), nullptr) << "XchgData returned without the dialog on screen";
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  EXPECT_TRUE(OnTop(Dialog()));
  EXPECT_EQ(LabelAt(Dialog(), kTxTol.x, kTxTol.y), "20%");
  EXPECT_EQ(host::TrackBarPosition(Slider(kCurseurTol)), 4);
  ASSERT_NE(Marker(kPosF1), nullptr);
  ASSERT_NE(Marker(kPosF2), nullptr);
  ASSERT_NE(Marker(kPosDeb), nullptr);
  EXPECT_FALSE(host::IsChecked(Marker(kPosF1)));
  // No noise, so the fill is the engine's to the byte; "Fond F2" takes the sample.
  EXPECT_TRUE(host::MoveTrackBar(Slider(kCurseurBruit), 0));
  host::Click(host::FindChild(Dialog(), "Button", "Fond F2"));

  host::Click(Marker(kPosF1));
  EXPECT_TRUE(BlinksUnticked(Marker(kPosF1))) << "the armed marker does not blink unticked";
  ClickOnImage(0, 0, TPtsImg(), image);
  EXPECT_TRUE(host::IsChecked(Marker(kPosF1)));
  host::Click(Marker(kPosF2));
  ClickOnImage(39, 29, FilledImage(4, 4, Pixel24{200, 100, 50}), image);
  EXPECT_TRUE(host::IsChecked(Marker(kPosF2)));
  EXPECT_EQ(recorder.Calls().size(), 1u) << "no fill before the start point";
  EXPECT_TRUE(SamePixels(PixelsOf(image), scene, kW));
  host::Click(Marker(kPosDeb));
  ClickOnImage(3, 3, TPtsImg(), image);
  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[1], 0, 1, 0);

  FillParams p = NoiselessOpeningFill({3, 3}, {0, 0}, {39, 29});
  p.colourF2 = 0x00C86432;  // the sample: red 50, green 100, blue 200 (0x00BBGGRR)
  std::vector<Pixel24> expected = scene;
  FillRegion(scene.data(), expected.data(), kW, kH, p);
  EXPECT_TRUE(SamePixels(PixelsOf(image), expected, kW));

  // The start point stays armed: the next click moves it into the square.
  ClickOnImage(15, 10, TPtsImg(), image);
  ASSERT_EQ(recorder.Calls().size(), 3u);
  p.seedPoint = {15, 10};
  FillRegion(scene.data(), expected.data(), kW, kH, p);
  EXPECT_TRUE(SamePixels(PixelsOf(image), expected, kW));

  host::Click(Button("R\xE9initialiser"));
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 4u);
  ExpectCall(recorder.Calls()[3], 0, 0, 0);
  EXPECT_TRUE(SamePixels(PixelsOf(image), scene, kW));
  EXPECT_FALSE(host::IsChecked(Marker(kPosF1)));
  EXPECT_FALSE(host::IsChecked(Marker(kPosF2)));
  EXPECT_FALSE(host::IsChecked(Marker(kPosDeb)));

  host::Click(Button("Appliquer"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr) << "the dialog is still on screen";
  ASSERT_EQ(recorder.Calls().size(), 5u);
  ExpectCall(recorder.Calls()[4], 0, 1, 1);
  EXPECT_EQ(image.RefCount(), 2) << "the dialog keeps its reference until the next Open";
}

// With the default noise (offsets -2..+2) the fill is checked by what noise
// cannot hide: the square untouched, every background pixel within 2 of the
// noiseless fill, one offset for all three channels. "Annuler" reports the
// run not applied and leaves the pixels to the host.
TEST(BackgroundDialog, NoisyFillThenAnnuler) {
  CancelAtEnd cancel;
  const std::vector<Pixel24> scene = Scene();
  TPtsImg image = MakeImage(scene);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, image, kW, kH);
  host::PumpMessages();
  ASSERT_NE(Dialog(), nullptr);
  host::Click(Marker(kPosF1));
  ClickOnImage(5, 0, TPtsImg(), image);
  host::Click(Marker(kPosF2));
  ClickOnImage(30, 25, TPtsImg(), image);
  host::Click(Marker(kPosDeb));
  ClickOnImage(1, 1, TPtsImg(), image);
  ASSERT_EQ(recorder.Calls().size(), 2u);

  const FillParams p = NoiselessOpeningFill({1, 1}, {5, 0}, {30, 25});
  std::vector<Pixel24> noiseless = scene;
  FillRegion(scene.data(), noiseless.data(), kW, kH, p);
  const std::vector<Pixel24> got = PixelsOf(image);
  int differing = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const int dr = got[i].r - noiseless[i].r, dg = got[i].g - noiseless[i].g, db = got[i].b - noiseless[i].b;
    EXPECT_TRUE(dr >= -2 && dr <= 2 && dg >= -2 && dg <= 2 && db >= -2 && db <= 2) << "pixel " << i;
    // Where no channel was clamped, the three offsets are one.
    const Pixel24 n = noiseless[i];
    if (n.r > 2 && n.r < 253 && n.g > 2 && n.g < 253 && n.b > 2 && n.b < 253) {
      EXPECT_EQ(dr, dg) << "pixel " << i;
      EXPECT_EQ(dr, db) << "pixel " << i;
    }
    differing += dr != 0 ? 1 : 0;
    const int x = int(i) % kW, y = int(i) / kW;
    if (x >= 12 && x < 28 && y >= 8 && y < 22) {
      EXPECT_TRUE(got[i] == scene[i]) << "the square was painted";
    }
  }
  EXPECT_GT(differing, 100) << "no noise in the fill";

  host::Click(Button("Annuler"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr);
  ASSERT_EQ(recorder.Calls().size(), 3u);
  ExpectCall(recorder.Calls()[2], 0, 0, 1);
  EXPECT_FALSE(SamePixels(PixelsOf(image), scene, kW)) << "Annuler restores nothing itself";
}

}  // namespace
}  // namespace molvane::hosttest
