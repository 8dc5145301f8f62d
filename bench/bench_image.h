// The benchmarks' 12-megapixel photograph-like image: smooth colour gradients with sensor-like noise.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "colour/pixel.h"

namespace molvane::bench {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 3000;
constexpr int64_t kPixels = int64_t(kWidth) * kHeight;

inline const std::vector<Pixel24>& Photograph() {
  static const std::vector<Pixel24> image = [] {
    std::vector<Pixel24> pixels(static_cast<size_t>(kPixels));
    std::mt19937 random(2024);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    auto channel = [&](float v) {
      v += noise(random);
      return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v + 0.5f);
    };
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        const float u = float(x) / kWidth, v = float(y) / kHeight;
        Pixel24& p = pixels[size_t(y) * kWidth + x];
        p.r = channel(40 + 180 * u * (1 - 0.5f * v));
        p.g = channel(30 + 150 * v);
        p.b = channel(200 - 160 * u * v);
      }
    }
    return pixels;
  }();
  return image;
}

}  // namespace molvane::bench
