// The benchmarks' 12-megapixel photograph-like image: smooth colour gradients with sensor-like noise.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "bench_threads.h"
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

// The photograph as a subject in a centred ellipse (about 4.8 Mpx) in front
// of a plain backdrop: a slow light gradient with mild noise, the kind of
// background the region fill repaints (about 7.2 Mpx of it).
inline const std::vector<Pixel24>& PortraitOnBackdrop() {
  static const std::vector<Pixel24> image = [] {
    std::vector<Pixel24> pixels = Photograph();
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    auto channel = [&](float v) {
      v += noise(random);
      return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v + 0.5f);
    };
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        const float ex = (x - 2000.0f) / 1400.0f, ey = (y - 1500.0f) / 1100.0f;
        if (ex * ex + ey * ey <= 1.0f) continue;
        const float u = float(x) / kWidth, v = float(y) / kHeight;
        Pixel24& p = pixels[size_t(y) * kWidth + x];
        p.r = channel(150 + 20 * u);
        p.g = channel(170 + 15 * v);
        p.b = channel(195 - 10 * u);
      }
    }
    return pixels;
  }();
  return image;
}

}  // namespace molvane::bench
