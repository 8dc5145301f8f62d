// Seeded random test images.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "colour/pixel.h"

namespace molvane::testing {

inline std::vector<Pixel24> RandomPixels(int64_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Pixel24> pixels(size_t(count > 0 ? count : 0));
  for (Pixel24& p : pixels) {
    uint32_t v = random();
    p = Pixel24{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
  }
  return pixels;
}

// The sizes that catch indexing faults: degenerate, odd, one past the preview.
inline const std::vector<std::pair<int32_t, int32_t>>& AwkwardSizes() {
  static const std::vector<std::pair<int32_t, int32_t>> sizes = {
      {1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3}, {3, 7}, {321, 1}, {1, 321}, {17, 5}, {64, 48}};
  return sizes;
}

}  // namespace molvane::testing
