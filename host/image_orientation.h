// The eight ways a picture can lie (quarter turns and mirrors), and the pixels turned upright.
//
// A turn is numbered as the Exif orientation tag (274) that asks for it:
// applying turn N to the stored pixels of a photograph tagged N shows it the
// right way up. Destination pixel (x, y) of a W x H source is:
//   1 (x, y)        2 (W-1-x, y)        3 (W-1-x, H-1-y)    4 (x, H-1-y)
//   5 (y, x)        6 (y, H-1-x)        7 (W-1-y, H-1-x)    8 (W-1-y, x)
// 5 to 8 swap the sides (the result is H x W); 6 is a quarter turn to the
// right, 8 one to the left. The copy walks the destination in square tiles,
// so that the column-wise reads of a quarter turn stay in the cache.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "host/bmp.h"

namespace molvane::host {

enum class Turn : uint16_t {
  kNone = 1,
  kMirrorLeftRight = 2,
  kHalf = 3,
  kMirrorTopBottom = 4,
  kTranspose = 5,
  kRight = 6,
  kTransverse = 7,
  kLeft = 8,
};

// A tag's value as a turn; kNone for anything but 1..8.
Turn TurnOfTag(uint32_t tag);
bool SwapsSides(Turn turn);

// `target` (the turned size: height x width when the turn swaps the sides)
// receives `source` (width x height) turned; the two must not overlap.
void TurnPixels(const Pixel24* source, int32_t width, int32_t height, Turn turn, Pixel24* target);

// The image turned; throws std::bad_alloc when its copy cannot be made.
Bitmap24 Turned(const Bitmap24& image, Turn turn);

}  // namespace molvane::host
