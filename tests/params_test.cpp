// The exports as a host calls them: menu, dispatch, references, callback cell.
#include "boundary/params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boundary/exports.h"
#include "boundary/host_link.h"
#include "boundary/library.h"
#include "boundary/pixel_array.h"
#include "counting_allocator.h"
#include "host_callback_recorder.h"
#include "platform/fake/fake_platform.h"

namespace molvane {
namespace {

using testing::HostCalls;
using testing::RecordHostCall;

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    TheFakePlatform().Reset();
    ASSERT_TRUE(LibraryInitialize());
    HostCalls().clear();
    AdrRetour(RecordHostCall, 0x5EED);
  }
  void TearDown() override {
    AdrRetour(nullptr, 0);
    LibraryFinalize();
  }
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
  EXPECT_EQ(call.userValue, 0x5EED);
  EXPECT_EQ(call.width, 3);
  EXPECT_EQ(call.height, 3);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, 0);
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

TEST_F(Exports, AnUndersizedBufferIsLeftAloneAndReportedNotApplied) {
  TPtsImg image(8);
  for (int i = 0; i < 8; ++i) image[i] = {255, 255, 255};
  image[4] = {2, 2, 2};
  Run(2, 0, image, 3, 3);
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].applied, 0);
  EXPECT_EQ(HostCalls()[0].finished, 1);
  EXPECT_EQ(image[4].r, 2);
  TPtsImg none;
  Run(2, 0, none, 4, 4);
  Run(2, 0, none, -4, 4);
  EXPECT_EQ(HostCalls().size(), 3u);
  EXPECT_EQ(HostCalls()[2].applied, 0);
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
