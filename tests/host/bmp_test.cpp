// The host's BMP codec: exact bytes, every row padding, top-down rows, and malformed files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "host/bmp.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

using host::Bitmap24;
using host::DecodeBmp;
using host::EncodeBmp;

Bitmap24 RandomBitmap(int32_t width, int32_t height, uint32_t seed) {
  Bitmap24 image;
  image.width = width;
  image.height = height;
  image.pixels = RandomPixels(width * height, seed);
  return image;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

bool DecodeGuarded(const std::vector<uint8_t>& bytes, Bitmap24& image, std::string& error) {
  GuardedBytes guarded(bytes);
  return DecodeBmp(guarded.data(), guarded.size(), image, error);
}

TEST(BmpFile, EncodesTheKnownBytesOfATwoByTwoImage) {
  Bitmap24 image;
  image.width = 2;
  image.height = 2;
  // Top row: red, green; bottom row: blue, white (b, g, r bytes).
  image.pixels = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
  const std::vector<uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
      16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      255, 0, 0, 255, 255, 255, 0, 0,  // bottom row first, two bytes of padding
      0, 0, 255, 0, 255, 0, 0, 0,
  };
  EXPECT_EQ(EncodeBmp(image), expected);
}

TEST(BmpFile, RoundTripsEveryRowPadding) {
  for (int32_t width = 1; width <= 6; ++width) {
    for (int32_t height = 1; height <= 3; ++height) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
      const Bitmap24 image = RandomBitmap(width, height, uint32_t(width * 10 + height));
      const std::vector<uint8_t> bytes = EncodeBmp(image);
      EXPECT_EQ(bytes.size(), 54u + size_t((width * 3 + 3) / 4 * 4 * height));
      Bitmap24 decoded;
      std::string error;
      ASSERT_TRUE(DecodeGuarded(bytes, decoded, error)) << error;
      EXPECT_EQ(decoded.width, width);
      EXPECT_EQ(decoded.height, height);
      EXPECT_EQ(decoded.pixels, image.pixels);
    }
  }
}

TEST(BmpFile, ReadsTopDownRows) {
  const Bitmap24 image = RandomBitmap(3, 4, 77);
  std::vector<uint8_t> bytes = EncodeBmp(image);
  // Reverse the rows and make the height negative.
  const size_t stride = 12;
  std::vector<uint8_t> flipped(bytes.begin(), bytes.begin() + 54);
  for (int row = 3; row >= 0; --row)
    flipped.insert(flipped.end(), bytes.begin() + 54 + long(size_t(row) * stride),
                   bytes.begin() + 54 + long(size_t(row + 1) * stride));
  Put32(flipped, 22, uint32_t(-4));
  Bitmap24 decoded;
  std::string error;
  ASSERT_TRUE(DecodeGuarded(flipped, decoded, error)) << error;
  EXPECT_EQ(decoded.height, 4);
  EXPECT_EQ(decoded.pixels, image.pixels);
}

TEST(BmpFile, AcceptsLargerHeadersGapsAndAnUnpaddedLastRow) {
  const Bitmap24 image = RandomBitmap(5, 3, 5);
  const std::vector<uint8_t> plain = EncodeBmp(image);
  const std::vector<uint8_t> pixelData(plain.begin() + 54, plain.end());
  Bitmap24 decoded;
  std::string error;

  // A 124-byte (version 5) header, then a 10-byte gap before the pixels.
  std::vector<uint8_t> v5(plain.begin(), plain.begin() + 54);
  v5.resize(14 + 124 + 10, 0);
  Put32(v5, 14, 124);
  Put32(v5, 10, 14 + 124 + 10);
  v5.insert(v5.end(), pixelData.begin(), pixelData.end());
  ASSERT_TRUE(DecodeGuarded(v5, decoded, error)) << error;
  EXPECT_EQ(decoded.pixels, image.pixels);

  // Width 5: 15 bytes a row plus 1 of padding, left out on the last row.
  std::vector<uint8_t> unpadded(plain.begin(), plain.end() - 1);
  ASSERT_TRUE(DecodeGuarded(unpadded, decoded, error)) << error;
  EXPECT_EQ(decoded.pixels, image.pixels);
}

TEST(BmpFile, RefusesWhatItCannotReadAndSaysWhy) {
  const std::vector<uint8_t> valid = EncodeBmp(RandomBitmap(3, 2, 9));
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    int width;  // bytes written: 2 or 4
    const char* message;
  };
  const Case cases[] = {
      {"signature", 0, 'B' | ('A' << 8), 2, "signature"},
      {"32 bits per pixel", 28, 32, 2, "24-bit"},
      {"8 bits per pixel", 28, 8, 2, "24-bit"},
      {"run-length compression", 30, 1, 4, "compressed"},
      {"bit fields", 30, 3, 4, "compressed"},
      {"OS/2 header", 14, 12, 4, "OS/2"},
      {"header too small", 14, 20, 4, "header size"},
      {"header beyond the file", 14, 1000, 4, "does not fit"},
      {"zero width", 18, 0, 4, "width"},
      {"negative width", 18, uint32_t(-3), 4, "width"},
      {"zero height", 22, 0, 4, "height"},
      {"smallest height", 22, 0x80000000u, 4, "height"},
      {"two planes", 26, 2, 2, "planes"},
      {"pixels before the header's end", 10, 20, 4, "offset"},
      {"pixels beyond the file", 10, 5000, 4, "offset"},
      {"more rows than the file holds", 22, 3, 4, "cut short"},
      {"huge image", 18, 0x7FFFFFFF, 4, "too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = valid;
    if (c.width == 2) {
      bytes[c.offset] = uint8_t(c.value);
      bytes[c.offset + 1] = uint8_t(c.value >> 8);
    } else {
      Put32(bytes, c.offset, c.value);
    }
    Bitmap24 decoded = RandomBitmap(1, 1, 1);
    std::string error;
    EXPECT_FALSE(DecodeGuarded(bytes, decoded, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << "message: " << error;
    EXPECT_TRUE(decoded.pixels.empty());
    EXPECT_EQ(decoded.width, 0);
  }
}

TEST(BmpFile, TruncatedFilesAreRefusedWithoutReadingPastTheEnd) {
  const std::vector<uint8_t> valid = EncodeBmp(RandomBitmap(3, 2, 10));
  // 3 pixels = 9 bytes a row + 3 of padding; the last row's padding may go.
  const size_t shortest = valid.size() - 3;
  for (size_t length = 0; length < valid.size(); ++length) {
    SCOPED_TRACE("first " + std::to_string(length) + " bytes");
    std::vector<uint8_t> prefix(valid.begin(), valid.begin() + long(length));
    Bitmap24 decoded;
    std::string error;
    EXPECT_EQ(DecodeGuarded(prefix, decoded, error), length >= shortest) << error;
    if (length < shortest) {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(BmpFile, CorruptHeaderBytesNeverLeadOutsideTheFile) {
  const std::vector<uint8_t> valid = EncodeBmp(RandomBitmap(4, 3, 12));
  int decodedCount = 0;
  for (size_t offset = 0; offset < 54; ++offset) {
    for (uint8_t value : {uint8_t(0x00), uint8_t(0x01), uint8_t(0x7F), uint8_t(0x80), uint8_t(0xFF)}) {
      std::vector<uint8_t> bytes = valid;
      bytes[offset] = value;
      Bitmap24 decoded;
      std::string error;
      if (DecodeGuarded(bytes, decoded, error)) {
        ++decodedCount;
        EXPECT_EQ(decoded.pixels.size(), size_t(decoded.width) * size_t(decoded.height))
            << "byte " << offset << " = " << int(value);
      } else {
        EXPECT_FALSE(error.empty()) << "byte " << offset << " = " << int(value);
      }
    }
  }
  // Fields a reader ignores (file size, resolution, colour counts) may change freely.
  EXPECT_GT(decodedCount, 0);
}

TEST(BmpFile, WritesAndReadsFiles) {
  const std::string path = TemporaryPath("molvane-bmp-test-" + std::to_string(GetCurrentProcessId()) + ".bmp");
  const Bitmap24 image = RandomBitmap(7, 5, 42);
  std::string error;
  ASSERT_TRUE(host::WriteBmpFile(path, image, error)) << error;
  Bitmap24 read;
  const bool ok = host::ReadBmpFile(path, read, error);
  DeleteFileA(path.c_str());
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(read.pixels, image.pixels);

  EXPECT_FALSE(host::ReadBmpFile(path, read, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST(BmpFile, ReadsTheShippedPhotograph) {
  Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  EXPECT_EQ(photo.width, 451);
  EXPECT_EQ(photo.height, 300);
  Bitmap24 again;
  ASSERT_TRUE(DecodeGuarded(EncodeBmp(photo), again, error)) << error;
  EXPECT_EQ(again.pixels, photo.pixels);
}

}  // namespace
}  // namespace molvane::hosttest

namespace molvane::hosttest {
namespace {

// Tool 4's sample: the 5 x 5 pixels around a click, cut at the image's edges.
TEST(BmpFile, SampleAroundAPointIsCutAtTheEdges) {
  const Bitmap24 image = RandomBitmap(7, 6, 11);
  const struct {
    int32_t x, y;
    int32_t left, top, width, height;
  } cases[] = {{3, 3, 1, 1, 5, 5}, {0, 0, 0, 0, 3, 3}, {6, 5, 4, 3, 3, 3}, {1, 4, 0, 2, 4, 4},
               {7, 2, 0, 0, 0, 0}, {-3, 2, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    const Bitmap24 sample = host::SampleAround(image, c.x, c.y);
    ASSERT_EQ(sample.width, c.width);
    ASSERT_EQ(sample.height, c.height);
    ASSERT_EQ(sample.pixels.size(), size_t(c.width * c.height));
    for (int32_t row = 0; row < c.height; ++row)
      for (int32_t col = 0; col < c.width; ++col)
        EXPECT_EQ(sample.pixels[size_t(row * c.width + col)],
                  image.pixels[size_t((c.top + row) * image.width + c.left + col)]);
  }
}

}  // namespace
}  // namespace molvane::hosttest
