// XchgData's dispatch and the callback cell, through the real plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dialog_driver.h"
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

// One callback for the 3 x 3 image, user value 7: the run's end, nothing applied.
void ExpectOneUnappliedEnd(const host::CallbackRecorder& recorder, intptr_t actionData) {
  ASSERT_EQ(recorder.Calls().size(), 1u);
  const host::CallbackCall& call = recorder.Calls()[0];
  EXPECT_EQ(call.userValue, 7);
  EXPECT_EQ(call.width, 3);
  EXPECT_EQ(call.height, 3);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, actionData);
  EXPECT_EQ(call.applied & 0xFF, 0);
  EXPECT_EQ(call.finished, 1);
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
      ExpectOneUnappliedEnd(recorder, t.actionData);
    }
  }
}

// An image array shorter than its size, or none: every tool refuses it the
// same way, with no window shown, its pixels untouched and one final callback.
TEST(ToolDispatch, EveryToolRefusesShortAndNullImagesAlike) {
  for (int32_t tool = 1; tool <= 8; ++tool) {
    for (bool null : {false, true}) {
      SCOPED_TRACE("tool " + std::to_string(tool) + (null ? ", no array" : ", 8 of 9 pixels"));
      host::CallbackRecorder& recorder = FreshRecorder(7);
      std::vector<Pixel24> eight = Sample();
      eight.pop_back();
      TPtsImg image = null ? TPtsImg() : MakeImage(eight);
      bool windowDuringCall = false;
      recorder.DuringCall([&](const host::CallbackCall&) { windowDuringCall = !host::ThreadWindows().empty(); });
      {
        WindowCloser closer;
        RunTool(tool, 0, image, 3, 3);
        EXPECT_TRUE(host::ThreadWindows().empty()) << "a window opened";
      }
      recorder.DuringCall(nullptr);
      EXPECT_FALSE(windowDuringCall);
      if (!null) {
        EXPECT_EQ(PixelsOf(image), eight);
      }
      ExpectOneUnappliedEnd(recorder, 0);
    }
  }
}

// The click a host forwards to the background tool: the 5 x 5 pixels around
// it in Pixels, the image in Pixels2. Sent to a tool that opens on every
// call, the sample is an image too short for its size: refused like any
// other, with no window and neither array written. (The two-image tools
// warn about it as about any short second image; the vignetting takes its
// image from Pixels2 alone.)
TEST(ToolDispatch, TheBackgroundsSampleSentToAnotherToolIsRefused) {
  for (int32_t tool : {MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_TOOL_MATRIX_FILTER, MOLVANE_TOOL_THRESHOLD,
                       MOLVANE_TOOL_GRADIENT}) {
    SCOPED_TRACE("tool " + std::to_string(tool));
    host::CallbackRecorder& recorder = FreshRecorder(7);
    const std::vector<Pixel24> around = RandomPixels(25, 75), whole = RandomPixels(48, 76);
    TPtsImg sample = MakeImage(around), image = MakeImage(whole);
    {
      WindowCloser closer;
      Exports().XchgData(tool, 0, 0, 5, 3, 8, 6, MOLVANE_PHASE_CONTINUE, 0, sample.Handle(), image.Handle(), "image", 0);
      EXPECT_TRUE(host::ThreadWindows().empty()) << "a window opened";
    }
    EXPECT_EQ(PixelsOf(sample), around);
    EXPECT_EQ(PixelsOf(image), whole);
    ASSERT_EQ(recorder.Calls().size(), 1u);
    EXPECT_EQ(recorder.Calls()[0].actionCode, MOLVANE_ACTION_NONE);
    EXPECT_EQ(recorder.Calls()[0].applied & 0xFF, 0);
    EXPECT_EQ(recorder.Calls()[0].finished, 1);
  }
}

// A host that answers the request for a second image from inside that very
// callback, before the dialog shows: the image is taken, and the run goes
// on as if the user had clicked it once the dialog was up.
TEST(ToolDispatch, ASecondImageSentFromTheOpeningCallbackIsTaken) {
  const struct {
    int32_t tool;
    const char* caption;
    const char* result;
  } tools[] = {{MOLVANE_TOOL_COMPARISON, "Comparaison d'images", "Créer une image d'écart"},
                 {MOLVANE_TOOL_MERGE, "Fusion d'images", "Appliquer"}};
  for (const auto& t : tools) {
    SCOPED_TRACE(t.caption);
    host::CallbackRecorder& recorder = FreshRecorder(7);
    TPtsImg first = MakeImage(RandomPixels(12, 71)), second = MakeImage(RandomPixels(12, 72));
    recorder.DuringCall([&](const host::CallbackCall& call) {
      if (call.actionCode == MOLVANE_ACTION_NONE && call.actionData == MOLVANE_DATA_ASK_SECOND_IMAGE) RunTool(t.tool, MOLVANE_PHASE_CONTINUE, second, 4, 3, TPtsImg(), "vite.bmp");
    });
    RunTool(t.tool, 0, first, 4, 3);
    recorder.DuringCall(nullptr);
    host::PumpMessages();
    HWND dialog = host::FindDialog(t.caption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(host::FindChild(dialog, "Button", " Image N° 2 : \"vite.bmp\" "), nullptr);
    HWND result = host::FindChild(dialog, "Button", t.result);
    EXPECT_TRUE(host::IsEnabled(result));
    host::Click(result);
    host::PumpMessages();
    ASSERT_EQ(recorder.Calls().size(), 2u);
    EXPECT_EQ(recorder.Calls()[1].actionCode, MOLVANE_ACTION_NEW_IMAGE);
    EXPECT_NE(recorder.Calls()[1].actionData, 0) << "no image was delivered";
    EXPECT_EQ(host::FindDialog(t.caption), nullptr);
  }
}

// A second image whose array is short or missing, or one that differs from
// the first in height alone, gets the same warning as one of another size,
// in both two-image tools; no image is then made from it, whatever the user
// presses, so nothing is read past its array.
TEST(ToolDispatch, SecondImagesThatDoNotMatchGetTheSizeWarning) {
  const struct {
    int32_t tool;
    const char* caption;
    const char* result;
  } tools[] = {{MOLVANE_TOOL_COMPARISON, "Comparaison d'images", "Créer une image d'écart"},
               {MOLVANE_TOOL_MERGE, "Fusion d'images", "Appliquer"}};
  const struct {
    const char* what;
    int32_t length, w, h;
  } seconds[] = {{"11 of 12 pixels", 11, 4, 3}, {"no array", 0, 4, 3}, {"4 x 2, another height only", 8, 4, 2}};
  for (const auto& t : tools) {
    for (const auto& second : seconds) {
      SCOPED_TRACE(std::string(t.caption) + ", " + second.what);
      host::CallbackRecorder& recorder = FreshRecorder(7);
      TPtsImg first = MakeImage(RandomPixels(12, 73));
      TPtsImg pixels = second.length ? MakeImage(RandomPixels(second.length, 74)) : TPtsImg();
      RunTool(t.tool, 0, first, 4, 3);
      std::string caption;
      host::DialogScript script;
      script.OnSystemDialog("answer the warning", [&](HWND box) {
        caption = host::TextOf(box);
        host::PressOk(box);
      });
      EXPECT_TRUE(script.Run([&] { RunTool(t.tool, MOLVANE_PHASE_CONTINUE, pixels, second.w, second.h); }))
          << script.FailureText();
      EXPECT_EQ(caption, "Avertissement");
      host::PumpMessages();
      HWND dialog = host::FindDialog(t.caption);
      ASSERT_NE(dialog, nullptr);
      HWND result = host::FindChild(dialog, "Button", t.result);
      host::Click(host::IsEnabled(result) ? result : host::FindChild(dialog, "Button", "Annuler"));
      host::PumpMessages();
      EXPECT_EQ(host::FindDialog(t.caption), nullptr);
      for (const host::CallbackCall& call : recorder.Calls())
        EXPECT_FALSE(call.actionCode == MOLVANE_ACTION_NEW_IMAGE && call.actionData != 0) << "an image was made";
    }
  }
}

TEST(CallbackCell, AFreshlyLoadedLibraryWithoutCallbackRunsSilently) {
  host::CallbackRecorder& recorder = host::CallbackRecorder::Instance();
  recorder.Clear();
  ReloadPlugin();
  ASSERT_TRUE(Plugin().Loaded());
  TPtsImg image = MakeImage(Sample());
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 3, 3);
  EXPECT_TRUE(recorder.Calls().empty()) << "a callback of an earlier load was called";
  // And the library is still usable once the host registers.
  FreshRecorder(9);
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 3, 3);
  EXPECT_EQ(recorder.Calls().size(), 1u);
}

TEST(CallbackCell, NullCallbackIsSkipped) {
  host::CallbackRecorder& recorder = FreshRecorder(7);
  Exports().AdrRetour(nullptr, 0);
  TPtsImg image = MakeImage(Sample());
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 3, 3);
  EXPECT_TRUE(recorder.Calls().empty());
}

TEST(CallbackCell, SecondRegistrationReplacesTheFirst) {
  host::CallbackRecorder& recorder = FreshRecorder(111, 0);
  Exports().AdrRetour(recorder.Callback(1), 222);
  TPtsImg image = MakeImage(Sample());
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 3, 3);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].slot, 1);
  EXPECT_EQ(recorder.Calls()[0].userValue, 222);
}

TEST(CallbackCell, UserValueComesBackUnchanged) {
  for (int32_t value : {0, -1, INT32_MIN, INT32_MAX, 0x12345678}) {
    SCOPED_TRACE("user value " + std::to_string(value));
    host::CallbackRecorder& recorder = FreshRecorder(value);
    TPtsImg image = MakeImage(Sample());
    RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 3, 3);
    ASSERT_EQ(recorder.Calls().size(), 1u);
    EXPECT_EQ(recorder.Calls()[0].userValue, value);
  }
}

}  // namespace
}  // namespace molvane::hosttest
