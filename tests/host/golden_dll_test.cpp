// The golden table computed by the real DLL: each case's image handed over
// by XchgData, the tool's dialog driven with the case's settings as a user
// would, the bytes that come back checksummed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "golden_cases.h"
#include "host/dialog_driver.h"
#include "host/dialog_runs.h"
#include "host_test_support.h"
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
    if (host::HasDrivenDialog(c.tool)) {
      const host::DialogReport report = host::DriveDialog(c.tool, ChoicesOf(c), run);
      for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
    } else {
      run();
    }
    recorder.DuringCall(nullptr);
    const TPtsImg& result = twoImages ? delivered : first;
    ASSERT_EQ(result.Length(), c.width * c.height) << "no image came back";
    const uint32_t actual = golden::Checksum(result.Data(), result.Length());
    EXPECT_EQ(actual, c.checksum) << golden::Verdict(c, actual);
  }
}

}  // namespace
}  // namespace molvane::hosttest
