// Tool 1, the comparison dialog, driven on its real windows: two phases, the factor, the gap image and who frees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "tools/comparison.h"
#include "tools/comparison_dialog.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_COMPARISON;
constexpr int32_t kUserValue = 0xC0397;
const char kCaption[] = "Comparaison d'images";
const char kCreate[] = "Créer une image d'écart";
const POINT kSize1 = PlaceOf(TComparer::Layout(), "Taille1");
const POINT kSize2 = PlaceOf(TComparer::Layout(), "Taille2");
const POINT kFactor = PlaceOf(TComparer::Layout(), "KMult");

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Factor() { return host::ChildAt(Dialog(), host::kTrackBarClass, kFactor.x, kFactor.y); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }
// The group boxes' captions, by their places.
std::string FirstBox() { return host::TextOf(host::ChildAt(Dialog(), "Button", 25, 5)); }
std::string SecondBox() { return host::TextOf(host::ChildAt(Dialog(), "Button", 25, 50)); }
bool OnTop(HWND window) { return window && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

std::vector<Pixel24> GapOf(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b, int32_t factor) {
  std::vector<Pixel24> gap(a.size());
  ComputeGapReference(a.data(), b.data(), gap.data(), int64_t(a.size()), factor);
  return gap;
}

void ExpectCall(const host::CallbackCall& call, int32_t w, int32_t h, int32_t actionCode, int applied,
                int32_t finished) {
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, w);
  EXPECT_EQ(call.height, h);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, actionCode);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, finished);
}

// The host's side of ActionCode 3: during the call it takes its own
// reference to the delivered image and notes what its allocator knows of it.
struct Delivery {
  TPtsImg image;
  int32_t countDuringCall = -1;
  int32_t blockSizeDuringCall = -1;
  bool watched = false;
};

void TakeDelivery(host::CallbackRecorder& recorder, Delivery& delivery) {
  recorder.DuringCall([&delivery](const host::CallbackCall& call) {
    if (call.actionCode != MOLVANE_ACTION_NEW_IMAGE || call.actionData == 0) return;
    auto* handle = reinterpret_cast<Pixel24*>(call.actionData);
    delivery.image = TPtsImg::Share(handle);
    delivery.countDuringCall = delivery.image.RefCount();
    const void* block = reinterpret_cast<const uint8_t*>(handle) - 8;
    delivery.blockSizeDuringCall = HostAllocator().BlockSize(block);
    delivery.watched = HostAllocator().Watch(block);
  });
}

class ComparisonDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    // A dialog left by an earlier test would answer for this one.
    if (Dialog()) host::Click(Button("Annuler"));
    host::PumpMessages();
    ASSERT_EQ(Dialog(), nullptr);
  }
  void TearDown() override {
    host::CallbackRecorder::Instance().DuringCall(nullptr);
    if (Dialog()) host::Click(Button("Annuler"));
    host::PumpMessages();
  }
};

// The whole road as a host and a user take it: phase 0 returns with the
// dialog on screen and on top; phase 1 brings the second image; the factor
// moves by keys and is taken when the mouse lets go of the thumb; the button
// hands over the gap image, which the host keeps and later frees itself.
TEST_F(ComparisonDialog, TwoPhasesFactorOnReleaseAndTheGapImageHandedOver) {
  const int32_t w = 61, h = 17;
  const std::vector<Pixel24> a = RandomPixels(w * h, 101), b = RandomPixels(w * h, 202);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  RunTool(kTool, 0, first, w, h, TPtsImg(), "premier.bmp");
  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], w, h, 0, 0, 0);
  EXPECT_EQ(recorder.Calls()[0].actionData, MOLVANE_DATA_ASK_SECOND_IMAGE) << "the request for a second image";
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr) << "XchgData returned without the dialog on screen";
  EXPECT_TRUE(OnTop(dialog));
  host::PumpMessages();
  EXPECT_EQ(FirstBox(), " Image N° 1  : \"premier.bmp\" ");
  EXPECT_EQ(LabelAt(dialog, kSize1.x, kSize1.y), "L = 61 x H = 17 pixels²");
  EXPECT_EQ(SecondBox(), " Image N° 2 ");
  EXPECT_EQ(LabelAt(dialog, kSize2.x, kSize2.y), "Cliquez sur une image");
  EXPECT_EQ(host::TrackBarPosition(Factor()), 1);
  EXPECT_EQ(first.RefCount(), 2) << "the dialog keeps the first image";

  // The gap image's block is taken as the second image comes.
  const host::AllocatorStatistics before = HostAllocator().Statistics();
  RunTool(kTool, 1, second, w, h, TPtsImg(), "second.bmp");
  host::PumpMessages();
  EXPECT_EQ(recorder.Calls().size(), 1u) << "phase 1 calls nothing back";
  EXPECT_EQ(host::FindSystemDialog(), nullptr) << "a box for images of the same size";
  EXPECT_EQ(SecondBox(), " Image N° 2 : \"second.bmp\" ");
  EXPECT_EQ(LabelAt(dialog, kSize2.x, kSize2.y), "L = 61 x H = 17 pixels²");
  EXPECT_TRUE(OnTop(dialog));
  EXPECT_EQ(second.RefCount(), 2);

  ASSERT_TRUE(host::MoveTrackBar(Factor(), 4));
  ASSERT_TRUE(host::ReleaseOnThumb(Factor()));
  EXPECT_EQ(host::TrackBarPosition(Factor()), 4) << "the release moved the thumb";

  Delivery delivery;
  TakeDelivery(recorder, delivery);
  host::Click(Button(kCreate));
  host::PumpMessages();
  const host::AllocatorStatistics after = HostAllocator().Statistics();

  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[1], w, h, 3, 1, 1);
  EXPECT_EQ(recorder.Calls()[1].actionData, reinterpret_cast<intptr_t>(delivery.image.Handle()));
  EXPECT_EQ(Dialog(), nullptr) << "the dialog is still on screen";
  ASSERT_EQ(delivery.image.Length(), w * h);
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), GapOf(a, b, 4), w));
  EXPECT_TRUE(SamePixels(PixelsOf(first), a, w)) << "the first image was written";
  EXPECT_TRUE(SamePixels(PixelsOf(second), b, w)) << "the second image was written";

  // Allocated by the plug-in through the host's allocator, held by both
  // during the call, by the host alone afterwards, freed when it lets go.
  EXPECT_EQ(after.allocateCalls - before.allocateCalls, 1) << "the gap image is the only allocation";
  EXPECT_EQ(delivery.blockSizeDuringCall, 8 + 3 * w * h);
  ASSERT_TRUE(delivery.watched);
  EXPECT_EQ(delivery.countDuringCall, 2);
  EXPECT_EQ(delivery.image.RefCount(), 1) << "the plug-in kept its reference to the gap image";
  EXPECT_EQ(first.RefCount(), 1) << "the plug-in kept the first image";
  EXPECT_EQ(second.RefCount(), 1) << "the plug-in kept the second image";
  EXPECT_EQ(after.watchedBlocksFreed, before.watchedBlocksFreed);
  const void* block = reinterpret_cast<const uint8_t*>(delivery.image.Handle()) - 8;
  delivery.image.Reset();
  EXPECT_EQ(HostAllocator().Statistics().watchedBlocksFreed, before.watchedBlocksFreed + 1)
      << "the host's release did not free the block";
  EXPECT_EQ(HostAllocator().BlockSize(block), -1);
}

// "Annuler" calls nothing back and keeps both images until the next Open;
// that Open lets them go and shows the dialog as new. Keys alone (no release
// of the mouse) leave the factor at 1.
TEST_F(ComparisonDialog, AnnulerThenReopenResetsAndKeysAloneKeepFactorOne) {
  const std::vector<Pixel24> a = RandomPixels(12, 7), b = RandomPixels(12, 8);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, 4, 3, TPtsImg(), "a");
  RunTool(kTool, 1, second, 4, 3, TPtsImg(), "b");
  ASSERT_TRUE(host::MoveTrackBar(Factor(), 6));
  ASSERT_TRUE(host::ReleaseOnThumb(Factor()));
  host::Click(Button("Annuler"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(recorder.Calls().size(), 1u) << "Annuler called back";
  EXPECT_EQ(first.RefCount(), 2);
  EXPECT_EQ(second.RefCount(), 2);

  TPtsImg again = MakeImage(a);
  RunTool(kTool, 0, again, 4, 3, TPtsImg(), "c");
  host::PumpMessages();
  ASSERT_NE(Dialog(), nullptr);
  EXPECT_EQ(first.RefCount(), 1) << "the next Open kept the earlier first image";
  EXPECT_EQ(second.RefCount(), 1) << "the next Open kept the earlier second image";
  EXPECT_EQ(host::TrackBarPosition(Factor()), 1);
  EXPECT_EQ(SecondBox(), " Image N° 2 ");
  EXPECT_EQ(LabelAt(Dialog(), kSize2.x, kSize2.y), "Cliquez sur une image");

  RunTool(kTool, 1, second, 4, 3, TPtsImg(), "b");
  ASSERT_TRUE(host::MoveTrackBar(Factor(), 7));
  Delivery delivery;
  TakeDelivery(recorder, delivery);
  host::Click(Button(kCreate));
  host::PumpMessages();
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), GapOf(a, b, 1), 4)) << "the keys set the factor";
}

// 100 x 50 against 50 x 100: the warning is a real box over a dialog that is
// no longer on top while the box is up, and on top again once it is
// answered; the button then hands the host a null image.
TEST_F(ComparisonDialog, SizeMismatchBoxOverANormalWindowThenNullDelivery) {
  TPtsImg first = FilledImage(100, 50, Pixel24{1, 2, 3}), second = FilledImage(50, 100, Pixel24{3, 2, 1});
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, 100, 50, TPtsImg(), "large");
  ASSERT_NE(Dialog(), nullptr);
  ASSERT_TRUE(OnTop(Dialog()));

  std::string text, caption;
  bool onTopDuringBox = true, dialogDuringBox = false;
  host::DialogScript script;
  script.OnSystemDialog("answer the warning", [&](HWND box) {
    EXPECT_TRUE(host::IsMessageBox(box));
    text = host::MessageBoxText(box);
    caption = host::TextOf(box);
    dialogDuringBox = Dialog() != nullptr;
    onTopDuringBox = OnTop(Dialog());
    host::PressOk(box);
  });
  ASSERT_TRUE(script.Run([&] { RunTool(kTool, 1, second, 50, 100, TPtsImg(), "haute"); }))
      << script.FailureText();
  EXPECT_EQ(script.StepsDone(), 1u) << "no box was shown";
  EXPECT_EQ(text, "La comparaison ne peut se faire que sur deux images de mêmes dimensions");
  EXPECT_EQ(caption, "Avertissement");
  EXPECT_TRUE(dialogDuringBox);
  EXPECT_FALSE(onTopDuringBox) << "the dialog stayed on top of its box";
  host::PumpMessages();
  ASSERT_NE(Dialog(), nullptr) << "the dialog closed on a mismatch";
  EXPECT_TRUE(OnTop(Dialog())) << "the dialog is no longer on top after the box";
  EXPECT_EQ(SecondBox(), " Image N° 2 : \"haute\" ");
  EXPECT_EQ(LabelAt(Dialog(), kSize2.x, kSize2.y), "L = 50 x H = 100 pixels²");

  host::Click(Button(kCreate));
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[1], 100, 50, 3, 1, 1);
  EXPECT_EQ(recorder.Calls()[1].actionData, 0);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
}

// The noise reduction, run while the comparison waits for its second image,
// sets the shared flag to 1: the button must still not read a second image
// it never received.
TEST_F(ComparisonDialog, AnotherToolSettingTheFlagDoesNotMakeAGap) {
  TPtsImg first = MakeImage(RandomPixels(400, 5)), other = MakeImage(RandomPixels(9, 6));
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, 20, 20);
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, other, 3, 3);
  ASSERT_EQ(recorder.Calls().size(), 2u);
  EXPECT_EQ(recorder.Calls()[1].applied & 0xFF, 1) << "the noise reduction set the flag";
  ASSERT_NE(Dialog(), nullptr);
  host::Click(Button(kCreate));
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 3u);
  ExpectCall(recorder.Calls()[2], 20, 20, 3, 1, 1);
  EXPECT_EQ(recorder.Calls()[2].actionData, 0);
}

// The photograph against its own noise reduction at factor 10: the 32-bit
// plug-in's fast path gives the reference's bytes on a real image.
TEST_F(ComparisonDialog, PhotographAgainstItsNoiseReduction) {
  host::Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  const int32_t w = photo.width, h = photo.height;
  TPtsImg first = MakeImage(photo.pixels), second = MakeImage(photo.pixels);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, second, w, h);
  const std::vector<Pixel24> denoised = PixelsOf(second);

  RunTool(kTool, 0, first, w, h, TPtsImg(), "chelsea.bmp");
  RunTool(kTool, 1, second, w, h, TPtsImg(), "chelsea-reduction.bmp");
  ASSERT_TRUE(host::MoveTrackBar(Factor(), 10));
  ASSERT_TRUE(host::ReleaseOnThumb(Factor()));
  Delivery delivery;
  TakeDelivery(recorder, delivery);
  host::Click(Button(kCreate));
  host::PumpMessages();
  ASSERT_EQ(delivery.image.Length(), w * h);
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), GapOf(photo.pixels, denoised, 10), w));
}

}  // namespace
}  // namespace molvane::hosttest
