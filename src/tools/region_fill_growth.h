// The region fill's breadth-first growth over a membership bitmap, noting each pixel's parent and draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace molvane {

// One bit a pixel (bit i & 31 of word i >> 5) with a margin of zero words
// of at least one row before pixel 0 and after the last pixel, so that the
// neighbours one row above the first row or below the last read as
// "cannot join" without a bounds test.
class RegionBitmap {
 public:
  RegionBitmap(int64_t count, int64_t width);
  uint32_t* Words() { return words_.get() + margin_; }  // the word of pixels 0..31

 private:
  int64_t margin_;
  std::unique_ptr<uint32_t[]> words_;
};

// Which neighbour reached a pixel: its parent is the pixel before it, after
// it, above it or below it on the linear index. 0: not in the region.
enum ReachedFrom : uint8_t { kNotReached, kFromBefore, kFromAfter, kFromAbove, kFromBelow };

// What the growth records per pixel, indexed by the linear index: a note
// of one byte, 0 for a pixel outside the region, else its ReachedFrom in
// the low three bits and, for a noise range of at most kPackedDrawRange
// (the background tool's is at most 25), its draw + 16 in the high five;
// one byte a pixel instead of two keeps the growth's writes on half the
// cache lines. Wider draws go to an array of their own.
constexpr int32_t kPackedDrawRange = 32;
struct GrowthNotes {
  uint8_t* notes;        // count bytes, zero on entry
  int8_t* offsets;       // the draws when the noise range is 33..256, else null
  int32_t* wideOffsets;  // the draws when it is above 256, else null
};
inline uint8_t NoteParent(uint8_t note) { return note & 7; }
inline int32_t NoteDraw(uint8_t note) { return (note >> 3) - 16; }

// Grows the region from `seed` breadth-first, visiting neighbours in the
// order right, left, below, above on the linear index, taking each pixel
// whose bit is set in `joinable` and clearing the bit as it joins. The seed
// is expanded first without joining; it joins later like any pixel if a
// neighbour reaches it. Each pixel that joins gets its note and, in join
// order, one draw Random(noiseRange) - noiseRange
// div 2 (none when noiseRange is 0): the same draws on the same pixels as
// the one-pixel-at-a-time rule. The pixel count plus two rows must fit a
// ptrdiff_t.
void GrowRegion(RegionBitmap& joinable, ptrdiff_t width, ptrdiff_t seed, int32_t noiseRange,
                const GrowthNotes& notes);

}  // namespace molvane
