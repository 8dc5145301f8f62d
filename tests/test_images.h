// Test images, native and through the real DLL alike: seeded random pixels, the awkward sizes, pixel arrays from and back to vectors.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "boundary/pixel_array.h"
#include "colour/pixel.h"

namespace molvane::testing {

// The same bytes for a seed on every run and in both builds (the generator is
// fixed by the standard).
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

// A pixel array holding `pixels`, allocated as the module allocates (the
// host's allocator, once the shared heap is joined).
inline TPtsImg MakeImage(const std::vector<Pixel24>& pixels) {
  TPtsImg image(int32_t(pixels.size()));
  if (!pixels.empty()) std::memcpy(image.Data(), pixels.data(), pixels.size() * sizeof(Pixel24));
  return image;
}

inline std::vector<Pixel24> PixelsOf(const TPtsImg& image) {
  return std::vector<Pixel24>(image.Data(), image.Data() + image.Length());
}

inline bool SameBytes(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Pixel24)) == 0);
}

}  // namespace molvane::testing
