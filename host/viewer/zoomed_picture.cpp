// Painting from a reduced copy kept per zoom level: block means once, nearest-neighbour at each paint.
#include "host/viewer/zoomed_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/row_pool.h"

namespace molvane::viewer {

DibPixels ReduceByBlocks(const DibPixels& image, int k) {
  DibPixels reduced;
  reduced.width = (image.width + k - 1) / k;
  reduced.height = (image.height + k - 1) / k;
  reduced.bytes.assign(reduced.Stride() * size_t(reduced.height), 0);
  const size_t stride = image.Stride(), channels = size_t(image.width) * 3;
  // The output rows split over the row pool: each depends on its own k rows alone.
  SplitOverThreads(reduced.height, 1, 2, [&](int64_t begin, int64_t end) {
    std::vector<uint32_t> columnSums(channels);
    for (int Y = int(begin); Y < int(end); ++Y) {
      // Rows counted from the top: a bottom-up DIB keeps row y at height - 1 - y.
      const int firstRow = Y * k, rows = std::min(k, image.height - firstRow);
      std::fill(columnSums.begin(), columnSums.end(), 0u);
      for (int y = firstRow; y < firstRow + rows; ++y) {
        const uint8_t* row = &image.bytes[size_t(image.height - 1 - y) * stride];
        for (size_t i = 0; i < channels; ++i) columnSums[i] += row[i];
      }
      uint8_t* out = &reduced.bytes[size_t(reduced.height - 1 - Y) * reduced.Stride()];
      for (int X = 0; X < reduced.width; ++X) {
        const int firstColumn = X * k, columns = std::min(k, image.width - firstColumn);
        const uint32_t count = uint32_t(rows * columns);
        for (int c = 0; c < 3; ++c) {
          uint32_t sum = 0;
          for (int x = firstColumn; x < firstColumn + columns; ++x) sum += columnSums[size_t(x) * 3 + size_t(c)];
          out[size_t(X) * 3 + size_t(c)] = uint8_t((sum + count / 2) / count);
        }
      }
    }
  });
  return reduced;
}

RECT StretchVisiblePart(HDC dc, const DibPixels& source, int k, SIZE imageSize, double zoom, POINT origin,
                        RECT visible) {
  // The visible pixels in the source's own pixels, each k image pixels wide.
  const int left = visible.left / k, top = visible.top / k;
  const int right = std::min(source.width, (int(visible.right) + k - 1) / k);
  const int bottom = std::min(source.height, (int(visible.bottom) + k - 1) / k);
  const double scale = zoom * k;
  // A last block narrower than k ends where the image ends.
  auto edge = [&](int sourceEdge, LONG imageSide, LONG start) {
    return start + LONG(std::floor(std::min(double(sourceEdge) * k, double(imageSide)) * zoom));
  };
  const RECT picture{origin.x + LONG(std::floor(left * scale)), origin.y + LONG(std::floor(top * scale)),
                     edge(right, imageSize.cx, origin.x), edge(bottom, imageSize.cy, origin.y)};
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = source.width;
  info.bmiHeader.biHeight = source.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, COLORONCOLOR);
  // A bottom-up bitmap counts its source rows from the bottom.
  StretchDIBits(dc, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top, left,
                source.height - bottom, right - left, bottom - top, source.bytes.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
  return picture;
}

RECT ZoomedPicture::Draw(HDC dc, const DibPixels& image, double zoom, POINT origin, RECT visible) {
  const int k = zoom < 0.5 ? std::max(1, int(std::floor(1 / zoom))) : 1;
  const DibPixels* source = &image;
  if (k > 1) {
    auto kept = std::find_if(reduced_.begin(), reduced_.end(), [k](const auto& copy) { return copy.first == k; });
    if (kept == reduced_.end()) {
      if (reduced_.size() == kKept) reduced_.pop_back();
      reduced_.insert(reduced_.begin(), {k, ReduceByBlocks(image, k)});
    } else {
      std::rotate(reduced_.begin(), kept, kept + 1);
    }
    source = &reduced_.front().second;
  }
  return StretchVisiblePart(dc, *source, k, SIZE{image.width, image.height}, zoom, origin, visible);
}

void ZoomedPicture::Forget() { reduced_.clear(); }

}  // namespace molvane::viewer
