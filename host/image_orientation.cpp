// Pixels turned and mirrored, tile by tile.
#include "host/image_orientation.h"

#include <algorithm>
#include <cstddef>

namespace molvane::host {
namespace {

// 64 x 64 pixels: a tile's source and destination (12 kB each) stay in the first-level cache.
constexpr int32_t kTile = 64;

// Where destination pixel (0, 0) is read, and how far the read moves for one
// step right (dx) and one step down (dy) in the destination.
struct Walk {
  ptrdiff_t origin;
  ptrdiff_t dx;
  ptrdiff_t dy;
};

Walk WalkOf(Turn turn, ptrdiff_t w, ptrdiff_t h) {
  switch (turn) {
    case Turn::kMirrorLeftRight: return {w - 1, -1, w};
    case Turn::kHalf: return {(h - 1) * w + w - 1, -1, -w};
    case Turn::kMirrorTopBottom: return {(h - 1) * w, 1, -w};
    case Turn::kTranspose: return {0, w, 1};
    case Turn::kRight: return {(h - 1) * w, -w, 1};
    case Turn::kTransverse: return {(h - 1) * w + w - 1, -w, -1};
    case Turn::kLeft: return {w - 1, w, -1};
    default: return {0, 1, w};
  }
}

}  // namespace

Turn TurnOfTag(uint32_t tag) { return tag >= 1 && tag <= 8 ? Turn(tag) : Turn::kNone; }

bool SwapsSides(Turn turn) { return uint16_t(turn) >= uint16_t(Turn::kTranspose); }

void TurnPixels(const Pixel24* source, int32_t width, int32_t height, Turn turn, Pixel24* target) {
  if (width <= 0 || height <= 0) return;
  const Walk walk = WalkOf(turn, width, height);
  const int32_t targetWidth = SwapsSides(turn) ? height : width;
  const int32_t targetHeight = SwapsSides(turn) ? width : height;
  for (int32_t top = 0; top < targetHeight; top += kTile) {
    const int32_t bottom = std::min(targetHeight, top + kTile);
    for (int32_t left = 0; left < targetWidth; left += kTile) {
      const int32_t right = std::min(targetWidth, left + kTile);
      for (int32_t y = top; y < bottom; ++y) {
        const Pixel24* from = source + walk.origin + left * walk.dx + y * walk.dy;
        Pixel24* to = target + ptrdiff_t(y) * targetWidth + left;
        for (int32_t x = left; x < right; ++x, from += walk.dx) *to++ = *from;
      }
    }
  }
}

Bitmap24 Turned(const Bitmap24& image, Turn turn) {
  Bitmap24 turned;
  turned.pixels.resize(image.pixels.size());
  turned.width = SwapsSides(turn) ? image.height : image.width;
  turned.height = SwapsSides(turn) ? image.width : image.height;
  TurnPixels(image.pixels.data(), image.width, image.height, turn, turned.pixels.data());
  return turned;
}

}  // namespace molvane::host
