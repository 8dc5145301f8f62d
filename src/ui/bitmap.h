// A 24-bit bitmap with direct scan-line access, the picture format of every preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour/pixel.h"

namespace molvane::ui {

// Rows top first, each row Width() Pixel24 in bitmap byte order (blue, green,
// red), so a row of a pixel array is copied in byte for byte. Rows start on
// 4-byte boundaries as in a device-independent bitmap, so a backend can hand
// the bytes to the system as they are.
class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { SetSize(width, height); }
  // Resizes and clears to black; negative sizes count as 0.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  Pixel24* ScanLine(int y) { return reinterpret_cast<Pixel24*>(bytes_.data() + RowOffset(y)); }
  const Pixel24* ScanLine(int y) const {
    return reinterpret_cast<const Pixel24*>(bytes_.data() + RowOffset(y));
  }
  const uint8_t* Bytes() const { return bytes_.data(); }

 private:
  size_t RowOffset(int y) const { return size_t(y) * size_t(stride_); }
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<uint8_t> bytes_;
};

}  // namespace molvane::ui
