// Tool 7, the merge dialog, driven on its real windows: two XchgData phases, the controls, the preview, the delivered image.
//
// The dialog is non-modal: XchgData returns with it on screen, and the test
// runs the host's message loop (host::PumpMessages) between its actions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_kit/preview.h"
#include "dialog_test_support.h"
#include "tools/merge.h"
#include "tools/merge_dialog.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kTool = MOLVANE_TOOL_MERGE;
constexpr int32_t kUserValue = 0xF051;
const char kCaption[] = "Fusion d'images";
const char kMaximum[] = "Luminosité la plus élevée";
const char kTransparency[] = "Jeu de transparence";

// Places in the dialog's client area, from its layout; the strip starts at
// its band's low end, its zero where its layout puts it.
POINT Place(const char* name) { return PlaceOf(TFusionner::Layout(), name); }
const POINT kTaille1 = Place("Taille1"), kTaille2 = Place("Taille2");
const POINT kTauxTransp = Place("TauxTransp"), kTxImg1 = Place("TxImg1"), kTxImg2 = Place("TxImg2");
const POINT kTxMin = Place("TxMin"), kTxMax = Place("TxMax"), kTxMi = Place("TxMi"), kTxMx = Place("TxMx");
const int kStripTop = Place("ZoneTrsp").y, kStripLeftAtZero = Place("ZoneTrsp").x;

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }
HWND Slider(POINT at) { return host::ChildAt(Dialog(), host::kTrackBarClass, at.x, at.y); }
std::string Label(POINT at) { return LabelAt(Dialog(), at.x, at.y); }
bool OnTop(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// A test that stops half-way must not leave the dialog on screen for the next.
struct CancelAtEnd {
  ~CancelAtEnd() {
    if (HWND cancel = Button("Annuler")) host::Click(cancel);
    host::PumpMessages();
  }
};

std::vector<Pixel24> Merged(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b, const MergeParams& p) {
  std::vector<Pixel24> out(a.size());
  MergePixelsReference(a.data(), b.data(), out.data(), int64_t(a.size()), p);
  return out;
}

MergeParams Transparency(int32_t rate, Prevalent prevalent = Prevalent::None, int32_t low = 0, int32_t high = 255) {
  MergeParams p;
  p.mode = MergeMode::Transparency;
  p.rate = rate;
  p.prevalent = prevalent;
  p.low = low;
  p.high = high;
  return p;
}

// The yellow strip lies across the two band sliders' edges: its corners, on
// the screen, must be its own yellow, not a slider's background.
bool StripShowsWhole(HWND strip) {
  host::Bitmap24 shot;
  if (!host::CaptureScreen({Dialog()}, shot)) return false;
  RECT dialog{}, place{};
  GetWindowRect(Dialog(), &dialog);
  GetWindowRect(strip, &place);
  const Pixel24 yellow{0, 255, 255};
  for (LONG y : {place.top, place.bottom - 1})
    for (LONG x : {place.left, place.right - 1}) {
      const size_t at = size_t(y - dialog.top) * size_t(shot.width) + size_t(x - dialog.left);
      if (at >= shot.pixels.size() || !(shot.pixels[at] == yellow)) return false;
    }
  return true;
}

void ExpectCall(const host::CallbackCall& call, int32_t width, int32_t height, int32_t actionCode,
                intptr_t actionData, int applied, int32_t finished) {
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, width);
  EXPECT_EQ(call.height, height);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, actionCode);
  EXPECT_EQ(call.actionData, actionData);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, finished);
}

// What the host does with a delivered image: its own reference, taken during
// the call, and the block's size and count as they were then.
struct Delivery {
  TPtsImg image;
  int32_t countDuringCall = -1;
  int32_t blockSize = -1;
};

void TakeDeliveredImage(host::CallbackRecorder& recorder, Delivery& delivery) {
  recorder.DuringCall([&delivery](const host::CallbackCall& call) {
    if (call.actionCode != MOLVANE_ACTION_NEW_IMAGE || call.actionData == 0) return;
    auto* handle = reinterpret_cast<Pixel24*>(call.actionData);
    delivery.countDuringCall = TPtsImg::RefCountOf(handle);
    delivery.blockSize = HostAllocator().BlockSize(reinterpret_cast<const uint8_t*>(handle) - 8);
    delivery.image = TPtsImg::Share(handle);
  });
}

// The whole road: phase 0 asks for a second image and leaves the dialog on
// top; phase 1 enables the merge; the mode, the rate, the prevalent image and
// the band each redraw the preview; "Appliquer" hands over the merge of the
// full images, which the host keeps while the plug-in lets go of everything.
TEST(MergeDialog, TwoPhasesControlsPreviewAndDeliveredImage) {
  CancelAtEnd cancel;
  const int32_t w = 64, h = 48;
  const std::vector<Pixel24> a = Ramp(w, h), b = RandomPixels(w * h, 71);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  RunTool(kTool, 0, first, w, h, TPtsImg(), "premier.bmp");
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], w, h, 0, 2, 0, 0);
  ASSERT_NE(Dialog(), nullptr) << "XchgData returned without the dialog on screen";
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  EXPECT_TRUE(OnTop(Dialog()));
  EXPECT_NE(host::FindChild(Dialog(), "Button", " Image N° 1  : \"premier.bmp\" "), nullptr);
  EXPECT_NE(host::FindChild(Dialog(), "Button", " Image N° 2 "), nullptr);
  EXPECT_EQ(Label(kTaille1), "L = 64 x H = 48 pixels²");
  EXPECT_EQ(Label(kTaille2), "Cliquez sur une image");
  EXPECT_FALSE(host::IsEnabled(Button(kTransparency)));
  EXPECT_FALSE(host::IsEnabled(Button("Appliquer")));
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), a, w)) << "the first image while waiting";
  EXPECT_EQ(first.RefCount(), 2) << "the host's and the dialog's";

  RunTool(kTool, 1, second, w, h, TPtsImg(), "second.bmp");
  host::PumpMessages();
  EXPECT_EQ(recorder.Calls().size(), 1u);
  EXPECT_NE(host::FindChild(Dialog(), "Button", " Image N° 2 : \"second.bmp\" "), nullptr);
  EXPECT_EQ(Label(kTaille2), "L = 64 x H = 48 pixels²");
  EXPECT_TRUE(host::IsEnabled(Button(kTransparency)));
  EXPECT_TRUE(host::IsEnabled(Button("Appliquer")));
  EXPECT_TRUE(host::IsChecked(Button(kMaximum)));
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Merged(a, b, MergeParams{}), w));

  host::Click(Button(kTransparency));
  EXPECT_NE(Slider(kTauxTransp), nullptr) << "the transparency box did not appear";
  EXPECT_EQ(host::TrackBarPosition(Slider(kTauxTransp)), 50);
  EXPECT_EQ(Label(kTxImg1), "50 %");
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Merged(a, b, Transparency(50)), w));
  EXPECT_TRUE(host::MoveTrackBar(Slider(kTauxTransp), 70));
  EXPECT_EQ(Label(kTxImg1), "30 %");
  EXPECT_EQ(Label(kTxImg2), "70 %");
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Merged(a, b, Transparency(70)), w));

  EXPECT_FALSE(host::IsEnabled(Slider(kTxMin)));
  host::Click(Button("Image N° 1"));
  EXPECT_TRUE(host::IsChecked(Button("Image N° 1")));
  EXPECT_TRUE(host::IsEnabled(Slider(kTxMin)));
  EXPECT_TRUE(host::IsEnabled(Slider(kTxMax)));
  EXPECT_TRUE(host::MoveTrackBar(Slider(kTxMin), 100));
  EXPECT_TRUE(host::MoveTrackBar(Slider(kTxMax), 150));
  EXPECT_EQ(Label(kTxMi), "100");
  EXPECT_EQ(Label(kTxMx), "150");
  HWND strip = host::ChildAt(Dialog(), "MolvanePanel", kStripLeftAtZero + 100, kStripTop);
  ASSERT_NE(strip, nullptr) << "the yellow strip is not under the band";
  const RECT place = host::PlaceIn(Dialog(), strip);
  EXPECT_EQ(place.right - place.left, 50);
  EXPECT_EQ(place.bottom - place.top, 12);
  EXPECT_TRUE(StripShowsWhole(strip)) << "the strip is hidden behind a slider";
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Merged(a, b, Transparency(70, Prevalent::First, 100, 150)), w));
  EXPECT_TRUE(SamePixels(PixelsOf(first), a, w)) << "previewing changed the host's images";
  EXPECT_TRUE(SamePixels(PixelsOf(second), b, w));

  Delivery delivery;
  TakeDeliveredImage(recorder, delivery);
  host::Click(Button("Appliquer"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr) << "the dialog is still on screen";
  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[1], w, h, 3, reinterpret_cast<intptr_t>(delivery.image.Handle()), 1, 1);
  ASSERT_FALSE(delivery.image.Empty());
  EXPECT_EQ(delivery.countDuringCall, 1) << "the plug-in's own reference, before the host took one";
  EXPECT_EQ(delivery.blockSize, 8 + 3 * w * h) << "the block comes from the shared allocator";
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), Merged(a, b, Transparency(70, Prevalent::First, 100, 150)), w));

  // The plug-in let go of both images and of the result: the host's
  // references are the only ones, and the host frees the block the plug-in
  // allocated through the shared allocator.
  EXPECT_EQ(delivery.image.RefCount(), 1);
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
  const host::AllocatorProbe& allocator = HostAllocator();
  const void* block = reinterpret_cast<const uint8_t*>(delivery.image.Handle()) - 8;
  ASSERT_TRUE(allocator.Watch(block));
  const int32_t freedBefore = allocator.Statistics().watchedBlocksFreed;
  delivery.image = TPtsImg();
  EXPECT_EQ(allocator.Statistics().watchedBlocksFreed, freedBefore + 1);
  EXPECT_EQ(allocator.BlockSize(block), -1);
}

// The band sliders on their real windows: TxMin pushes TxMax up, TxMax
// cannot go below TxMin, and the strip follows.
TEST(MergeDialog, BandSlidersPushEachOther) {
  CancelAtEnd cancel;
  TPtsImg first = MakeImage(Ramp(8, 8)), second = MakeImage(RandomPixels(64, 72));
  FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, 8, 8);
  RunTool(kTool, 1, second, 8, 8);
  host::PumpMessages();
  host::Click(Button(kTransparency));
  host::Click(Button("Image N° 2"));
  ASSERT_TRUE(host::MoveTrackBar(Slider(kTxMax), 150));
  ASSERT_TRUE(host::MoveTrackBar(Slider(kTxMin), 200));
  EXPECT_EQ(host::TrackBarPosition(Slider(kTxMax)), 200);
  EXPECT_EQ(Label(kTxMx), "200");
  ASSERT_TRUE(host::MoveTrackBar(Slider(kTxMin), 80));
  EXPECT_FALSE(host::MoveTrackBar(Slider(kTxMax), 50)) << "TxMax went below TxMin";
  EXPECT_EQ(host::TrackBarPosition(Slider(kTxMax)), 80);
  EXPECT_EQ(Label(kTxMi), "80");
  EXPECT_EQ(Label(kTxMx), "80");
  host::Click(Button("Image N° 1"));
  EXPECT_FALSE(host::IsChecked(Button("Image N° 2"))) << "the prevalent images exclude each other";
}

// The photograph and its mirror image: the preview samples both at
// s = 451 / 320 and shows their maximum; the delivered image is the maximum
// of the full images.
TEST(MergeDialog, PhotographMaximumPreviewAndFullImage) {
  CancelAtEnd cancel;
  host::Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  const int32_t w = photo.width, h = photo.height;
  const std::vector<Pixel24> mirror = host::Mirrored(photo).pixels;
  TPtsImg first = MakeImage(photo.pixels), second = MakeImage(mirror);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, w, h, TPtsImg(), "chelsea.bmp");
  RunTool(kTool, 1, second, w, h, TPtsImg(), "miroir.bmp");
  host::PumpMessages();
  const int32_t pw = PreviewGeometryFor(ImageSize{w, h}).width;
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h),
                         Merged(PreviewSamples(photo.pixels, w, h), PreviewSamples(mirror, w, h), MergeParams{}), pw));
  Delivery delivery;
  TakeDeliveredImage(recorder, delivery);
  host::Click(Button("Appliquer"));
  host::PumpMessages();
  ASSERT_EQ(recorder.Calls().size(), 2u);
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), Merged(photo.pixels, mirror, MergeParams{}), w));
}

// A second image one pixel narrower: the warning in the system's box, over a
// dialog that is not on top while the box is up and is on top again after;
// nothing else changes, and "Annuler" ends the run without a callback.
TEST(MergeDialog, MismatchWarningAndAnnuler) {
  CancelAtEnd cancel;
  const int32_t w = 30, h = 20;
  TPtsImg first = MakeImage(Ramp(w, h)), narrower = MakeImage(RandomPixels((w - 1) * h, 73));
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, w, h);
  host::PumpMessages();

  std::string boxCaption, boxText;
  bool dialogOnTopDuringBox = true;
  host::DialogScript script;
  script.OnSystemDialog("read and answer the warning", [&](HWND box) {
    boxCaption = host::TextOf(box);
    boxText = host::MessageBoxText(box);
    dialogOnTopDuringBox = OnTop(Dialog());
    host::PressOk(box);
  });
  ASSERT_TRUE(script.Run([&] { RunTool(kTool, 1, narrower, w - 1, h, TPtsImg(), "etroite.bmp"); }))
      << script.FailureText();
  host::PumpMessages();
  EXPECT_EQ(boxCaption, "Avertissement");
  EXPECT_EQ(boxText, "La fusion ne peut se faire que sur deux images de mêmes dimensions");
  EXPECT_FALSE(dialogOnTopDuringBox) << "the box could hide behind the dialog";
  EXPECT_TRUE(OnTop(Dialog())) << "the dialog did not take its place on top back";
  EXPECT_NE(host::FindChild(Dialog(), "Button", " Image N° 2 : \"etroite.bmp\" "), nullptr);
  EXPECT_EQ(Label(kTaille2), "L = 29 x H = 20 pixels²");
  EXPECT_FALSE(host::IsEnabled(Button("Appliquer")));
  EXPECT_FALSE(host::IsEnabled(Button(kTransparency)));
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Ramp(w, h), w));

  host::Click(Button("Annuler"));
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(recorder.Calls().size(), 1u) << "\"Annuler\" made a callback";
  EXPECT_EQ(narrower.RefCount(), 2) << "the dialog keeps its references until the next run";

  // Images the user clicks after the run ended reach no dialog and raise no box.
  const int closedBefore = WindowCloser::CloseRequests() + WindowCloser::Cancelled();
  {
    WindowCloser closer;
    RunTool(kTool, 1, narrower, w - 1, h);
  }
  EXPECT_EQ(WindowCloser::CloseRequests() + WindowCloser::Cancelled(), closedBefore) << "a window came up";
  EXPECT_EQ(recorder.Calls().size(), 1u);

  // The next run lets go of the refused image.
  RunTool(kTool, 0, first, w, h);
  host::PumpMessages();
  EXPECT_EQ(narrower.RefCount(), 1);
}

// A further matching image while "Jeu de transparence" is chosen: the
// preview shows its merge at once, and "Appliquer" delivers it.
TEST(MergeDialog, FurtherMatchingImageInTransparencyMode) {
  CancelAtEnd cancel;
  const int32_t w = 50, h = 40;
  const std::vector<Pixel24> a = Ramp(w, h), b = RandomPixels(w * h, 74), c = RandomPixels(w * h, 75);
  TPtsImg first = MakeImage(a), second = MakeImage(b), third = MakeImage(c);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  RunTool(kTool, 0, first, w, h);
  RunTool(kTool, 1, second, w, h);
  host::PumpMessages();
  host::Click(Button(kTransparency));
  ASSERT_TRUE(host::MoveTrackBar(Slider(kTauxTransp), 25));
  RunTool(kTool, 1, third, w, h, TPtsImg(), "troisieme.bmp");
  host::PumpMessages();
  EXPECT_TRUE(host::IsChecked(Button(kTransparency)));
  EXPECT_EQ(Label(kTxImg2), "25 %");
  EXPECT_TRUE(SamePixels(PreviewOnScreen(Dialog(), w, h), Merged(a, c, Transparency(25)), w));
  Delivery delivery;
  TakeDeliveredImage(recorder, delivery);
  host::Click(Button("Appliquer"));
  host::PumpMessages();
  ASSERT_FALSE(delivery.image.Empty()) << "the run was not applied";
  EXPECT_TRUE(SamePixels(PixelsOf(delivery.image), Merged(a, c, Transparency(25)), w));
  EXPECT_EQ(second.RefCount(), 1);
  EXPECT_EQ(third.RefCount(), 1);
}

}  // namespace
}  // namespace molvane::hosttest
