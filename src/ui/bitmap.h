// A 24-bit bitmap with direct scan-line access, the picture format of every preview.
#pragma once

#include <cstdint>
#include <vector>

#include "colour/pixel.h"

namespace molvane::ui {

// Rows top first, each row `Width()` Pixel24 in bitmap byte order (blue,
// green, red), so a row of a pixel array is copied in byte for byte.
class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { SetSize(width, height); }
  // Resizes and clears to black; negative sizes count as 0.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  Pixel24* ScanLine(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
  const Pixel24* ScanLine(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel24> pixels_;
};

}  // namespace molvane::ui
