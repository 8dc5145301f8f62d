// The preview scaling rule: geometry, nearest-pixel sampling, the picture's bitmap and place.
#include "dialog_kit/preview.h"

#include <gtest/gtest.h>

#include "colour/extended_math.h"
#include "test_images.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

TEST(PreviewGeometry, LargeImagesShrinkByTheLongerSide) {
  PreviewGeometry g = PreviewGeometryFor({640, 480});
  EXPECT_EQ(g.scale, 2.0L);
  EXPECT_EQ(g.width, 320);
  EXPECT_EQ(g.height, 240);
  EXPECT_EQ(g.left, 1);
  EXPECT_EQ(g.top, 41);
}

TEST(PreviewGeometry, SmallImagesAreShownAtTheirOwnSizeCentred) {
  PreviewGeometry g = PreviewGeometryFor({100, 50});
  EXPECT_EQ(g.scale, 1.0L);
  EXPECT_EQ(g.width, 100);
  EXPECT_EQ(g.height, 50);
  EXPECT_EQ(g.left, 111);
  EXPECT_EQ(g.top, 136);
  EXPECT_EQ(PreviewGeometryFor({320, 320}).scale, 1.0L);
}

TEST(PreviewGeometry, RoundsSidesHalfToEven) {
  PreviewGeometry g = PreviewGeometryFor({321, 1});
  EXPECT_EQ(g.width, 320);
  EXPECT_EQ(g.height, 1);
  g = PreviewGeometryFor({1000, 3});  // 3 / 3.125 = 0.96
  EXPECT_EQ(g.scale, 3.125L);
  EXPECT_EQ(g.height, 1);
  g = PreviewGeometryFor({640, 5});  // 2.5 rounds to 2
  EXPECT_EQ(g.height, 2);
  g = PreviewGeometryFor({640, 7});  // 3.5 rounds to 4
  EXPECT_EQ(g.height, 4);
  g = PreviewGeometryFor({1000, 1});  // 0.32: no row at all
  EXPECT_EQ(g.height, 0);
}

TEST(SamplePreview, TakesTheTruncatedNearestPixel) {
  const int32_t w = 640, h = 480;
  std::vector<Pixel24> image = testing::RandomPixels(int64_t(w) * h, 1);
  PreviewGeometry g = PreviewGeometryFor({w, h});
  std::vector<Pixel24> preview(size_t(g.width) * g.height);
  SamplePreview(image.data(), {w, h}, g, preview.data());
  for (int32_t y : {0, 1, 117, 239})
    for (int32_t x : {0, 1, 200, 319}) {
      const Pixel24 a = preview[size_t(y) * g.width + x];
      const Pixel24 b = image[size_t(2 * y) * w + 2 * x];
      EXPECT_EQ(a.r, b.r);
      EXPECT_EQ(a.g, b.g);
      EXPECT_EQ(a.b, b.b);
    }
}

TEST(SamplePreview, NeverReadsOutsideTheImage) {
  // Every size from 1 to 700 on one side against a few on the other: the
  // last sample must stay inside (a vector's end is checked by ASan builds).
  for (int32_t w = 1; w <= 700; w += 13)
    for (int32_t h : {1, 3, 319, 321, 641}) {
      std::vector<Pixel24> image(size_t(w) * h);
      PreviewGeometry g = PreviewGeometryFor({w, h});
      ASSERT_LE(Trunc((long double)(g.width - 1) * g.scale), w - 1);
      ASSERT_LE(Trunc((long double)(g.height - 1) * g.scale), h - 1);
      std::vector<Pixel24> preview(size_t(g.width) * g.height);
      SamplePreview(image.data(), {w, h}, g, preview.data());
    }
}

TEST(BuildPreview, FillsThePictureAndCentresIt) {
  ui::headless::Reset();
  ui::Form form("F");
  PreviewBox box(&form);
  TPtsImg copy(6);
  for (int i = 0; i < 6; ++i) copy[i] = {uint8_t(i), uint8_t(10 * i), 7};
  TPtsImg previewPixels;
  BuildPreview(copy, {3, 2}, previewPixels, box.PreVisu);
  EXPECT_EQ(previewPixels.Length(), 6);
  EXPECT_EQ(box.PreVisu.Bitmap().Width(), 3);
  EXPECT_EQ(box.PreVisu.Bitmap().Height(), 2);
  EXPECT_EQ(box.PreVisu.Bitmap().ScanLine(1)[2].g, 50);
  EXPECT_EQ(box.PreVisu.Bounds().left, 159);
  EXPECT_EQ(box.PreVisu.Bounds().top, 160);
  EXPECT_EQ(box.CadreAff.Bounds().width, 322);
}

TEST(BuildPreview, ACopyShorterThanItsSizeGivesAnEmptyPreview) {
  ui::Form form("F");
  PreviewBox box(&form);
  TPtsImg copy(5);
  TPtsImg previewPixels;
  BuildPreview(copy, {3, 2}, previewPixels, box.PreVisu);
  EXPECT_TRUE(previewPixels.Empty());
  EXPECT_TRUE(box.PreVisu.Bitmap().Empty());
}

}  // namespace
}  // namespace molvane
