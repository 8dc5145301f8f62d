// The benchmarks' 12-megapixel photograph-like image: smooth colour gradients with sensor-like noise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "bench_threads.h"
#include "colour/pixel.h"

namespace molvane::bench {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 3000;
constexpr int64_t kPixels = int64_t(kWidth) * kHeight;

// A channel value with sensor-like noise of the given spread, rounded and clamped.
class NoisyChannel {
 public:
  NoisyChannel(uint32_t seed, float spread) : random_(seed), noise_(0.0f, spread) {}
  uint8_t operator()(float v) {
    v += noise_(random_);
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v + 0.5f);
  }

 private:
  std::mt19937 random_;
  std::normal_distribution<float> noise_;
};

inline const std::vector<Pixel24>& Photograph() {
  static const std::vector<Pixel24> image = [] {
    std::vector<Pixel24> pixels(static_cast<size_t>(kPixels));
    NoisyChannel channel(2024, 6.0f);
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
    NoisyChannel channel(7, 3.0f);
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

// The photograph against itself shifted by one pixel: gaps of every size,
// like two takes of one scene.
inline const std::vector<Pixel24>& ShiftedByOne() {
  static const std::vector<Pixel24> shifted = [] {
    const std::vector<Pixel24>& photo = Photograph();
    std::vector<Pixel24> out(photo.size());
    out[0] = photo[0];
    for (size_t i = 1; i < photo.size(); ++i) out[i] = photo[i - 1];
    return out;
  }();
  return shifted;
}

// The photograph upside down: the same size, other content under each pixel.
inline const std::vector<Pixel24>& UpsideDown() {
  static const std::vector<Pixel24> image = [] {
    std::vector<Pixel24> pixels = Photograph();
    for (int32_t y = 0; y < kHeight / 2; ++y)
      std::swap_ranges(pixels.begin() + int64_t(y) * kWidth, pixels.begin() + int64_t(y + 1) * kWidth,
                       pixels.begin() + int64_t(kHeight - 1 - y) * kWidth);
    return pixels;
  }();
  return image;
}

}  // namespace molvane::bench
