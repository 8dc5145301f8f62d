// 24-bit BMP files: decoding with every field checked, and encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "colour/pixel.h"

namespace molvane::host {

// An image as the plug-in sees it: rows top first, no padding, b, g, r bytes.
struct Bitmap24 {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Pixel24> pixels;
};

// The largest image we accept: its pixel array must fit the 32-bit block
// size of the shared allocator (8 header bytes + 3 per pixel).
constexpr int64_t kMaxBitmapPixels = (INT32_MAX - 8) / 3;

// Decodes an uncompressed 24-bit BMP (bottom-up or top-down rows, rows
// padded to 4 bytes, any info header of 40 bytes or more). Anything else, and
// any file whose fields point outside its bytes, is refused with a message
// saying why; `image` is then left empty. Reads nothing outside data..data+size.
bool DecodeBmp(const uint8_t* data, size_t size, Bitmap24& image, std::string& error);

// A bottom-up 24-bit BMP with a 40-byte info header and 72 dpi.
std::vector<uint8_t> EncodeBmp(const Bitmap24& image);

bool ReadBmpFile(const std::string& path, Bitmap24& image, std::string& error);
bool WriteBmpFile(const std::string& path, const Bitmap24& image, std::string& error);

// The image with left and right swapped: as large as it, and unlike it.
Bitmap24 Mirrored(const Bitmap24& image);

// The pixels of `image` in the square of side 5 centred on (x, y), cut at the
// image's edges (empty for a point outside): the sample a host sends with a
// click for tool 4. Read in place: a click on a large photograph copies 25 pixels, not the image.
Bitmap24 SampleAround(const Pixel24* pixels, int32_t width, int32_t height, int32_t x, int32_t y);
inline Bitmap24 SampleAround(const Bitmap24& image, int32_t x, int32_t y) {
  return SampleAround(image.pixels.data(), image.width, image.height, x, y);
}

}  // namespace molvane::host
