// Tool 6, the threshold dialog, driven on its real windows: slider, side, buttons, preview, pixels, references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/shared_record.h"
#include "tools/threshold.h"
#include "tools/threshold_dialog.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_THRESHOLD;
constexpr int32_t kUserValue = 0x5E11;
const char kCaption[] = "Seuillage d'une image";
const char kAbove[] = "Au-dessus du seuil";
const char kBelow[] = "En-dessous du seuil";
// ValS, the threshold's value label, and the slider, by their places.
const POINT kValue = PlaceOf(TSeuilImg::Layout(), "ValS");
const POINT kSlider = PlaceOf(TSeuilImg::Layout(), "PosSeuil");

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Slider() { return host::ChildAt(Dialog(), host::kTrackBarClass, kSlider.x, kSlider.y); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }

std::vector<Pixel24> Thresholded(const std::vector<Pixel24>& pixels, int32_t threshold, KeptSide side) {
  std::vector<Pixel24> out(pixels.size());
  ThresholdPixelsReference(pixels.data(), out.data(), int64_t(pixels.size()), threshold, side);
  return out;
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

// The whole road of a run: the dialog opens at 128, the slider and the side
// change the label and the preview and never the host's buffer; "Appliquer"
// thresholds every pixel and reports once.
TEST(ThresholdDialog, SliderSidePreviewAndAppliquer) {
  const int32_t w = 64, h = 48;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  std::string labelAtOpening, labelAfterMove;
  bool slider100 = false;
  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("read the opening state",
          [&] {
            labelAtOpening = LabelAt(Dialog(), kValue.x, kValue.y);
            EXPECT_EQ(host::TrackBarPosition(Slider()), kThresholdSlider.defaultPosition);
            // The side is chosen here: it lasts from one opening to the next.
            host::Click(Button(kAbove));
            EXPECT_TRUE(host::IsChecked(Button(kAbove)));
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Thresholded(original, 128, KeptSide::Above), w))
                << "preview at the opening threshold";
          })
      .Do("drag the slider to 100",
          [&] {
            slider100 = host::MoveTrackBar(Slider(), 100);
            labelAfterMove = LabelAt(Dialog(), kValue.x, kValue.y);
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Thresholded(original, 100, KeptSide::Above), w))
                << "preview after the slider moved";
          })
      .Do("keep what lies below",
          [&] {
            host::Click(Button(kBelow));
            EXPECT_TRUE(host::IsChecked(Button(kBelow)));
            EXPECT_FALSE(host::IsChecked(Button(kAbove)));
            EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Thresholded(original, 100, KeptSide::Below), w))
                << "the side re-renders the preview at once";
            EXPECT_TRUE(SamePixels(PixelsOf(image), original, w)) << "the host's buffer changed while previewing";
            EXPECT_TRUE(recorder.Calls().empty()) << "a callback before the dialog closed";
          })
      .Do("Appliquer", [&] { host::Click(Button("Appliquer")); });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  EXPECT_EQ(labelAtOpening, "128");
  EXPECT_TRUE(slider100);
  EXPECT_EQ(labelAfterMove, "100");
  EXPECT_EQ(Dialog(), nullptr) << "the dialog is still on screen";
  EXPECT_TRUE(SamePixels(PixelsOf(image), Thresholded(original, 100, KeptSide::Below), w));
  ExpectOneFinalCallback(recorder, w, h, 1);
}

// "Réinitialiser" brings the threshold back to 128 and keeps the side;
// "Annuler" leaves the host's pixels as they were and reports not applied,
// although the preview showed another image.
TEST(ThresholdDialog, ReinitialiserKeepsTheSideAndAnnulerLeavesThePixels) {
  const int32_t w = 40, h = 30;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  std::string labelAfterReset;
  int positionAfterReset = -1;
  bool belowKept = false;
  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("below, at 30", [&] {
        host::Click(Button(kBelow));
        EXPECT_TRUE(host::MoveTrackBar(Slider(), 30));
        EXPECT_EQ(LabelAt(Dialog(), kValue.x, kValue.y), "30");
      })
      .Do("Réinitialiser", [&] {
        host::Click(Button("Réinitialiser"));
        labelAfterReset = LabelAt(Dialog(), kValue.x, kValue.y);
        positionAfterReset = host::TrackBarPosition(Slider());
        belowKept = host::IsChecked(Button(kBelow));
        EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Thresholded(original, 128, KeptSide::Below), w));
      })
      .Do("move again, then Annuler", [&] {
        EXPECT_TRUE(host::MoveTrackBar(Slider(), 200));
        host::Click(Button("Annuler"));
      });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  EXPECT_EQ(labelAfterReset, "128");
  EXPECT_EQ(positionAfterReset, 128);
  EXPECT_TRUE(belowKept) << "Réinitialiser changed the side";
  EXPECT_TRUE(SamePixels(PixelsOf(image), original, w));
  ExpectOneFinalCallback(recorder, w, h, 0);

  // The next opening starts at 128 again, with the side chosen last.
  bool belowAtOpening = false;
  std::string labelAtOpening;
  host::DialogScript again;
  again.WaitFor(kCaption).Do("read and cancel", [&] {
    belowAtOpening = host::IsChecked(Button(kBelow));
    labelAtOpening = LabelAt(Dialog(), kValue.x, kValue.y);
    host::Click(Button("Annuler"));
  });
  ASSERT_TRUE(RunDialog(again, kTool, image, w, h));
  EXPECT_TRUE(belowAtOpening);
  EXPECT_EQ(labelAtOpening, "128");
}

// The strict comparisons and the ends of the slider, each through one run of
// the dialog: red 255, 0, 0 has lightness 127; grey 128 is black at 128 on
// either side; 255 above and 0 below blacken everything.
TEST(ThresholdDialog, EdgesOfTheComparisonThroughTheDialog) {
  const Pixel24 red{0, 0, 255};
  const Pixel24 grey{128, 128, 128};
  const Pixel24 white{255, 255, 255};
  const Pixel24 black{0, 0, 0};
  const std::vector<Pixel24> original = {red, grey, white, Pixel24{1, 0, 0}};
  const struct {
    int32_t threshold;
    const char* side;
    std::vector<Pixel24> expected;
  } cases[] = {
      {126, kAbove, {red, grey, white, black}},
      {127, kAbove, {black, grey, white, black}},
      {128, kAbove, {black, black, white, black}},
      {128, kBelow, {red, black, black, Pixel24{1, 0, 0}}},
      {255, kAbove, {black, black, black, black}},
      {0, kBelow, {black, black, black, black}},
      {1, kBelow, {black, black, black, Pixel24{1, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.side) + " at " + std::to_string(c.threshold));
    TPtsImg image = MakeImage(original);
    host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
    host::DialogScript script;
    script.WaitFor(kCaption).Do("set and apply", [&] {
      host::Click(Button(c.side));
      EXPECT_TRUE(host::MoveTrackBar(Slider(), c.threshold));
      EXPECT_EQ(LabelAt(Dialog(), kValue.x, kValue.y), std::to_string(c.threshold));
      host::Click(Button("Appliquer"));
    });
    ASSERT_TRUE(RunDialog(script, kTool, image, 2, 2));
    EXPECT_TRUE(SamePixels(PixelsOf(image), c.expected, 2));
    ExpectOneFinalCallback(recorder, 2, 2, 1);
  }
}

// The photograph: the preview samples it at s = 451 / 320 and the apply step
// thresholds all its pixels, not the preview's.
TEST(ThresholdDialog, PhotographPreviewAndFullImage) {
  host::Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  const int32_t w = photo.width, h = photo.height;
  TPtsImg image = MakeImage(photo.pixels);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  const std::vector<Pixel24> samples = PreviewSamples(photo.pixels, w, h);
  const int32_t pw = PreviewGeometryFor(ImageSize{w, h}).width;

  host::DialogScript script;
  script.WaitFor(kCaption).Do("below 60, apply", [&] {
    host::Click(Button(kBelow));
    EXPECT_TRUE(host::MoveTrackBar(Slider(), 60));
    EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Thresholded(samples, 60, KeptSide::Below), pw));
    host::Click(Button("Appliquer"));
  });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));
  EXPECT_TRUE(SamePixels(PixelsOf(image), Thresholded(photo.pixels, 60, KeptSide::Below), w));
  ExpectOneFinalCallback(recorder, w, h, 1);
}

// The dialog holds the host's buffer from its Open to the next Open: after a
// run the buffer has the host's reference and the dialog's; when the host
// drops its own, the block lives on; the next Open, on another image, drops
// the dialog's, and the block goes back to the host's allocator, freed by the
// plug-in. The working copy and the preview are gone after each run.
TEST(ThresholdDialog, HostImageHeldUntilTheNextOpen) {
  const host::AllocatorProbe& allocator = HostAllocator();
  ASSERT_NE(allocator.Watch, nullptr);
  FreshRecorder(kUserValue);
  TPtsImg first = MakeImage(Ramp(30, 20));
  const void* firstBlock = reinterpret_cast<const uint8_t*>(first.Handle()) - 8;
  // A first run lets go of whatever image an earlier run left with the dialog.
  host::DialogScript prime;
  prime.WaitFor(kCaption).Do("cancel", [&] { host::Click(Button("Annuler")); });
  ASSERT_TRUE(RunDialog(prime, kTool, first, 30, 20));
  const int32_t liveBefore = allocator.Statistics().liveBlocks;

  int32_t countDuringRun = -1;
  host::DialogScript script;
  script.WaitFor(kCaption).Do("read the count, cancel", [&] {
    countDuringRun = first.RefCount();
    host::Click(Button("Annuler"));
  });
  ASSERT_TRUE(RunDialog(script, kTool, first, 30, 20));
  // The host's, XchgData's for the call, the dialog's.
  EXPECT_EQ(countDuringRun, 3);
  EXPECT_EQ(first.RefCount(), 2) << "the dialog should keep one reference after closing";
  EXPECT_EQ(allocator.Statistics().liveBlocks, liveBefore) << "the working copy or the preview outlived the run";

  ASSERT_TRUE(allocator.Watch(firstBlock));
  first = TPtsImg();  // the host lets go of its image
  EXPECT_EQ(allocator.BlockSize(firstBlock), 8 + 3 * 30 * 20) << "the block went with the host's reference";
  EXPECT_EQ(TPtsImg::RefCountOf(reinterpret_cast<const Pixel24*>(static_cast<const uint8_t*>(firstBlock) + 8)), 1);
  EXPECT_EQ(allocator.Statistics().watchedBlocksFreed, 0);

  TPtsImg second = MakeImage(Ramp(7, 5));
  int32_t freedWhileOpen = -1;
  host::DialogScript next;
  next.WaitFor(kCaption).Do("cancel", [&] {
    freedWhileOpen = allocator.Statistics().watchedBlocksFreed;
    host::Click(Button("Annuler"));
  });
  ASSERT_TRUE(RunDialog(next, kTool, second, 7, 5));
  EXPECT_EQ(freedWhileOpen, 1) << "the next Open did not release the first image";
  EXPECT_EQ(second.RefCount(), 2);
}

}  // namespace
}  // namespace molvane::hosttest
