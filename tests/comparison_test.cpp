// The comparison: the gap arithmetic, fast against reference, and the dialog driven headless.
#include "tools/comparison.h"
#include "tools/comparison_avx2.h"
#include "tools/comparison_sse2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "colour/cpu_features.h"
#include "counting_allocator.h"
#include "host_callback_recorder.h"
#include "dialog_kit/dialog_module.h"
#include "test_images.h"
#include "tools/comparison_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::MakeImage;
using testing::PixelsOf;
using testing::SameBytes;

// --- the arithmetic ------------------------------------------------------------

std::vector<Pixel24> Gap(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b, int32_t factor) {
  std::vector<Pixel24> out(a.size());
  ComputeGap(a.data(), b.data(), out.data(), int64_t(a.size()), factor);
  return out;
}

TEST(ComputeGap, WorkedExamples) {
  const std::vector<Pixel24> first = {{10, 200, 30}}, second = {{20, 100, 30}};  // blue, green, red
  const std::vector<Pixel24> once = Gap(first, second, 1);
  EXPECT_EQ(once[0].b, 10);
  EXPECT_EQ(once[0].g, 100);
  EXPECT_EQ(once[0].r, 0);
  const std::vector<Pixel24> twice = Gap(first, second, 2);
  EXPECT_EQ(twice[0].b, 20);
  EXPECT_EQ(twice[0].g, 200);
  EXPECT_EQ(twice[0].r, 0);
}

// Above 255 the channel saturates: a gap of 128 at factor 2 is white, not the
// black that wrapping would give (and that means "identical").
TEST(ComputeGap, GapsAbove255Saturate) {
  EXPECT_EQ(GapChannel(128, 0, 2), 255);
  EXPECT_EQ(GapChannel(0, 128, 2), 255);
  EXPECT_EQ(GapChannel(25, 0, 10), 250);
  EXPECT_EQ(GapChannel(0, 26, 10), 255);
  EXPECT_EQ(GapChannel(255, 0, 1), 255);
  const std::vector<Pixel24> first = {{200, 30, 5}}, second = {{72, 4, 0}};
  const std::vector<Pixel24> gap = Gap(first, second, 10);
  EXPECT_EQ(gap[0].b, 255);
  EXPECT_EQ(gap[0].g, 255);
  EXPECT_EQ(gap[0].r, 50);
}

// The product is taken in full width: no factor wraps to a small value.
TEST(ComputeGap, ExtremeFactorsNeitherWrapNorChangeSign) {
  EXPECT_EQ(GapChannel(255, 0, INT32_MAX), 255);
  EXPECT_EQ(GapChannel(1, 0, INT32_MIN), 255);
  EXPECT_EQ(GapChannel(0, 1, -1), 1);
  EXPECT_EQ(GapChannel(7, 7, INT32_MIN), 0);
  EXPECT_EQ(GapChannel(200, 0, 0), 0);
}

TEST(ComputeGap, IdenticalImagesGiveBlack) {
  const std::vector<Pixel24> image = testing::RandomPixels(1001, 5);
  for (int32_t factor : {1, 2, 10})
    for (const Pixel24& p : Gap(image, image, factor)) ASSERT_EQ(p.b | p.g | p.r, 0);
}

// Every pair of byte values, in every lane of the vectors, for the dialog's
// factors and the limits of each path: through the dispatch, and through
// each vector kernel on its own (with AVX2 the dispatch leaves the SSE2
// kernel no more than one block).
TEST(ComputeGap, FastPathMatchesReferenceOnEveryBytePair) {
  struct Kernel {
    const char* name;
    int64_t bytes;  // to a run
    void (*run)(const uint8_t*, const uint8_t*, uint8_t*, int64_t, int32_t);
  };
  std::vector<Kernel> kernels = {{"SSE2", 16, GapBlocksSse2}};
  if (CpuHasAvx2()) kernels.push_back({"AVX2", 32, GapRunsAvx2});
  const int64_t count = (65536 + 2) / 3;
  std::vector<Pixel24> a(size_t(count) + 1), b(a.size());
  auto* pa = reinterpret_cast<uint8_t*>(a.data());
  auto* pb = reinterpret_cast<uint8_t*>(b.data());
  for (int32_t i = 0; i < 65536; ++i) {
    pa[i] = uint8_t(i >> 8);
    pb[i] = uint8_t(i);
  }
  std::vector<Pixel24> fast(a.size()), slow(a.size());
  for (int32_t factor : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, -1, -10, 127, 128, -128, 129, -129, 255,
                         256, 1000, INT32_MAX, INT32_MIN}) {
    ComputeGap(a.data(), b.data(), fast.data(), count, factor);
    ComputeGapReference(a.data(), b.data(), slow.data(), count, factor);
    ASSERT_TRUE(SameBytes(fast, slow)) << "factor " << factor;
    if (factor < -128 || factor > 128) continue;
    for (const Kernel& kernel : kernels) {
      std::vector<uint8_t> out(65536 + 1, 0xEE);
      kernel.run(pa, pb, out.data(), 65536 / kernel.bytes, factor);
      ASSERT_EQ(0, std::memcmp(out.data(), slow.data(), 65536)) << kernel.name << ", factor " << factor;
      ASSERT_EQ(out[65536], 0xEE) << kernel.name << " wrote past its runs";
    }
  }
}

TEST(ComputeGap, EveryTailLengthAndInPlace) {
  for (int64_t count = 0; count <= 40; ++count) {
    std::vector<Pixel24> a = testing::RandomPixels(count, uint32_t(count) + 1);
    std::vector<Pixel24> b = testing::RandomPixels(count, uint32_t(count) + 100);
    std::vector<Pixel24> slow(a.size());
    ComputeGapReference(a.data(), b.data(), slow.data(), count, 3);
    std::vector<Pixel24> intoFirst = a, intoSecond = b;
    ComputeGap(intoFirst.data(), b.data(), intoFirst.data(), count, 3);
    ComputeGap(a.data(), intoSecond.data(), intoSecond.data(), count, 3);
    ASSERT_TRUE(SameBytes(intoFirst, slow)) << count;
    ASSERT_TRUE(SameBytes(intoSecond, slow)) << count;
  }
}

TEST(ComputeGap, AwkwardSizesAndOddOffsets) {
  for (auto [w, h] : testing::AwkwardSizes()) {
    const int64_t count = int64_t(w) * h;
    const std::vector<Pixel24> a = testing::RandomPixels(count + 1, uint32_t(w * 31 + h));
    const std::vector<Pixel24> b = testing::RandomPixels(count + 1, uint32_t(w * 17 + h + 7));
    std::vector<Pixel24> fast(size_t(count) + 1), slow(size_t(count) + 1);
    // From the second pixel: loads at addresses that are not multiples of 16.
    ComputeGap(a.data() + 1, b.data() + 1, fast.data() + 1, count, 4);
    ComputeGapReference(a.data() + 1, b.data() + 1, slow.data() + 1, count, 4);
    ASSERT_TRUE(SameBytes(fast, slow)) << w << " x " << h;
  }
}

// --- the dialog ------------------------------------------------------------------

// The host's side of ActionCode 3: it takes its own reference to the
// delivered image during the call, as the contract asks.
struct Delivery {
  int calls = 0;
  TPtsImg image;
  bool dialogShowingDuringCall = false;
};
Delivery& Delivered() {
  static Delivery delivery;
  return delivery;
}

void MOLVANE_STDCALL HostTakingItsReference(int32_t userValue, int32_t width, int32_t height,
                                            int32_t reserved1, int32_t reserved2, int32_t actionCode,
                                            intptr_t actionData, int32_t applied, int32_t finished) {
  testing::RecordHostCall(userValue, width, height, reserved1, reserved2, actionCode, actionData,
                          applied, finished);
  if (actionCode != MOLVANE_ACTION_NEW_IMAGE) return;
  ++Delivered().calls;
  Delivered().image = TPtsImg::Share(reinterpret_cast<Pixel24*>(actionData));
  Delivered().dialogShowingDuringCall = TheDialog<TComparer>().Showing();
}

bool ShownNow(const ui::Form& form) {
  const auto& shown = ui::headless::TheState().shownForms;
  return std::find(shown.begin(), shown.end(), &form) != shown.end();
}

class ComparisonDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    DialogModule<TComparer>::Initialize();
    HostCalls().clear();
    Delivered() = Delivery{};
    RegisterHostCallback(HostTakingItsReference, 0x0C04);
  }
  void TearDown() override {
    if (TheDialog<TComparer>().Showing()) TheDialog<TComparer>().Close();
    RegisterHostCallback(nullptr, 0);
    Delivered() = Delivery{};
    DialogModule<TComparer>::Finalize();
  }
  // XchgData for tool 1, as the host calls it.
  static void Exchange(int32_t phase, const TPtsImg& image, int32_t w, int32_t h,
                       const char* name = "image") {
    XchgData(MOLVANE_TOOL_COMPARISON, 0, 0, 0, 0, w, h, phase, 0, image.Handle(), nullptr, name, 0);
  }
  // The null delivery: ActionCode 3, no image, applied and finished.
  static void ExpectNullDelivery(int32_t w, int32_t h) {
    ASSERT_FALSE(HostCalls().empty());
    const testing::HostCall& call = HostCalls().back();
    EXPECT_EQ(call.width, w);
    EXPECT_EQ(call.height, h);
    EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NEW_IMAGE);
    EXPECT_EQ(call.actionData, 0);
    EXPECT_EQ(call.applied & 0xFF, 1);
    EXPECT_EQ(call.finished, 1);
    EXPECT_TRUE(Delivered().image.Empty());
  }
};

TEST_F(ComparisonDialog, CaptionsRolesAndFactorRange) {
  TComparer& d = TheDialog<TComparer>();
  EXPECT_EQ(d.Caption(), "Comparaison d'images");
  EXPECT_EQ(d.ClientWidth(), 242);
  EXPECT_EQ(d.ClientHeight(), 177);
  EXPECT_TRUE(d.StayOnTop());
  EXPECT_EQ(d.Image1.Caption(), " Image N\xB0 1 ");
  EXPECT_EQ(d.Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(d.Label1.Caption(), "Coefficient multiplicateur : ");
  EXPECT_EQ(d.CreerImg.Caption(), "Cr\xE9" "er une image d'\xE9" "cart");
  EXPECT_EQ(d.Un.Caption(), "1");
  EXPECT_EQ(d.Dix.Caption(), "10");
  EXPECT_TRUE(d.CreerImg.IsDefault());
  EXPECT_TRUE(d.Annuler.IsCancel());
  EXPECT_EQ(d.CreerImg.Glyph().Width(), 16);
  EXPECT_EQ(d.KMult.Min(), 1);
  EXPECT_EQ(d.KMult.Max(), 10);
  EXPECT_EQ(d.KMult.Frequency(), 1);
}

// What the host sees at phase 0: the labels of image 1 are written before
// the request for a second image, and XchgData returns with the dialog on
// screen and on top, waiting.
TEST_F(ComparisonDialog, OpenWritesImageOneAsksForASecondAndStaysOpen) {
  TPtsImg first = MakeImage(testing::RandomPixels(640 * 480, 1));
  Exchange(0, first, 640, 480, "chelsea.bmp");

  TComparer& d = TheDialog<TComparer>();
  EXPECT_EQ(d.Image1.Caption(), " Image N\xB0 1  : \"chelsea.bmp\" ");
  EXPECT_EQ(d.Taille1.Caption(), "L = 640 x H = 480 pixels\xB2");
  EXPECT_EQ(d.Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(d.Taille2.Caption(), "Cliquez sur une image");
  EXPECT_EQ(d.KMult.Position(), 1);
  ASSERT_EQ(HostCalls().size(), 1u);
  const testing::HostCall& call = HostCalls()[0];
  EXPECT_EQ(call.userValue, 0x0C04);
  EXPECT_EQ(call.width, 640);
  EXPECT_EQ(call.height, 480);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, MOLVANE_DATA_ASK_SECOND_IMAGE);
  EXPECT_EQ(call.applied, 0);
  EXPECT_EQ(call.finished, 0);
  EXPECT_TRUE(d.Showing());
  EXPECT_FALSE(d.Modal());
  EXPECT_TRUE(ShownNow(d));
  EXPECT_TRUE(d.StayOnTop());
  EXPECT_EQ(first.RefCount(), 2) << "the dialog keeps the first image";
}

// What a host sees of the dialog during the request of Open.
std::string captionDuringCall;
bool showingDuringCall = true;
void MOLVANE_STDCALL HostLookingAtTheDialog(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            intptr_t, int32_t, int32_t) {
  captionDuringCall = TheDialog<TComparer>().Image1.Caption();
  showingDuringCall = TheDialog<TComparer>().Showing();
}

// The request comes after the labels and before the dialog shows.
TEST_F(ComparisonDialog, TheRequestFollowsTheLabelsAndPrecedesTheShowing) {
  RegisterHostCallback(HostLookingAtTheDialog, 1);
  TPtsImg first(6);
  Exchange(0, first, 3, 2, "a");
  EXPECT_EQ(captionDuringCall, " Image N\xB0 1  : \"a\" ");
  EXPECT_FALSE(showingDuringCall);
  EXPECT_TRUE(TheDialog<TComparer>().Showing());
}

// The whole road: first image, second image of the same size, factor 1,
// "Créer une image d'écart". The host receives the gap, the dialog closes,
// and the plug-in holds no reference to any of the three images.
TEST_F(ComparisonDialog, SameSizesDeliverTheGapAndReleaseEverything) {
  const int32_t w = 37, h = 5;
  const std::vector<Pixel24> a = testing::RandomPixels(w * h, 11), b = testing::RandomPixels(w * h, 12);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Exchange(0, first, w, h, "un.bmp");
  Exchange(1, second, w, h, "deux.bmp");
  TComparer& d = TheDialog<TComparer>();
  EXPECT_EQ(d.Image2.Caption(), " Image N\xB0 2 : \"deux.bmp\" ");
  EXPECT_EQ(d.Taille2.Caption(), "L = 37 x H = 5 pixels\xB2");
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_TRUE(ui::headless::TheState().boxes.empty());
  EXPECT_EQ(second.RefCount(), 2) << "the dialog keeps the second image";

  d.CreerImg.Click();
  ASSERT_EQ(HostCalls().size(), 2u);
  const testing::HostCall& call = HostCalls()[1];
  EXPECT_EQ(call.userValue, 0x0C04);
  EXPECT_EQ(call.width, w);
  EXPECT_EQ(call.height, h);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NEW_IMAGE);
  EXPECT_NE(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, 1);
  EXPECT_EQ(call.finished, 1);
  EXPECT_TRUE(Delivered().dialogShowingDuringCall) << "the dialog closes after the callback";
  ASSERT_EQ(Delivered().image.Length(), w * h);
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), Gap(a, b, 1)));
  EXPECT_EQ(Delivered().image.RefCount(), 1) << "the plug-in kept its reference to the gap image";
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
  EXPECT_FALSE(d.Showing());
  EXPECT_TRUE(SameBytes(PixelsOf(first), a)) << "the host's images are never written";
  EXPECT_TRUE(SameBytes(PixelsOf(second), b));
}

TEST_F(ComparisonDialog, TwoIdenticalImagesGiveAnAllBlackGap) {
  const std::vector<Pixel24> a = testing::RandomPixels(12, 3);
  TPtsImg first = MakeImage(a), second = MakeImage(a);
  Exchange(0, first, 4, 3);
  Exchange(1, second, 4, 3);
  TheDialog<TComparer>().CreerImg.Click();
  ASSERT_EQ(Delivered().image.Length(), 12);
  for (const Pixel24& p : PixelsOf(Delivered().image)) EXPECT_EQ(p.b | p.g | p.r, 0);
}

// The slider's moves change nothing until the mouse button is released over it.
TEST_F(ComparisonDialog, TheFactorIsTakenOnlyOnMouseUp) {
  const std::vector<Pixel24> a = {{10, 200, 30}}, b = {{20, 100, 30}};
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Exchange(0, first, 1, 1);
  Exchange(1, second, 1, 1);
  TheDialog<TComparer>().KMult.SetPosition(2);  // keys, or a drag not yet ended
  TheDialog<TComparer>().CreerImg.Click();
  ASSERT_EQ(Delivered().calls, 1);
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), {{10, 100, 0}})) << "factor 1";

  Delivered() = Delivery{};
  Exchange(0, first, 1, 1);
  Exchange(1, second, 1, 1);
  TheDialog<TComparer>().KMult.SetPosition(2);
  TheDialog<TComparer>().KMult.MouseUp();
  TheDialog<TComparer>().CreerImg.Click();
  ASSERT_EQ(Delivered().calls, 1);
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), {{20, 200, 0}})) << "factor 2";
}

TEST_F(ComparisonDialog, FactorTenSaturatesLargeGaps) {
  TPtsImg first = MakeImage({{0, 30, 25}, {255, 0, 9}}), second = MakeImage({{0, 0, 0}, {0, 0, 10}});
  Exchange(0, first, 2, 1);
  Exchange(1, second, 2, 1);
  TheDialog<TComparer>().KMult.SetPosition(10);
  TheDialog<TComparer>().KMult.MouseUp();
  TheDialog<TComparer>().CreerImg.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), {{0, 255, 250}, {255, 0, 10}}));
}

// 100 x 50 against 50 x 100: the warning over a dialog that is not on top
// while it shows, on top again after; no gap is computed and the button
// then hands the host a null image.
TEST_F(ComparisonDialog, SizeMismatchWarnsAndDeliversNull) {
  TPtsImg first = MakeImage(testing::RandomPixels(5000, 1)), second = MakeImage(testing::RandomPixels(5000, 2));
  Exchange(0, first, 100, 50);
  bool onTopDuringBox = true;
  bool showingDuringBox = false;
  ui::headless::TheState().onBox = [&](const ui::headless::ShownBox&) {
    onTopDuringBox = TheDialog<TComparer>().StayOnTop();
    showingDuringBox = TheDialog<TComparer>().Showing();
  };
  Exchange(1, second, 50, 100, "autre");
  const auto& boxes = ui::headless::TheState().boxes;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "La comparaison ne peut se faire que sur deux images de m\xEAmes dimensions");
  EXPECT_EQ(boxes[0].caption, "Avertissement");
  EXPECT_EQ(boxes[0].icon, ui::BoxIcon::Warning);
  EXPECT_FALSE(boxes[0].ownerWasOnTop);
  EXPECT_FALSE(onTopDuringBox);
  EXPECT_TRUE(showingDuringBox);
  EXPECT_TRUE(TheDialog<TComparer>().StayOnTop()) << "on top again after the box";
  EXPECT_TRUE(TheDialog<TComparer>().Showing()) << "the dialog stays open for another second image";
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(TheDialog<TComparer>().Image2.Caption(), " Image N\xB0 2 : \"autre\" ");
  EXPECT_EQ(TheDialog<TComparer>().Taille2.Caption(), "L = 50 x H = 100 pixels\xB2");

  TheDialog<TComparer>().CreerImg.Click();
  ExpectNullDelivery(100, 50);
  EXPECT_FALSE(TheDialog<TComparer>().Showing());
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
}

// After a mismatch the user may click another image: the new one replaces
// the old (whose reference goes) and, of the right size, is compared.
TEST_F(ComparisonDialog, ASecondImageAfterAMismatchReplacesTheFirstTry) {
  const std::vector<Pixel24> a = testing::RandomPixels(6, 1), b = testing::RandomPixels(6, 2);
  TPtsImg first = MakeImage(a), wrong = MakeImage(testing::RandomPixels(6, 3)), right = MakeImage(b);
  Exchange(0, first, 3, 2);
  Exchange(1, wrong, 2, 3);
  EXPECT_EQ(ui::headless::TheState().boxes.size(), 1u);
  Exchange(1, right, 3, 2);
  EXPECT_EQ(wrong.RefCount(), 1);
  EXPECT_EQ(ApplyFlag(), 1);
  EXPECT_EQ(ui::headless::TheState().boxes.size(), 1u) << "no warning for the right size";
  TheDialog<TComparer>().CreerImg.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), Gap(a, b, 1)));
}

TEST_F(ComparisonDialog, NoSecondImageDeliversNull) {
  TPtsImg first = MakeImage(testing::RandomPixels(4, 1));
  Exchange(0, first, 2, 2);
  TheDialog<TComparer>().CreerImg.Click();
  ExpectNullDelivery(2, 2);
  EXPECT_EQ(HostCalls().size(), 2u);
  EXPECT_FALSE(TheDialog<TComparer>().Showing());
  EXPECT_EQ(first.RefCount(), 1);
}

// Any XchgData call clears the flag; another tool may even set it again (the
// noise reduction does). Neither may let the button read a second image of
// another size, or none at all.
TEST_F(ComparisonDialog, ACallForAnotherToolInBetweenPreventsTheGap) {
  TPtsImg first = MakeImage(testing::RandomPixels(9, 1)), second = MakeImage(testing::RandomPixels(9, 2));
  TPtsImg other = MakeImage(testing::RandomPixels(9, 3));
  Exchange(0, first, 3, 3);
  Exchange(1, second, 3, 3);
  XchgData(9, 0, 0, 0, 0, 3, 3, 0, 0, other.Handle(), nullptr, "x", 0);  // out of range: clears only
  EXPECT_EQ(ApplyFlag(), 0);
  TheDialog<TComparer>().CreerImg.Click();
  ExpectNullDelivery(3, 3);

  // Noise reduction sets the flag to 1 while the comparison waits for image 2.
  HostCalls().clear();
  Delivered() = Delivery{};
  TPtsImg big = MakeImage(testing::RandomPixels(400, 4));
  Exchange(0, big, 20, 20);
  XchgData(MOLVANE_TOOL_NOISE_REDUCTION, 0, 0, 0, 0, 3, 3, 0, 0, other.Handle(), nullptr, "x", 0);
  ASSERT_EQ(ApplyFlag(), 1);
  TheDialog<TComparer>().CreerImg.Click();
  ExpectNullDelivery(20, 20);
}

// Buffers a host should never send: the button delivers null instead of
// reading past a buffer or trusting a size that is no image.
// A second image whose array does not hold its size is refused as one of
// another size would be: the warning, the flag cleared, a null delivery.
TEST_F(ComparisonDialog, SecondBuffersThatDoNotHoldTheStatedSizeAreRefused) {
  const struct {
    const char* what;
    int32_t firstLength, secondLength, w, h;
  } cases[] = {
      {"second buffer one pixel short", 16, 15, 4, 4},
      {"no second buffer", 16, 0, 4, 4},
      {"zero width", 4, 4, 0, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HostCalls().clear();
    Delivered() = Delivery{};
    ui::headless::TheState().boxes.clear();
    TPtsImg first(c.firstLength), second(c.secondLength);
    Exchange(0, first, c.w, c.h);
    Exchange(1, second, c.w, c.h);
    EXPECT_EQ(ApplyFlag(), 0);
    EXPECT_EQ(ui::headless::TheState().boxes.size(), 1u) << "the size warning";
    TheDialog<TComparer>().CreerImg.Click();
    ExpectNullDelivery(c.w, c.h);
    EXPECT_FALSE(TheDialog<TComparer>().Showing());
    EXPECT_EQ(first.RefCount(), first.Empty() ? 0 : 1);
    EXPECT_EQ(second.RefCount(), second.Empty() ? 0 : 1);
  }
}

// Longer buffers than the size are fine: the gap covers W x H pixels.
TEST_F(ComparisonDialog, LongerBuffersGiveAGapOfTheStatedSize) {
  const std::vector<Pixel24> a = testing::RandomPixels(10, 1), b = testing::RandomPixels(12, 2);
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Exchange(0, first, 3, 3);
  Exchange(1, second, 3, 3);
  TheDialog<TComparer>().CreerImg.Click();
  ASSERT_EQ(Delivered().image.Length(), 9);
  std::vector<Pixel24> expected(9);
  ComputeGapReference(a.data(), b.data(), expected.data(), 9, 1);
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), expected));
}

// A gap image the shared allocator cannot provide: null, and no error box.
int32_t failedAllocations = 0;
bool refuseAllocations = false;
void* MOLVANE_REGISTER_CALL RefuseWhenAsked(int32_t size) {
  if (refuseAllocations) {
    ++failedAllocations;
    return nullptr;
  }
  return std::malloc(size_t(size));
}
int32_t MOLVANE_REGISTER_CALL FreeBlock(void* block) {
  std::free(block);
  return 0;
}
void* MOLVANE_REGISTER_CALL ReallocateBlock(void* block, int32_t size) {
  return std::realloc(block, size_t(size));
}

TEST_F(ComparisonDialog, AnAllocationFailureDeliversNull) {
  const AllocatorTable saved = ModuleAllocator();
  ModuleAllocator() = AllocatorTable{RefuseWhenAsked, FreeBlock, ReallocateBlock};
  failedAllocations = 0;
  {
    TPtsImg first(300), second(300);
    Exchange(0, first, 20, 15);
    refuseAllocations = true;
    Exchange(1, second, 20, 15);
    TheDialog<TComparer>().CreerImg.Click();
    refuseAllocations = false;
    ExpectNullDelivery(20, 15);
    EXPECT_EQ(failedAllocations, 2) << "the gap image's block as the second image came, then at the click";
    EXPECT_TRUE(ui::headless::TheState().boxes.empty());
    EXPECT_FALSE(TheDialog<TComparer>().Showing());
    EXPECT_EQ(first.RefCount(), 1);
  }
  ModuleAllocator() = saved;
}

// One pass, one allocation: the gap image, taken as the second image comes;
// it is freed once the host lets go.
TEST_F(ComparisonDialog, TheGapImageIsTheOnlyAllocation) {
  testing::CountingAllocatorScope counting;
  {
    TPtsImg first(64), second(64);
    Exchange(0, first, 8, 8);
    const int before = testing::Counts().allocations;
    Exchange(1, second, 8, 8);
    TheDialog<TComparer>().CreerImg.Click();
    EXPECT_EQ(testing::Counts().allocations, before + 1);
    EXPECT_EQ(testing::Counts().Live(), 3) << "the two images and the host's gap image";
    Delivered().image.Reset();
    EXPECT_EQ(testing::Counts().Live(), 2);
  }
  EXPECT_EQ(testing::Counts().Live(), 0);
}

// "Annuler" closes without a callback and keeps both references until the
// next Open, which drops them and shows the dialog as new: second box
// waiting, factor 1.
TEST_F(ComparisonDialog, AnnulerKeepsTheReferencesUntilTheNextOpenWhichResets) {
  const std::vector<Pixel24> a = {{10, 200, 30}}, b = {{20, 100, 30}};
  TPtsImg first = MakeImage(a), second = MakeImage(b);
  Exchange(0, first, 1, 1, "a");
  Exchange(1, second, 1, 1, "b");
  TheDialog<TComparer>().KMult.SetPosition(5);
  TheDialog<TComparer>().KMult.MouseUp();
  TheDialog<TComparer>().Annuler.Click();
  EXPECT_EQ(HostCalls().size(), 1u) << "only the request of Open";
  EXPECT_FALSE(TheDialog<TComparer>().Showing());
  EXPECT_EQ(ApplyFlag(), 0);
  EXPECT_EQ(first.RefCount(), 2);
  EXPECT_EQ(second.RefCount(), 2);
  // Images the user clicks after the run ended belong to no run: no box, no reference.
  TPtsImg stray = MakeImage({{1, 2, 3}, {4, 5, 6}});
  Exchange(1, stray, 2, 1, "stray");
  EXPECT_TRUE(ui::headless::TheState().boxes.empty());
  EXPECT_EQ(stray.RefCount(), 1);

  TPtsImg next = MakeImage(a);
  Exchange(0, next, 1, 1, "c");
  TComparer& d = TheDialog<TComparer>();
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
  EXPECT_EQ(next.RefCount(), 2);
  EXPECT_EQ(d.Image1.Caption(), " Image N\xB0 1  : \"c\" ");
  EXPECT_EQ(d.Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(d.Taille2.Caption(), "Cliquez sur une image");
  EXPECT_EQ(d.KMult.Position(), 1);
  Exchange(1, second, 1, 1, "b");
  d.CreerImg.Click();
  EXPECT_TRUE(SameBytes(PixelsOf(Delivered().image), {{10, 100, 0}})) << "factor 1 again";
}

// The host asks for the tool again while its dialog is still up: the new
// first image is the one compared, and the dialog waits for its second.
TEST_F(ComparisonDialog, OpenWhileShowingWaitsForANewSecondImage) {
  TPtsImg first(4), second(4), again(4);
  Exchange(0, first, 2, 2);
  Exchange(1, second, 2, 2, "b");
  TheDialog<TComparer>().KMult.SetPosition(3);
  TheDialog<TComparer>().KMult.MouseUp();
  Exchange(0, again, 2, 2);
  TComparer& d = TheDialog<TComparer>();
  EXPECT_TRUE(d.Showing());
  EXPECT_EQ(HostCalls().size(), 2u) << "each Open asks for a second image";
  EXPECT_EQ(d.Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(d.Taille2.Caption(), "Cliquez sur une image");
  EXPECT_EQ(d.KMult.Position(), 1);
  EXPECT_EQ(first.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
  d.CreerImg.Click();
  ExpectNullDelivery(2, 2);
}

TEST_F(ComparisonDialog, EnterCreatesAndEscapeCancels) {
  TPtsImg first(4), second(4);
  Exchange(0, first, 2, 2);
  Exchange(1, second, 2, 2);
  TheDialog<TComparer>().PressEscape();
  EXPECT_FALSE(TheDialog<TComparer>().Showing());
  EXPECT_EQ(Delivered().calls, 0);
  Exchange(0, first, 2, 2);
  Exchange(1, second, 2, 2);
  TheDialog<TComparer>().PressEnter();
  EXPECT_FALSE(TheDialog<TComparer>().Showing());
  EXPECT_EQ(Delivered().calls, 1);
  EXPECT_EQ(Delivered().image.Length(), 4);
}

TEST_F(ComparisonDialog, PhasesOtherThanZeroAndOneDoNothing) {
  TPtsImg first(4), second(4);
  Exchange(0, first, 2, 2);
  for (int32_t phase : {2, -1, 7}) Exchange(phase, second, 1, 1, "x");
  EXPECT_EQ(HostCalls().size(), 1u);
  EXPECT_TRUE(ui::headless::TheState().boxes.empty());
  EXPECT_EQ(TheDialog<TComparer>().Image2.Caption(), " Image N\xB0 2 ");
  EXPECT_EQ(second.RefCount(), 1);
}

TEST_F(ComparisonDialog, ANullImageNameShowsEmptyQuotes) {
  TPtsImg first(4), second(4);
  Exchange(0, first, 2, 2, nullptr);
  Exchange(1, second, 2, 2, nullptr);
  EXPECT_EQ(TheDialog<TComparer>().Image1.Caption(), " Image N\xB0 1  : \"\" ");
  EXPECT_EQ(TheDialog<TComparer>().Image2.Caption(), " Image N\xB0 2 : \"\" ");
}

}  // namespace
}  // namespace molvane
