// XchgData's dispatch and the callback cell, through the real plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

// An image that tool 2 would change (its centre becomes (240, 120, 60)), so
// that running it by mistake shows.
std::vector<Pixel24> Sample() {
  std::vector<Pixel24> pixels(9, Pixel24{150, 150, 150});
  pixels[4] = Pixel24{50, 100, 200};
  return pixels;
}

TEST(ToolDispatch, ToolNumbersOutOfRangeDoNothing) {
  // Compared unsigned: negative numbers are out of range too.
  for (int32_t tool : {0, 9, 10, -1, -2, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE("tool " + std::to_string(tool));
    host::CallbackRecorder& recorder = FreshRecorder(7);
    TPtsImg image = MakeImage(Sample());
    TPtsImg second = MakeImage(Sample());
    RunTool(tool, 0, image, 3, 3, second);
    EXPECT_TRUE(recorder.Calls().empty());
    EXPECT_EQ(PixelsOf(image), Sample());
    EXPECT_EQ(PixelsOf(second), Sample());
  }
}

TEST(ToolDispatch, ComparisonIgnoresPhasesOtherThanZeroAndOne) {
  WindowCloser closer;
  for (int32_t phase : {2, 3, -1}) {
    SCOPED_TRACE("phase " + std::to_string(phase));
    host::CallbackRecorder& recorder = FreshRecorder(7);
    TPtsImg image = MakeImage(Sample());
    RunTool(1, phase, image, 3, 3);
    EXPECT_TRUE(recorder.Calls().empty());
    EXPECT_EQ(PixelsOf(image), Sample());
  }
}

// Matrix filters (3), threshold (6) and gradient compensation (8) open modal
// dialogs in every phase. Cancelled, they leave the host's pixels and report
// once, not applied; the matrix filter's ActionData 3 says the host's buffer
// does not hold a filter result.
TEST(ToolDispatch, CancelledModalToolsReportOnceUnapplied) {
  const struct {
    int32_t tool;
    intptr_t actionData;
  } tools[] = {{3, 3}, {6, 0}, {8, 0}};
  for (const auto& t : tools) {
    for (int32_t phase : {0, 1}) {
      SCOPED_TRACE("tool " + std::to_string(t.tool) + " phase " + std::to_string(phase));
      host::CallbackRecorder& recorder = FreshRecorder(7);
      TPtsImg image = MakeImage(Sample());
      const int before = WindowCloser::Cancelled();
      {
        WindowCloser closer;
        RunTool(t.tool, phase, image, 3, 3);
      }
      EXPECT_EQ(WindowCloser::Cancelled(), before + 1) << "no dialog with \"Annuler\" was shown";
      EXPECT_EQ(PixelsOf(image), Sample());
      ASSERT_EQ(recorder.Calls().size(), 1u);
      const host::CallbackCall& call = recorder.Calls()[0];
      EXPECT_EQ(call.userValue, 7);
      EXPECT_EQ(call.width, 3);
      EXPECT_EQ(call.height, 3);
      EXPECT_EQ(call.actionCode, 0);
      EXPECT_EQ(call.actionData, t.actionData);
      EXPECT_EQ(call.applied & 0xFF, 0);
      EXPECT_EQ(call.finished, 1);
    }
  }
}

TEST(CallbackCell, AFreshlyLoadedLibraryWithoutCallbackRunsSilently) {
  host::CallbackRecorder& recorder = host::CallbackRecorder::Instance();
  recorder.Clear();
  ReloadPlugin();
  ASSERT_TRUE(Plugin().Loaded());
  TPtsImg image = MakeImage(Sample());
  RunTool(2, 0, image, 3, 3);
  EXPECT_TRUE(recorder.Calls().empty()) << "a callback of an earlier load was called";
  // And the library is still usable once the host registers.
  FreshRecorder(9);
  RunTool(2, 0, image, 3, 3);
  EXPECT_EQ(recorder.Calls().size(), 1u);
}

TEST(CallbackCell, NullCallbackIsSkipped) {
  host::CallbackRecorder& recorder = FreshRecorder(7);
  Exports().AdrRetour(nullptr, 0);
  TPtsImg image = MakeImage(Sample());
  RunTool(2, 0, image, 3, 3);
  EXPECT_TRUE(recorder.Calls().empty());
}

TEST(CallbackCell, SecondRegistrationReplacesTheFirst) {
  host::CallbackRecorder& recorder = FreshRecorder(111, 0);
  Exports().AdrRetour(recorder.Callback(1), 222);
  TPtsImg image = MakeImage(Sample());
  RunTool(2, 0, image, 3, 3);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].slot, 1);
  EXPECT_EQ(recorder.Calls()[0].userValue, 222);
}

TEST(CallbackCell, UserValueComesBackUnchanged) {
  for (int32_t value : {0, -1, INT32_MIN, INT32_MAX, 0x12345678}) {
    SCOPED_TRACE("user value " + std::to_string(value));
    host::CallbackRecorder& recorder = FreshRecorder(value);
    TPtsImg image = MakeImage(Sample());
    RunTool(2, 0, image, 3, 3);
    ASSERT_EQ(recorder.Calls().size(), 1u);
    EXPECT_EQ(recorder.Calls()[0].userValue, value);
  }
}

}  // namespace
}  // namespace molvane::hosttest
