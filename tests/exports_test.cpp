// The exports as a host calls them: menu, dispatch, references, callback cell.
#include "boundary/exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "boundary/host_protocol.h"
#include "boundary/pixel_array.h"
#include "counting_allocator.h"
#include "host_callback_recorder.h"
#include "loaded_library.h"
#include "platform/fake/fake_platform.h"
#include "ui/controls.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::RecordHostCall;

class Exports : public testing::LoadedLibrary {
 protected:
  static void Run(int32_t tool, int32_t phase, TPtsImg& image, int32_t w, int32_t h,
                  Pixel24* second = nullptr) {
    XchgData(tool, 11, 12, 0, 0, w, h, phase, 13, image.Handle(), second, "image", 14);
  }
};

TEST_F(Exports, AddMenuGivesTheCountThenEachCaption) {
  int32_t index = 0;
  EXPECT_STREQ(AddMenu(&index), "Divers");
  EXPECT_EQ(index, 8);
  const char* expected[] = {"Comparaison",       "R\xE9" "duction de bruit",
                            "Filtres matriciels", "Modification du fond",
                            "Vignetage",          "Seuillage",
                            "Fusionner",          "Compenser d\xE9" "grad\xE9"};
  for (int32_t i = 1; i <= 8; ++i) {
    index = i;
    EXPECT_STREQ(AddMenu(&index), expected[i - 1]) << "item " << i;
    EXPECT_EQ(index, i);
  }
}

TEST_F(Exports, AddMenuOutsideTheContractAnswersAnEmptyText) {
  for (int32_t bad : {9, -1, 1000}) {
    int32_t index = bad;
    EXPECT_STREQ(AddMenu(&index), "");
    EXPECT_EQ(index, bad);
  }
  EXPECT_STREQ(AddMenu(nullptr), "");
}

TEST_F(Exports, PrmDLLAnswersTheCaptionAndDisplayName) {
  int32_t major = -1, minor = -1;
  const char* caption = nullptr;
  const char* name = PrmDLL(&major, &minor, &caption);
  EXPECT_STREQ(caption, "Divers");
  EXPECT_EQ(std::string(name).rfind("Pelmorande (", 0), 0u);
  EXPECT_EQ(name[std::strlen(name) - 1], ')');
}

TEST_F(Exports, PrmDLLReportsZerosWhenTheVersionResourceCannotBeRead) {
  TheFakePlatform().SetModuleFileName("C:\\plugins\\Molvane.dll");
  int32_t major = -1, minor = -1;
  const char* caption = nullptr;
  PrmDLL(&major, &minor, &caption);
  EXPECT_EQ(major, 0);
  EXPECT_EQ(minor, 0);
  EXPECT_STREQ(caption, "Divers");
  PrmDLL(nullptr, nullptr, nullptr);  // a careless host gets no write through null
}

TEST_F(Exports, NoiseReductionReportsOnceAppliedAndFinished) {
  testing::CountingAllocatorScope counting;
  TPtsImg image(9);
  for (int i = 0; i < 9; ++i) image[i] = {150, 150, 150};
  image[4] = {50, 100, 200};  // blue, green, red
  Run(2, 0, image, 3, 3);
  ASSERT_EQ(HostCalls().size(), 1u);
  const testing::HostCall& call = HostCalls()[0];
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, 3);
  EXPECT_EQ(call.height, 3);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, 0);
  EXPECT_EQ(call.applied & 0xFF, 1);
  EXPECT_EQ(call.finished, 1);
  EXPECT_EQ(call.cursor, ScreenCursor::Hourglass) << "the report comes before the cursor returns";
  EXPECT_EQ(CurrentScreenCursor(), ScreenCursor::Default);
  EXPECT_EQ(image[4].r, 240);
  EXPECT_EQ(image[4].g, 120);
  EXPECT_EQ(image[4].b, 60);
  EXPECT_EQ(image.RefCount(), 1) << "XchgData's references are released";
  EXPECT_EQ(testing::Counts().Live(), 1) << "the private copy is freed through the module allocator";
  EXPECT_GE(testing::Counts().allocations, 2);
}

TEST_F(Exports, NoiseReductionIgnoresThePhaseAndTheIgnoredArguments) {
  TPtsImg image(9);
  for (int32_t phase : {1, 7, -3}) Run(2, phase, image, 3, 3);
  EXPECT_EQ(HostCalls().size(), 3u);
}

// Every tool refuses an image its array cannot hold the same way: nothing
// written, no dialog, one final callback with Applied 0. Longer arrays and
// images without pixels are not refusals.
TEST_F(Exports, EveryToolRefusesAShortOrMissingImageAlike) {
  const struct {
    const char* what;
    int32_t length, w, h;
  } cases[] = {
      {"one pixel short", 11, 4, 3},
      {"no array", 0, 4, 3},
      {"no array for no pixels", 0, 0, 0},
      {"negative sides whose product is held", 12, -4, -3},
      {"a product beyond 32 bits", 12, 65536, 65536},
  };
  for (int32_t tool = 1; tool <= 8; ++tool) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", tool " + std::to_string(tool));
      HostCalls().clear();
      bool opened = false;
      ui::headless::TheState().modalScript = [&opened](ui::Form& form) {
        opened = true;
        form.Close();
      };
      TPtsImg image(c.length);
      for (int32_t i = 0; i < c.length; ++i) image[i] = {1, 2, 3};
      ApplyFlag() = 1;
      Run(tool, 0, image, c.w, c.h);
      EXPECT_FALSE(opened);
      EXPECT_TRUE(ui::headless::TheState().shownForms.empty());
      ASSERT_EQ(HostCalls().size(), 1u);
      const testing::HostCall& call = HostCalls()[0];
      EXPECT_EQ(call.width, c.w);
      EXPECT_EQ(call.height, c.h);
      EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
      EXPECT_EQ(call.actionData, 0);
      EXPECT_EQ(call.applied, 0);
      EXPECT_EQ(call.finished, 1);
      for (int32_t i = 0; i < c.length; ++i) ASSERT_EQ(image[i].r, 3) << "pixel " << i << " written";
    }
  }
}

TEST_F(Exports, NoiseReductionTakesLongerArraysAndImagesWithoutPixels) {
  TPtsImg image(10);
  for (int i = 0; i < 10; ++i) image[i] = {255, 255, 255};
  image[4] = {2, 2, 2};
  image[9] = {7, 7, 7};
  Run(2, 0, image, 3, 3);
  EXPECT_EQ(image[4].r, 255) << "the median of its neighbours";
  EXPECT_EQ(image[9].r, 7) << "past the image";
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}}) Run(2, 0, image, w, h);
  ASSERT_EQ(HostCalls().size(), 3u);
  for (const testing::HostCall& call : HostCalls()) {
    EXPECT_EQ(call.applied, 1);
    EXPECT_EQ(call.finished, 1);
  }
  EXPECT_EQ(image[9].r, 7);
}

// "Appliquer" on an image with a side of 0 has nothing to write, and the
// run is applied all the same, as the noise reduction's is.
TEST_F(Exports, AppliquerOnAnImageWithoutPixelsReportsApplied) {
  for (int32_t tool : {MOLVANE_TOOL_MATRIX_FILTER, MOLVANE_TOOL_THRESHOLD, MOLVANE_TOOL_GRADIENT}) {
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}}) {
      SCOPED_TRACE("tool " + std::to_string(tool) + ", " + std::to_string(w) + " x " + std::to_string(h));
      HostCalls().clear();
      ui::headless::TheState().modalScript = [](ui::Form& form) {
        ui::headless::Find<ui::Button>(form, "Appliquer").Click();
      };
      TPtsImg image(1);
      image[0] = {200, 210, 220};  // above the threshold: kept
      Run(tool, MOLVANE_PHASE_OPEN, image, w, h);
      ASSERT_EQ(HostCalls().size(), 1u);
      EXPECT_EQ(HostCalls()[0].applied, 1);
      EXPECT_EQ(HostCalls()[0].finished, 1);
      EXPECT_EQ(image[0].r, 220);
    }
  }
}

// A host that answers the request for a second image, or for clicks, at
// once, from inside the callback that asks for it: the answer is `image`,
// sent as the second image or as the image clicked.
struct PromptAnswer {
  int32_t tool = 0;
  TPtsImg image;
  int32_t w = 0, h = 0;
  bool formShowingAtWarning = false;
};
PromptAnswer& Answer() {
  static PromptAnswer answer;
  return answer;
}

void MOLVANE_STDCALL AnsweringHost(int32_t userValue, int32_t width, int32_t height, int32_t r1,
                                   int32_t r2, int32_t actionCode, intptr_t actionData,
                                   int32_t applied, int32_t finished) {
  RecordHostCall(userValue, width, height, r1, r2, actionCode, actionData, applied, finished);
  if (actionCode == MOLVANE_ACTION_NONE && actionData == MOLVANE_DATA_ASK_SECOND_IMAGE)
    XchgData(Answer().tool, 0, 0, 0, 0, Answer().w, Answer().h, 1, 0, Answer().image.Handle(),
             nullptr, "reponse", 0);
  if (actionCode == MOLVANE_ACTION_ASK_CLICKS)
    XchgData(Answer().tool, 0, 0, 1, 1, Answer().w, Answer().h, 1, 0, nullptr, Answer().image.Handle(),
             nullptr, 0);
}

TEST_F(Exports, ASecondImageSentWhileTheToolOpensIsTaken) {
  for (int32_t tool : {1, 7}) {
    for (int32_t w : {4, 5}) {
      SCOPED_TRACE("tool " + std::to_string(tool) + (w == 4 ? ", same size" : ", another size"));
      HostCalls().clear();
      ui::headless::TheState().boxes.clear();
      ui::headless::TheState().onBox = [](const ui::headless::ShownBox&) {
        Answer().formShowingAtWarning = !ui::headless::TheState().shownForms.empty();
      };
      Answer() = PromptAnswer{tool, TPtsImg(20), w, 4, false};
      AdrRetour(AnsweringHost, 7);
      TPtsImg first(16);
      Run(tool, 0, first, 4, 4);
      ASSERT_EQ(HostCalls().size(), 1u) << "the request, nothing more";
      ASSERT_EQ(ui::headless::TheState().shownForms.size(), 1u);
      ui::Form& form = *ui::headless::TheState().shownForms[0];
      EXPECT_EQ(form.Find("Image2")->Caption(), " Image N\xB0 2 : \"reponse\" ");
      if (w == 4) {
        EXPECT_EQ(ApplyFlag(), 1);
        EXPECT_TRUE(ui::headless::TheState().boxes.empty());
      } else {
        EXPECT_EQ(ApplyFlag(), 0);
        ASSERT_EQ(ui::headless::TheState().boxes.size(), 1u);
        EXPECT_TRUE(Answer().formShowingAtWarning) << "the warning shows over its dialog";
      }
      form.Close();
      Answer() = PromptAnswer{};
    }
  }
}

// The click's image is the host's buffer from then on: "Réinitialiser"
// writes the image as it opened into it, not into the buffer it opened on.
TEST_F(Exports, AClickSentWhileTheToolOpensIsTaken) {
  for (int32_t tool : {MOLVANE_TOOL_BACKGROUND, MOLVANE_TOOL_VIGNETTING}) {
    SCOPED_TRACE("tool " + std::to_string(tool));
    TPtsImg opened(16), clicked(16);
    for (int32_t i = 0; i < 16; ++i) {
      opened[i] = {1, 2, 3};
      clicked[i] = {9, 9, 9};
    }
    Answer() = PromptAnswer{tool, clicked, 4, 4, false};
    AdrRetour(AnsweringHost, 7);
    Run(tool, 0, opened, 4, 4);
    ASSERT_EQ(ui::headless::TheState().shownForms.size(), 1u);
    ui::Form& form = *ui::headless::TheState().shownForms[0];
    static_cast<ui::Button*>(form.Find("ReInit"))->Click();
    EXPECT_EQ(clicked[15].b, 1) << "not written back into the image clicked";
    EXPECT_EQ(opened[15].b, 1);
    form.Close();
    Answer() = PromptAnswer{};
  }
}

TEST_F(Exports, ToolsOutsideTheMenuOnlyClearTheApplyFlag) {
  TPtsImg image(9);
  TPtsImg second(9);
  for (int32_t tool : {0, 9, -1, INT32_MIN}) {
    ApplyFlag() = 1;
    Run(tool, 0, image, 3, 3, second.Handle());
    EXPECT_EQ(ApplyFlag(), 0) << "tool " << tool;
  }
  EXPECT_TRUE(HostCalls().empty());
  EXPECT_EQ(image.RefCount(), 1);
  EXPECT_EQ(second.RefCount(), 1);
}

TEST_F(Exports, WithoutARegisteredCallbackNothingIsCalled) {
  AdrRetour(nullptr, 0);
  TPtsImg image(9);
  Run(2, 0, image, 3, 3);
  EXPECT_TRUE(HostCalls().empty());
}

void MOLVANE_STDCALL OtherHost(int32_t userValue, int32_t, int32_t, int32_t, int32_t, int32_t,
                               intptr_t, int32_t, int32_t) {
  testing::HostCalls().push_back({userValue, -1, -1, 0, 0, 0, 0, 0, 0, ScreenCursor::Default});
}

TEST_F(Exports, ASecondRegistrationReplacesTheFirst) {
  AdrRetour(OtherHost, 42);
  TPtsImg image(9);
  Run(2, 0, image, 3, 3);
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].userValue, 42);
  EXPECT_EQ(HostCalls()[0].width, -1) << "the first callback is no longer called";
}

}  // namespace
}  // namespace molvane
