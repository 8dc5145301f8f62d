// The golden table computed by the real DLL: each case's image handed over
// by XchgData, the tool's dialog driven with the case's settings as a user
// would, the bytes that come back checksummed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "golden_cases.h"
#include "host/dialog_driver.h"
#include "host/dialog_runs.h"
#include "host_precision.h"
#include "host_test_support.h"
#include "tools/background_dialog.h"
#include "tools/matrix_filter.h"

namespace molvane::hosttest {
namespace {

host::DialogChoices ChoicesOf(const golden::Case& c) {
  const golden::Settings& s = c.settings;
  host::DialogChoices choices;
  switch (c.tool) {
    case 1:
      choices.factor = s.factor;
      break;
    case 3:
      choices.filter = BuiltInFilter(s.filter).Name();
      break;
    case 6:
      choices.threshold = s.threshold;
      choices.keep = s.keepBelow ? "below" : "above";
      break;
    case 7:
      choices.mode = s.transparency ? "transparence" : "max";
      if (s.transparency) {
        choices.rate = s.rate;
        choices.prevalent = s.prevalent;
        choices.hasBand = true;
        choices.bandLow = s.low;
        choices.bandHigh = s.high;
      }
      break;
    case 8:
      choices.direction = s.horizontal ? "horizontal" : "vertical";
      choices.hasN1 = choices.hasN2 = choices.hasM1 = choices.hasM2 = true;
      choices.n1 = s.n1;
      choices.n2 = s.n2;
      choices.m1 = s.m1;
      choices.m2 = s.m2;
      break;
    default:
      break;
  }
  return choices;
}

TEST(GoldenThroughTheDll, EveryCaseGivesItsChecksum) {
  for (const golden::Case& c : golden::Cases()) {
    SCOPED_TRACE(c.name);
    TPtsImg first = MakeImage(golden::MakeImage(c.pattern, c.width, c.height, c.seed));
    TPtsImg second = MakeImage(golden::MakeImage(golden::Pattern::Noise, c.width, c.height, c.seed + 1));
    const bool twoImages = c.tool == MOLVANE_TOOL_COMPARISON || c.tool == MOLVANE_TOOL_MERGE;
    host::CallbackRecorder& recorder = FreshRecorder(0x601D);
    TPtsImg delivered;
    recorder.DuringCall([&delivered](const host::CallbackCall& call) {
      if (call.actionCode == MOLVANE_ACTION_NEW_IMAGE && call.actionData != 0)
        delivered = TPtsImg::Share(reinterpret_cast<Pixel24*>(call.actionData));
    });
    auto run = [&] {
      RunTool(c.tool, 0, first, c.width, c.height, TPtsImg(), "premier.bmp");
      if (twoImages) RunTool(c.tool, MOLVANE_PHASE_CONTINUE, second, c.width, c.height, TPtsImg(), "second.bmp");
    };
    {
      // As many hosts do; the plug-in's threads start with Windows' 53 bits too.
      testing::HostPrecision53 host;
      if (host::HasDrivenDialog(c.tool)) {
        const host::DialogReport report = host::DriveDialog(c.tool, ChoicesOf(c), run);
        for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
      } else {
        run();
      }
      EXPECT_EQ(testing::HostPrecision53::Current(), testing::HostPrecision53::kWord) << "the host's precision came back changed";
    }
    recorder.DuringCall(nullptr);
    const TPtsImg& result = twoImages ? delivered : first;
    ASSERT_EQ(result.Length(), c.width * c.height) << "no image came back";
    const uint32_t actual = golden::Checksum(result.Data(), result.Length());
    EXPECT_EQ(actual, c.checksum) << golden::Verdict(c, actual);
  }
}

// The fill (tool 4) has no golden case: its noise draws from the library's
// generator. Without noise, its threads give the reference's bytes: a
// background winding between dark blocks, the points picked as a user does.
TEST(GoldenThroughTheDll, ANoiselessFillAboveThePoolSizeGivesTheReferenceBytes) {
  const int32_t w = golden::kThreadedWidth, h = golden::kThreadedHeight;
  std::vector<Pixel24> scene(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      scene[size_t(y) * size_t(w) + size_t(x)] = x % 97 < 30 && y % 89 < 40 ? Pixel24{20, 30, 40}
                                                   : Pixel24{uint8_t(100 + x / 12), uint8_t(110 + y / 9), 120};
  TPtsImg image = MakeImage(scene);
  FreshRecorder(0xF111);
  host::DialogChoices choices;
  choices.f1 = {true, 40, 60};
  choices.f2 = {true, w - 9, h - 2};
  choices.seed = {true, w / 2 + 40, h / 2};  // in the background, clear of the blocks
  bool noiseless = false;
  auto sendPoint = [&](int32_t x, int32_t y) {
    if (!noiseless) {
      const POINT at = PlaceOf(TCorrFond::Layout(), "CurseurBruit");
      HWND dialog = host::FindDialog("Modification du fond");
      noiseless = host::MoveTrackBar(host::ChildAt(dialog, host::kTrackBarClass, at.x, at.y), 0);
      if (!noiseless) return std::string("the noise slider does not go to 0");
    }
    Exports().XchgData(MOLVANE_TOOL_BACKGROUND, 0, 0, x, y, w, h, MOLVANE_PHASE_CONTINUE, 0, nullptr, image.Handle(),
                       "image", 0);
    return std::string();
  };
  {
    testing::HostPrecision53 host;
    const host::DialogReport report = host::DriveDialog(
        MOLVANE_TOOL_BACKGROUND, choices, [&] { RunTool(MOLVANE_TOOL_BACKGROUND, MOLVANE_PHASE_OPEN, image, w, h); },
        true, sendPoint);
    for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
  }
  const FillParams p = NoiselessOpeningFill({choices.seed.x, choices.seed.y}, {choices.f1.x, choices.f1.y},
                                            {choices.f2.x, choices.f2.y});
  std::vector<Pixel24> expected = scene;
  FillRegionReference(scene.data(), expected.data(), w, h, p);
  EXPECT_TRUE(SamePixels(PixelsOf(image), expected, w));
}

}  // namespace
}  // namespace molvane::hosttest
