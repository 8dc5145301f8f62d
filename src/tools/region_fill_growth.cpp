// The region fill's breadth-first growth: a ring queue over the membership bits, hot state in registers.
#include "tools/region_fill_growth.h"

#include <cstring>

#include "colour/random.h"

namespace molvane {

RegionBitmap::RegionBitmap(int64_t count, int64_t width) : margin_((width + 31) / 32 + 1) {
  const int64_t words = (count + 31) / 32;
  words_.reset(new uint32_t[size_t(words + 2 * margin_)]);
  std::memset(words_.get(), 0, size_t(margin_) * sizeof(uint32_t));
  std::memset(words_.get() + margin_ + words, 0, size_t(margin_) * sizeof(uint32_t));
}

namespace {

// The breadth-first queue is a ring: only the pixels between the one being
// expanded and the last joined are ever held, a band a few rows long, so it
// stays in cache where a list of every pixel would not. It doubles when full.
// The walk keeps the ring's positions, the generator's state and every
// pointer in locals: the byte stores of the notes may alias anything in
// memory, and would make the compiler load a member again after each one.
// `note(pixel, from)` records what a pixel gets as it joins, its draw
// among them: in join order.
template <typename Note>
void Walk(uint32_t* bits, ptrdiff_t width, ptrdiff_t seed, Note note) {
  constexpr size_t kInitial = size_t(1) << 16;
  std::unique_ptr<int32_t[]> ring(new int32_t[kInitial]);
  int32_t* slots = ring.get();
  size_t mask = kInitial - 1, head = 0, tail = 0;  // positions count up and may wrap
  // The margins of `bits` stand in for the bounds tests; an arithmetic
  // shift finds their negative word indices.
  const auto visit = [&](ptrdiff_t n, uint8_t from) {
    uint32_t& word = bits[n >> 5];
    const uint32_t bit = uint32_t(1) << (n & 31);
    if (!(word & bit)) return;
    word &= ~bit;
    note(n, from);
    slots[tail++ & mask] = int32_t(n);
  };
  ptrdiff_t i = seed;
  for (;;) {
    if (tail - head + 4 > mask + 1) {
      std::unique_ptr<int32_t[]> bigger(new int32_t[2 * (mask + 1)]);
      const size_t biggerMask = 2 * mask + 1;
      for (size_t k = head; k != tail; ++k) bigger[k & biggerMask] = slots[k & mask];
      ring = std::move(bigger);
      slots = ring.get();
      mask = biggerMask;
    }
    visit(i + 1, kFromBefore);
    visit(i - 1, kFromAfter);
    visit(i + width, kFromAbove);
    visit(i - width, kFromBelow);
    if (head == tail) break;
    i = slots[head++ & mask];
  }
}

}  // namespace

void GrowRegion(RegionBitmap& joinable, ptrdiff_t width, ptrdiff_t seed, int32_t noiseRange,
                const GrowthNotes& notes) {
  uint32_t* bits = joinable.Words();
  const int32_t half = noiseRange / 2;
  RandomDraws draws;
  uint8_t* const packed = notes.notes;
  if (int8_t* offsets = notes.offsets) {
    Walk(bits, width, seed, [&](ptrdiff_t n, uint8_t from) {
      packed[n] = from;
      offsets[n] = int8_t(draws(noiseRange) - half);  // -128..127 for N <= 256
    });
  } else if (int32_t* offsets = notes.wideOffsets) {
    Walk(bits, width, seed, [&](ptrdiff_t n, uint8_t from) {
      packed[n] = from;
      offsets[n] = draws(noiseRange) - half;
    });
  } else if (noiseRange > 0) {
    Walk(bits, width, seed, [&](ptrdiff_t n, uint8_t from) {
      packed[n] = uint8_t(from | (draws(noiseRange) - half + 16) << 3);  // -16..15 for N <= 32
    });
  } else {
    Walk(bits, width, seed, [&](ptrdiff_t n, uint8_t from) { packed[n] = uint8_t(from | 16 << 3); });
  }
}

}  // namespace molvane
