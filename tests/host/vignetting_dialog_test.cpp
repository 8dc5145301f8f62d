// Tool 5, the vignetting dialog, driven on its real windows: markers armed by clicks, points sent as phase-1 calls, corners rebuilt in the host's buffer.
//
// The dialog is non-modal: XchgData returns with it on screen, and the test
// runs the host's message loop (host::PumpMessages) between its actions.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "tools/vignetting.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_VIGNETTING;
constexpr int32_t kUserValue = 0x71C5;
const char kCaption[] = "Correction de vignetage";

// The markers' places in the client area: top-left, top-right, bottom-right, bottom-left.
constexpr POINT kMarkers[4] = {{74, 22}, {210, 22}, {210, 102}, {74, 102}};

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }
HWND Marker(int n) { return host::ChildAt(Dialog(), "Button", kMarkers[n].x, kMarkers[n].y); }
bool OnTop(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

struct CancelAtEnd {
  ~CancelAtEnd() {
    if (HWND cancel = Button("Annuler")) host::Click(cancel);
    host::PumpMessages();
  }
};

void ExpectCall(const host::CallbackCall& call, int32_t width, int32_t height, int32_t actionCode,
                int applied, int32_t finished) {
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, width);
  EXPECT_EQ(call.height, height);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, actionCode);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, finished);
}

// A click the host forwards: the point, the current image in Pixels2, and in
// Pixels something the tool must not use.
void SendPoint(int32_t x, int32_t y, const TPtsImg& current, const TPtsImg& decoy, int32_t w,
               int32_t h) {
  Exports().XchgData(kTool, 0, 0, x, y, w, h, 1, 0, decoy.Handle(), current.Handle(), "image", 0);
}

class FixedDraw final : public VignettingRandom {
 public:
  explicit FixedDraw(int32_t draw) : draw_(draw) {}
  void Reseed() override {}
  int32_t Draw(int32_t) override { return draw_; }

 private:
  int32_t draw_;
};

// The DLL draws its factors from the clock: every pixel must lie, channel by
// channel, between the corrections with every factor 0.98 and every factor
// 1.02, which are equal (to the original) outside the triangles.
::testing::AssertionResult CorrectedBetweenBounds(const std::vector<Pixel24>& original,
                                                  const std::vector<Pixel24>& got, int32_t w,
                                                  int32_t h, const ImagePoint (&points)[4]) {
  std::vector<Pixel24> low = original, high = original;
  FixedDraw lowest(0), highest(4);
  CorrectVignetting(points, VignettingImages{original.data(), low.data(), w, h}, lowest);
  CorrectVignetting(points, VignettingImages{original.data(), high.data(), w, h}, highest);
  int changed = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const uint8_t g[3] = {got[i].b, got[i].g, got[i].r}, lo[3] = {low[i].b, low[i].g, low[i].r},
                  hi[3] = {high[i].b, high[i].g, high[i].r};
    for (int c = 0; c < 3; ++c)
      if (g[c] < lo[c] || g[c] > hi[c])
        return ::testing::AssertionFailure()
               << "pixel (" << i % size_t(w) << ", " << i / size_t(w) << ") channel " << c << ": "
               << int(g[c]) << " not in " << int(lo[c]) << " .. " << int(hi[c]);
    if (!(got[i] == original[i])) ++changed;
  }
  if (changed == 0) return ::testing::AssertionFailure() << "no pixel changed";
  return ::testing::AssertionSuccess() << changed << " pixels changed";
}

// The whole road: phase 0 asks for point picking and leaves the dialog on
// top; each marker clicked and given a point by a phase-1 call is ticked; the
// fourth point rebuilds the corners in the host's buffer; "Réinitialiser"
// writes the backup back; "Appliquer" computes again and closes.
TEST(VignettingDialog, FourPickedCornersCorrectReinitialiserRestoresAppliquerCloses) {
  CancelAtEnd cancel;
  const int32_t w = 48, h = 36;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original), decoy = MakeImage(RandomPixels(w * h, 5));
  const std::vector<Pixel24> decoyPixels = PixelsOf(decoy);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  RunTool(kTool, 0, image, w, h);
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], w, h, 1, 0, 0);
  ASSERT_NE(Dialog(), nullptr) << "XchgData returned without the dialog on screen";
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  EXPECT_TRUE(OnTop(Dialog()));
  EXPECT_EQ(image.RefCount(), 2) << "the host's and the dialog's";
  for (int n = 0; n < 4; ++n) {
    ASSERT_NE(Marker(n), nullptr) << "marker " << n;
    EXPECT_FALSE(host::IsChecked(Marker(n)));
  }
  EXPECT_NE(Button("R\xE9initialiser"), nullptr);
  EXPECT_NE(Button("Appliquer"), nullptr);

  const ImagePoint points[4] = {{7, 5}, {40, 6}, {41, 30}, {6, 29}};
  for (int n = 0; n < 4; ++n) {
    host::Click(Marker(n));
    host::PumpMessages();
    SendPoint(points[n].x, points[n].y, image, decoy, w, h);
    host::PumpMessages();
    EXPECT_TRUE(host::IsChecked(Marker(n))) << "marker " << n << " holds its point";
    EXPECT_TRUE(IsWindowVisible(Marker(n))) << "marker " << n << " no longer blinks";
    if (n < 3) {
      EXPECT_EQ(recorder.Calls().size(), 1u);
      EXPECT_EQ(PixelsOf(image), original) << "nothing computed before the fourth corner";
    }
  }
  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[1], w, h, 0, 1, 0);
  EXPECT_TRUE(CorrectedBetweenBounds(original, PixelsOf(image), w, h, points));
  EXPECT_EQ(PixelsOf(decoy), decoyPixels) << "Pixels is not used in phase 1";
  EXPECT_EQ(decoy.RefCount(), 1);

  host::Click(Button("R\xE9initialiser"));
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 3u);
  ExpectCall(recorder.Calls()[2], w, h, 0, 0, 0);
  EXPECT_EQ(PixelsOf(image), original);
  for (int n = 0; n < 4; ++n) EXPECT_FALSE(host::IsChecked(Marker(n))) << "marker " << n;

  // Two corners, then "Appliquer" with the others at their defaults.
  const ImagePoint two[4] = {{9, 3}, {w, 0}, {44, 33}, {0, h}};
  host::Click(Marker(0));
  SendPoint(two[0].x, two[0].y, image, decoy, w, h);
  host::Click(Marker(2));
  SendPoint(two[2].x, two[2].y, image, decoy, w, h);
  host::PumpMessages();
  EXPECT_EQ(recorder.Calls().size(), 3u);
  host::Click(Button("Appliquer"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr);
  ASSERT_EQ(recorder.Calls().size(), 5u);
  ExpectCall(recorder.Calls()[3], w, h, 0, 1, 0);
  ExpectCall(recorder.Calls()[4], w, h, 0, 1, 1);
  EXPECT_TRUE(CorrectedBetweenBounds(original, PixelsOf(image), w, h, two));
  EXPECT_EQ(image.RefCount(), 2) << "kept until the tool's next Open";
}

// "Annuler" closes with Applied 0 and leaves the pixels to the host; clicks
// forwarded afterwards, and phases other than 0 and 1, change nothing.
TEST(VignettingDialog, AnnulerReportsNotAppliedAndLaterCallsDoNothing) {
  CancelAtEnd cancel;
  const int32_t w = 20, h = 16;
  const std::vector<Pixel24> original = RandomPixels(w * h, 6);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, image, w, h);
  host::PumpMessages();
  ASSERT_NE(Dialog(), nullptr);
  RunTool(kTool, 2, image, w, h, image);
  EXPECT_EQ(recorder.Calls().size(), 1u);
  const ImagePoint points[4] = {{4, 4}, {16, 3}, {15, 12}, {5, 13}};
  for (int n = 0; n < 4; ++n) {
    host::Click(Marker(n));
    SendPoint(points[n].x, points[n].y, image, TPtsImg(), w, h);
  }
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 2u);
  const std::vector<Pixel24> corrected = PixelsOf(image);
  EXPECT_TRUE(CorrectedBetweenBounds(original, corrected, w, h, points));
  host::Click(Button("Annuler"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr);
  ASSERT_EQ(recorder.Calls().size(), 3u);
  ExpectCall(recorder.Calls()[2], w, h, 0, 0, 1);
  EXPECT_EQ(PixelsOf(image), corrected) << "the host restores, not the tool";
  SendPoint(1, 1, image, TPtsImg(), w, h);
  EXPECT_EQ(recorder.Calls().size(), 3u);
  EXPECT_EQ(PixelsOf(image), corrected);
}

}  // namespace
}  // namespace molvane::hosttest
