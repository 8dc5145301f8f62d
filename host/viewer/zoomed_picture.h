// The picture an image window paints, reduced once per zoom level below 50 % instead of stretched at each paint.
//
// At a zoom below 1/2 the window paints from a copy of the image reduced by
// an integer factor k = floor(1 / zoom): each of its pixels is the mean of a
// k x k block of the image (fewer at the right and bottom edges), each channel
// rounded half up; the rest of the way (a scale between 1/2 and 1) is
// nearest-neighbour. At 50 % and above the image itself is stretched,
// nearest-neighbour, as it always was.
//
// When an image is newly shown, the first paint below 50 % shows a quick
// picture (the top-left pixel of each block) and a low-priority thread makes
// the exact copy, then tells the window, which repaints from it: what is shown
// at rest is always the exact copy. After an edit the exact copy is made on
// the spot instead. The same thread then makes the copies of the
// factors given ahead (the zoom menu's steps), so that a zoom step finds its
// copy made; they stay until the pixels change (under a quarter of the image's bytes
// for factors 3 and above). A factor with no copy yet is reduced on the spot;
// the last few such copies are kept too.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "colour/pixel.h"

namespace molvane::viewer {

// Leaves the bytes a resize adds unwritten: a picture's are all written after
// it, and zeroing them first would touch each fresh page on one thread.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* place, Arguments&&... arguments) {
    ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
  }
};

// A bottom-up 24-bit DIB, rows padded to 4 bytes.
struct DibPixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t, UninitialisedAllocator<uint8_t>> bytes;
  size_t Stride() const { return (size_t(width) * 3 + 3) & ~size_t(3); }
};

// `dib` becomes the picture of `pixels` (width x height, rows from the top;
// null for black), its storage reused; the rows split over the row pool.
void CopyIntoDib(const Pixel24* pixels, int width, int height, DibPixels& dib);

// The reduction factor painted at `zoom` (1: the image itself).
int ReductionFactor(double zoom);

// The block means of `image` for a factor `k` >= 1 (see above).
DibPixels ReduceByBlocks(const DibPixels& image, int k);
// Stretches the pixels of `source` (the image reduced by `k`, or the image for
// k = 1) that show the image pixels `visible`, nearest-neighbour; returns the
// rectangle painted.
RECT StretchVisiblePart(HDC dc, const DibPixels& source, int k, SIZE imageSize, double zoom, POINT origin,
                        RECT visible);

class ZoomedPicture {
 public:
  // The message posted to the window (wParam: the factor) when a copy made
  // in the background is ready, lParam 1 with the last of them.
  static constexpr UINT kCopyReady = WM_APP + 0x4D0;
  explicit ZoomedPicture(std::vector<int> factorsAhead = {});
  // The window told of copies made in the background; without one, every copy is made on the spot.
  void PostReadyTo(HWND window) { window_ = window; }
  ~ZoomedPicture();
  ZoomedPicture(const ZoomedPicture&) = delete;
  ZoomedPicture& operator=(const ZoomedPicture&) = delete;

  // Paints the image pixels [left, right) x [top, bottom) of `image` at
  // `zoom`, the image's top-left corner at `origin`; returns the rectangle
  // painted. `image` must stay unchanged until Forget.
  RECT Draw(HDC dc, const DibPixels& image, double zoom, POINT origin, RECT visible);
  // The quick picture of pixels not yet copied into a bitmap (width x height,
  // rows from the top), where Draw would paint the exact one.
  RECT DrawQuick(HDC dc, const Pixel24* pixels, SIZE size, double zoom, POINT origin, RECT visible);
  // The pixels are about to change: stops the background thread, waits for
  // it, and forgets every copy.
  void Forget();
  // Whether a paint that finds no exact copy may show the quick picture
  // while the copy is made (until the next Forget), or makes it on the spot.
  void AllowQuickPicture(bool allowed) { quickAllowed_ = allowed; }
  // The last paint showed the quick picture, not yet replaced.
  bool ShowsQuickPicture() const { return quickShown_; }
  // The exact copy for factor `k` when it is made, else null.
  const DibPixels* ExactCopy(int k);

 private:
  struct Background;
  static DWORD WINAPI Work(void* self);
  void StartBackground(const DibPixels& image, int first);
  const DibPixels* MadeInBackground(int k);

  HWND window_ = nullptr;
  std::vector<int> factorsAhead_;
  // The most recently used first; a few at most, made on the spot.
  static constexpr size_t kKept = 3;
  std::vector<std::pair<int, DibPixels>> reduced_;
  std::pair<int, DibPixels> quick_;
  bool quickShown_ = false;
  bool quickAllowed_ = true;
  bool startedSinceForget_ = false;
  Background* background_ = nullptr;
};

}  // namespace molvane::viewer
