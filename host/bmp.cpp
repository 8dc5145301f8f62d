// 24-bit BMP decoding and encoding.
#include "host/bmp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace molvane::host {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCoreHeaderSize = 12;  // the old OS/2 header, 16-bit sizes
constexpr uint32_t kCompressionNone = 0;
constexpr int32_t kPixelsPerMetre72Dpi = 2835;
// A BMP of the largest accepted image, padding included, stays below this.
constexpr long kMaxFileBytes = 0x7FFFFFFFL;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return int32_t(U32(p)); }

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

uint64_t RowStride(int64_t width) { return (uint64_t(width) * 3u + 3u) & ~uint64_t(3); }

bool Fail(std::string& error, Bitmap24& image, std::string message) {
  error = std::move(message);
  image = Bitmap24{};
  return false;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Bitmap24& image, std::string& error) {
  if (!data || size < kFileHeaderSize + 4)
    return Fail(error, image, "too short to be a BMP file (" + std::to_string(size) + " bytes)");
  if (data[0] != 'B' || data[1] != 'M') return Fail(error, image, "not a BMP file (no \"BM\" signature)");

  const uint32_t headerSize = U32(data + kFileHeaderSize);
  if (headerSize == kCoreHeaderSize)
    return Fail(error, image, "OS/2 BMP files (12-byte header) are not supported");
  if (headerSize < kInfoHeaderSize)
    return Fail(error, image, "unknown BMP header size " + std::to_string(headerSize));
  if (headerSize > size - kFileHeaderSize)
    return Fail(error, image, "BMP header of " + std::to_string(headerSize) +
                                  " bytes does not fit in a file of " + std::to_string(size));

  const uint8_t* info = data + kFileHeaderSize;
  const int32_t width = I32(info + 4);
  const int32_t rawHeight = I32(info + 8);
  const uint16_t planes = U16(info + 12);
  const uint16_t bitsPerPixel = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  const uint32_t pixelOffset = U32(data + 10);

  if (planes != 1) return Fail(error, image, "BMP with " + std::to_string(planes) + " planes");
  if (bitsPerPixel != 24)
    return Fail(error, image, "only 24-bit BMP files are supported, this one has " +
                                  std::to_string(bitsPerPixel) + " bits per pixel");
  if (compression != kCompressionNone)
    return Fail(error, image, "compressed BMP files are not supported (compression " +
                                  std::to_string(compression) + ")");
  if (width <= 0) return Fail(error, image, "BMP width " + std::to_string(width) + " is not positive");
  if (rawHeight == 0 || rawHeight == INT32_MIN)
    return Fail(error, image, "BMP height " + std::to_string(rawHeight) + " is not usable");

  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -int64_t(rawHeight) : int64_t(rawHeight);
  if (int64_t(width) * height > kMaxBitmapPixels)
    return Fail(error, image, "BMP of " + std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels is too large");

  if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > size)
    return Fail(error, image, "BMP pixel data offset " + std::to_string(pixelOffset) +
                                  " lies outside the file");
  // Some writers leave out the padding of the last row: accept a file that
  // holds every pixel.
  const uint64_t stride = RowStride(width);
  const uint64_t needed = uint64_t(pixelOffset) + stride * uint64_t(height - 1) + uint64_t(width) * 3u;
  if (needed > size)
    return Fail(error, image, "BMP pixel data is cut short: " + std::to_string(needed) +
                                  " bytes needed, the file has " + std::to_string(size));

  Bitmap24 decoded;
  decoded.width = width;
  decoded.height = int32_t(height);
  decoded.pixels.resize(size_t(width) * size_t(height));
  for (int64_t y = 0; y < height; ++y) {
    const int64_t fileRow = topDown ? y : height - 1 - y;
    const uint8_t* row = data + pixelOffset + uint64_t(fileRow) * stride;
    std::memcpy(&decoded.pixels[size_t(y) * size_t(width)], row, size_t(width) * 3u);
  }
  image = std::move(decoded);
  error.clear();
  return true;
}

std::vector<uint8_t> EncodeBmp(const Bitmap24& image) {
  const size_t stride = size_t(RowStride(image.width));
  const size_t pixelBytes = stride * size_t(image.height);
  const size_t offset = kFileHeaderSize + kInfoHeaderSize;
  std::vector<uint8_t> out(offset + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, uint32_t(out.size()));
  Put32(out, 10, uint32_t(offset));
  Put32(out, 14, kInfoHeaderSize);
  Put32(out, 18, uint32_t(image.width));
  Put32(out, 22, uint32_t(image.height));
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 30, kCompressionNone);
  Put32(out, 34, uint32_t(pixelBytes));
  Put32(out, 38, uint32_t(kPixelsPerMetre72Dpi));
  Put32(out, 42, uint32_t(kPixelsPerMetre72Dpi));
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t fileRow = size_t(image.height - 1 - y);
    std::memcpy(&out[offset + fileRow * stride], &image.pixels[size_t(y) * size_t(image.width)],
                size_t(image.width) * 3u);
  }
  return out;
}

bool ReadBmpFile(const std::string& path, Bitmap24& image, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return Fail(error, image, "cannot open " + path);
  long length = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) length = std::ftell(file.get());
  if (length < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
    return Fail(error, image, "cannot read " + path);
  if (length > kMaxFileBytes) return Fail(error, image, path + " is too large for a BMP file");
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    return Fail(error, image, "cannot read " + path);
  if (!DecodeBmp(bytes.data(), bytes.size(), image, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool WriteBmpFile(const std::string& path, const Bitmap24& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * size_t(image.height)) {
    error = "no image to write to " + path;
    return false;
  }
  const std::vector<uint8_t> bytes = EncodeBmp(image);
  File file(std::fopen(path.c_str(), "wb"));
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fflush(file.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  error.clear();
  return true;
}

Bitmap24 Mirrored(const Bitmap24& image) {
  Bitmap24 mirror = image;
  const size_t width = size_t(image.width);
  for (size_t row = 0; row + width <= image.pixels.size() && width > 0; row += width)
    for (size_t x = 0; x < width; ++x) mirror.pixels[row + x] = image.pixels[row + width - 1 - x];
  return mirror;
}

Bitmap24 SampleAround(const Pixel24* pixels, int32_t width, int32_t height, int32_t x, int32_t y) {
  Bitmap24 sample;
  if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return sample;
  const int32_t left = std::max(0, x - 2), right = std::min(width - 1, x + 2);
  const int32_t top = std::max(0, y - 2), bottom = std::min(height - 1, y + 2);
  sample.width = right - left + 1;
  sample.height = bottom - top + 1;
  for (int32_t row = top; row <= bottom; ++row)
    for (int32_t col = left; col <= right; ++col)
      sample.pixels.push_back(pixels[size_t(row) * size_t(width) + size_t(col)]);
  return sample;
}

}  // namespace molvane::host
