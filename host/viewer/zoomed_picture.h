// The picture an image window paints, reduced once per zoom level below 50 % instead of stretched at each paint.
//
// At a zoom below 1/2 the window paints from a copy of the image reduced by
// an integer factor k = floor(1 / zoom): each of its pixels is the mean of a
// k x k block of the image (fewer at the right and bottom edges), each channel
// rounded half up; the rest of the way (a scale between 1/2 and 1) is
// nearest-neighbour. At 50 % and above the image itself is stretched,
// nearest-neighbour, as it always was. A copy is made on the first paint at
// a new factor; the last few are kept, so that stepping back to a zoom seen
// before repaints at once, and all are forgotten when the pixels change.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace molvane::viewer {

// A bottom-up 24-bit DIB, rows padded to 4 bytes.
struct DibPixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;
  size_t Stride() const { return (size_t(width) * 3 + 3) & ~size_t(3); }
};

// The block means of `image` for a factor `k` >= 1 (see above).
DibPixels ReduceByBlocks(const DibPixels& image, int k);

// Stretches the pixels of `source` (the image reduced by `k`, or the image for
// k = 1) that show the image pixels `visible`, nearest-neighbour; returns the
// rectangle painted.
RECT StretchVisiblePart(HDC dc, const DibPixels& source, int k, SIZE imageSize, double zoom, POINT origin,
                        RECT visible);

class ZoomedPicture {
 public:
  // Paints the image pixels [left, right) x [top, bottom) of `image` at
  // `zoom`, the image's top-left corner at `origin`; returns the rectangle painted.
  RECT Draw(HDC dc, const DibPixels& image, double zoom, POINT origin, RECT visible);
  // The pixels changed: the reduced copy is made again when next needed.
  void Forget();

 private:
  // The most recently used first; a few at most (a third of the image's bytes at k = 2 and above in all).
  static constexpr size_t kKept = 3;
  std::vector<std::pair<int, DibPixels>> reduced_;
};

}  // namespace molvane::viewer
