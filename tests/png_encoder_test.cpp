// Our PNG files and deflate streams read back by zlib and libpng to the exact bytes.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "host/deflate_encoder.h"
#include "host/png_encoder.h"
#include "platform/row_pool.h"
#include "test_images.h"

namespace molvane {
namespace {

std::vector<uint8_t> Inflated(const std::vector<uint8_t>& stream, size_t expectedSize) {
  std::vector<uint8_t> out(expectedSize + 1);
  uLongf size = uLongf(out.size());
  EXPECT_EQ(uncompress(out.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
  out.resize(size);
  return out;
}

// Random bytes, runs, repeats a little inside and a little beyond the window, and text-like data.
std::vector<std::vector<uint8_t>> DeflateInputs() {
  std::mt19937 random(7);
  std::vector<std::vector<uint8_t>> inputs = {{}, {42}, {1, 2, 3}, std::vector<uint8_t>(100000, 0)};
  std::vector<uint8_t> noise(70001);
  for (uint8_t& b : noise) b = uint8_t(random());
  inputs.push_back(noise);
  for (const size_t period : {3u, 259u, 32767u, 32768u, 32769u}) {
    std::vector<uint8_t> repeated(3 * period + 77);
    for (size_t i = 0; i < repeated.size(); ++i) repeated[i] = noise[i % period];
    inputs.push_back(repeated);
  }
  std::vector<uint8_t> skewed(200000);
  for (uint8_t& b : skewed) b = uint8_t(std::geometric_distribution<int>(0.05)(random));
  inputs.push_back(skewed);
  return inputs;
}

TEST(DeflateEncoder, ZlibInflatesEveryInputToItsBytesAndAgreesOnAdler32) {
  for (const std::vector<uint8_t>& input : DeflateInputs()) {
    const std::vector<uint8_t> stream = host::ZlibCompress(input.data(), input.size());
    EXPECT_EQ(Inflated(stream, input.size()), input) << input.size() << " bytes";
    const uLong expected = adler32(1, input.data(), uInt(input.size()));
    EXPECT_EQ(host::Adler32(input.data(), input.size()), expected);
    const size_t half = input.size() / 3;
    EXPECT_EQ(host::Adler32Combine(host::Adler32(input.data(), half),
                                   host::Adler32(input.data() + half, input.size() - half), input.size() - half),
              expected)
        << input.size() << " bytes";
  }
}

host::Bitmap24 Image(int32_t width, int32_t height, std::vector<Pixel24> pixels) {
  host::Bitmap24 image;
  image.width = width;
  image.height = height;
  image.pixels = std::move(pixels);
  return image;
}

// A photograph's kind of content: smooth shading, grain, and a flat patch.
host::Bitmap24 PhotographLike(int32_t width, int32_t height) {
  std::mt19937 random(3);
  std::vector<Pixel24> pixels(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const int grain = int(random() % 9) - 4;
      const int base = (x * 200 / width + y * 50 / height);
      auto channel = [&](int offset) { return uint8_t(std::clamp(base + offset + grain, 0, 255)); };
      pixels[size_t(y) * width + x] = (x < width / 4 && y < height / 4) ? Pixel24{9, 9, 9}
                                                                       : Pixel24{channel(0), channel(20), channel(-10)};
    }
  return Image(width, height, std::move(pixels));
}

std::vector<Pixel24> DecodedByLibpng(const std::vector<uint8_t>& file, int32_t width, int32_t height) {
  png_image decoded;
  std::memset(&decoded, 0, sizeof decoded);
  decoded.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&decoded, file.data(), file.size())) << decoded.message;
  EXPECT_EQ(decoded.width, png_uint_32(width));
  EXPECT_EQ(decoded.height, png_uint_32(height));
  decoded.format = PNG_FORMAT_BGR;
  std::vector<Pixel24> pixels(size_t(width) * size_t(height));
  EXPECT_TRUE(png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr)) << decoded.message;
  return pixels;
}

TEST(PngEncoder, LibpngReadsTheExactPixelsOfRandomAndPhotographicImages) {
  std::vector<host::Bitmap24> images;
  for (const auto& [width, height] : testing::AwkwardSizes())
    images.push_back(Image(width, height, testing::RandomPixels(int64_t(width) * height, uint32_t(width * 31 + height))));
  // Several bands of rows, and a stream longer than one IDAT chunk.
  images.push_back(Image(700, 600, testing::RandomPixels(700 * 600, 11)));
  images.push_back(PhotographLike(1001, 700));
  images.push_back(Image(300, 200, std::vector<Pixel24>(300 * 200, Pixel24{255, 255, 255})));
  for (const host::Bitmap24& image : images) {
    const std::vector<uint8_t> file = host::EncodePng(image);
    EXPECT_TRUE(testing::SameBytes(DecodedByLibpng(file, image.width, image.height), image.pixels))
        << image.width << " x " << image.height;
  }
}

TEST(PngEncoder, TheBytesDoNotDependOnTheThreads) {
  const host::Bitmap24 image = PhotographLike(999, 1500);
  SetPoolThreads(1);
  const std::vector<uint8_t> alone = host::EncodePng(image);
  SetPoolThreads(3);
  const std::vector<uint8_t> shared = host::EncodePng(image);
  SetPoolThreads(0);
  EXPECT_TRUE(alone == shared);
}

}  // namespace
}  // namespace molvane
