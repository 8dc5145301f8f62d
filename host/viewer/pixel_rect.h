// A rectangle of an image's pixels, and its pixels copied out of an image and back in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "colour/pixel.h"

namespace molvane::viewer {

// A rectangle of pixels; empty when its width or height is 0.
struct PixelRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
  size_t Area() const { return Empty() ? 0 : size_t(width) * size_t(height); }
  bool Contains(int32_t px, int32_t py) const { return px >= x && py >= y && px < x + width && py < y + height; }
  bool operator==(const PixelRect& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};

// The part of `rect` inside an image of width x height.
PixelRect ClippedTo(const PixelRect& rect, int32_t width, int32_t height);
// The rectangle's pixels of `image` (`imageWidth` wide) into `out`, rows one after another.
void CopyOut(const Pixel24* image, int32_t imageWidth, const PixelRect& rect, Pixel24* out);
// `part` (rect.width x rect.height) into the rectangle of `image`.
void CopyIn(const Pixel24* part, const PixelRect& rect, Pixel24* image, int32_t imageWidth);

}  // namespace molvane::viewer
