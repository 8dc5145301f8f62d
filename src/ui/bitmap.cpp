// The 24-bit bitmap's storage.
#include "ui/bitmap.h"

namespace molvane::ui {

void Bitmap24::SetSize(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  stride_ = (width_ * 3 + 3) & ~3;
  bytes_.assign(size_t(stride_) * size_t(height_), 0);
}

}  // namespace molvane::ui
