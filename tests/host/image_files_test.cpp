// Image files through the system's codecs: formats by extension, and palette images flattened to 24 bits.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "host/image_files.h"
#include "host_test_support.h"
#include "test_images.h"

namespace molvane::hosttest {
namespace {

using host::ImageFormat;

TEST(ImageFiles, FormatComesFromTheExtension) {
  const struct {
    const char* path;
    ImageFormat format;
    bool writable;
  } cases[] = {{"a.BMP", ImageFormat::kBmp, true},         {"b.png", ImageFormat::kPng, true},
               {"c.Jpg", ImageFormat::kJpeg, true},        {"d.jpeg", ImageFormat::kJpeg, true},
               {"e.tif", ImageFormat::kTiff, true},        {"f.TIFF", ImageFormat::kTiff, true},
               {"g.gif", ImageFormat::kGif, false},        {"h.webp", ImageFormat::kUnknown, false},
               {"dossier.png\\sans", ImageFormat::kUnknown, false}, {"", ImageFormat::kUnknown, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(host::FormatOfPath(c.path), c.format) << c.path;
    EXPECT_EQ(host::CanWriteFormat(host::FormatOfPath(c.path)), c.writable) << c.path;
  }
}

// Our PNG writer's files read back by the system's codec to the exact pixels:
// random images of the awkward sizes, one of several bands of rows, the photograph.
TEST(ImageFiles, WrittenPngReadsBackThroughTheSystemCodec) {
  std::vector<host::Bitmap24> images;
  for (const auto& [width, height] : testing::AwkwardSizes())
    images.push_back({width, height, testing::RandomPixels(int64_t(width) * height, uint32_t(width * 31 + height))});
  images.push_back({700, 600, testing::RandomPixels(700 * 600, 11)});
  images.emplace_back();
  std::string error;
  ASSERT_TRUE(host::ReadImageFile(DataFile("chelsea.bmp"), images.back(), error)) << error;
  const std::string path = TemporaryPath("molvane-ecrite.png");
  for (const host::Bitmap24& image : images) {
    ASSERT_TRUE(host::WriteImageFile(path, image, error)) << error;
    host::Bitmap24 read;
    ASSERT_TRUE(host::ReadImageFile(path, read, error)) << error;
    EXPECT_EQ(read.width, image.width);
    EXPECT_EQ(read.height, image.height);
    EXPECT_TRUE(testing::SameBytes(read.pixels, image.pixels)) << image.width << " x " << image.height;
  }
  DeleteFileA(path.c_str());
}

// A GIF's pixels are palette indices, which Wine's codec cannot convert
// straight to 24 bits: one red pixel, index 0 of a two-colour palette.
TEST(ImageFiles, ReadsAPaletteGif) {
  const unsigned char kRedPixel[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0,
                                     0,   0,   0,   ',', 0,   0,   0, 0, 1, 0, 1,    0, 0, 2, 2,    0x44,
                                     1,   0,   ';'};
  const std::string path = TemporaryPath("molvane-rouge.gif");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, kRedPixel, sizeof kRedPixel, &written, nullptr);
  CloseHandle(file);
  host::Bitmap24 image;
  std::string error;
  ASSERT_TRUE(host::ReadImageFile(path, image, error)) << error;
  ASSERT_EQ(image.width, 1);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.pixels[0], (Pixel24{0, 0, 255}));
  DeleteFileA(path.c_str());
}

// Sound files of the kinds people have (data/kinds/: palettes, grey, 16-bit,
// alpha, interlaced, progressive, CMYK, tiled, big-endian, compressed,
// several pages or frames, old headers) pass the structure check and read.
TEST(ImageFiles, ReadsSoundFilesOfEveryKind) {
  const std::string folder = DataFile("kinds/");
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
  int files = 0;
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    SCOPED_TRACE(found.cFileName);
    ++files;
    host::Bitmap24 image;
    std::string error;
    EXPECT_TRUE(host::ReadImageFile(folder + found.cFileName, image, error)) << error;
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 12);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  EXPECT_EQ(files, 26);
}

}  // namespace
}  // namespace molvane::hosttest
