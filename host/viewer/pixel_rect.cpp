// Rectangles of pixels copied out of an image and back in.
#include "host/viewer/pixel_rect.h"

#include <algorithm>
#include <cstring>

namespace molvane::viewer {

PixelRect ClippedTo(const PixelRect& rect, int32_t width, int32_t height) {
  const int64_t left = std::max<int64_t>(rect.x, 0), top = std::max<int64_t>(rect.y, 0);
  const int64_t right = std::min<int64_t>(int64_t(rect.x) + rect.width, width);
  const int64_t bottom = std::min<int64_t>(int64_t(rect.y) + rect.height, height);
  if (right <= left || bottom <= top) return PixelRect{};
  return PixelRect{int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
}

void CopyOut(const Pixel24* image, int32_t imageWidth, const PixelRect& rect, Pixel24* out) {
  for (int32_t row = 0; row < rect.height; ++row)
    std::memcpy(out + size_t(row) * size_t(rect.width),
                image + size_t(rect.y + row) * size_t(imageWidth) + size_t(rect.x), size_t(rect.width) * sizeof(Pixel24));
}

void CopyIn(const Pixel24* part, const PixelRect& rect, Pixel24* image, int32_t imageWidth) {
  for (int32_t row = 0; row < rect.height; ++row)
    std::memcpy(image + size_t(rect.y + row) * size_t(imageWidth) + size_t(rect.x),
                part + size_t(row) * size_t(rect.width), size_t(rect.width) * sizeof(Pixel24));
}

}  // namespace molvane::viewer
