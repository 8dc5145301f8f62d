// An image's size and points as the host states them, and whether an array holds the image.
#pragma once

#include <cstdint>

#include "boundary/pixel_array.h"

namespace molvane {

// Width and height as the tools receive them: one pair, in this order.
struct ImageSize {
  int32_t width;
  int32_t height;

  int64_t PixelCount() const { return int64_t(width) * int64_t(height); }
};

// A point of the image, in pixels from its top-left corner.
struct ImagePoint {
  int32_t x;
  int32_t y;
};

// True when both sides are positive and `pixels` holds width x height of them
// (a longer array is fine: the image is its first pixels).
inline bool HoldsImage(const TPtsImg& pixels, ImageSize size) {
  return size.width > 0 && size.height > 0 && pixels.Length() >= size.PixelCount();
}

// The image a tool opens on is taken when the array exists, neither side is
// negative and it holds width x height pixels; anything else is a host's
// mistake that every tool refuses the same way (RefuseImage).
inline bool AcceptsImage(const TPtsImg& pixels, ImageSize size) {
  return !pixels.Empty() && size.width >= 0 && size.height >= 0 &&
         pixels.Length() >= size.PixelCount();
}

}  // namespace molvane
