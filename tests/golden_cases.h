// The golden table: tools, settings and synthetic images, each with the
// checksum of the bytes it must give. The native tests compute every case
// through the algorithms; the Windows tests again through the real DLL and
// its dialogs. One table, so that both builds are held to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "boundary/exports.h"
#include "colour/pixel.h"
#include "platform/row_pool.h"

namespace molvane::golden {

enum class Pattern { Ramp, Checkerboard, Noise };

// The tools' settings as a user makes them in the dialogs.
struct Settings {
  int threshold = 128;          // tool 6
  bool keepBelow = false;       // tool 6
  bool horizontal = false;      // tool 8
  int n1 = 0, n2 = 0;           // tool 8: offsets -127..128
  int m1 = 100, m2 = 100;       // tool 8: gain slider positions 0..200
  int filter = -1;              // tool 3: a built-in filter, by its index
  int factor = 1;               // tool 1: 1..10
  bool transparency = false;    // tool 7
  int rate = 50;                // tool 7: 0..100
  int prevalent = 0;            // tool 7: 0 none, 1, 2
  int low = 0, high = 255;      // tool 7
};

inline Settings Threshold(int threshold, bool keepBelow) {
  Settings s;
  s.threshold = threshold;
  s.keepBelow = keepBelow;
  return s;
}
inline Settings Gradient(bool horizontal, int n1, int n2, int m1, int m2) {
  Settings s;
  s.horizontal = horizontal;
  s.n1 = n1;
  s.n2 = n2;
  s.m1 = m1;
  s.m2 = m2;
  return s;
}
inline Settings Filter(int index) {
  Settings s;
  s.filter = index;
  return s;
}
inline Settings Factor(int factor) {
  Settings s;
  s.factor = factor;
  return s;
}
inline Settings Transparency(int rate, int prevalent, int low, int high) {
  Settings s;
  s.transparency = true;
  s.rate = rate;
  s.prevalent = prevalent;
  s.low = low;
  s.high = high;
  return s;
}

struct Case {
  const char* name;
  int32_t tool;
  Pattern pattern;
  int32_t width, height;
  uint32_t seed;
  Settings settings;
  uint32_t checksum;  // FNV-1a of the result's W x H pixels
};

// Above this size every full-image step splits over the row pool: the
// "-threaded" cases hold the threads' bytes (odd sides, so pieces end mid-row).
constexpr int32_t kThreadedWidth = 613, kThreadedHeight = 431;
static_assert(int64_t(kThreadedWidth) * kThreadedHeight >= kParallelPixels, "the threaded cases must reach the pool");

// Tools 1 and 7 take a second image: seeded noise of the same size, seed + 1.
// Tools 4 and 5 draw random numbers (one process-wide generator, and a
// clock-seeded one): their bytes are held by their own tests instead.
inline const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"reduction-ramp", MOLVANE_TOOL_NOISE_REDUCTION, Pattern::Ramp, 37, 23, 0, {}, 0x99571D08},
      {"reduction-noise", MOLVANE_TOOL_NOISE_REDUCTION, Pattern::Noise, 64, 48, 11, {}, 0xA42886ED},
      {"reduction-one-row", MOLVANE_TOOL_NOISE_REDUCTION, Pattern::Noise, 101, 1, 12, {}, 0x91B55584},
      {"reduction-checkerboard", MOLVANE_TOOL_NOISE_REDUCTION, Pattern::Checkerboard, 33, 17, 0, {}, 0xA5D4E840},
      {"seuillage-100-below", MOLVANE_TOOL_THRESHOLD, Pattern::Noise, 61, 29, 21, Threshold(100, true), 0x20555355},
      {"seuillage-200-above", MOLVANE_TOOL_THRESHOLD, Pattern::Ramp, 64, 64, 0, Threshold(200, false), 0xC7D918B9},
      {"seuillage-0-above", MOLVANE_TOOL_THRESHOLD, Pattern::Checkerboard, 9, 7, 0, Threshold(0, false), 0x80F7F195},
      {"degrade-vertical", MOLVANE_TOOL_GRADIENT, Pattern::Noise, 40, 31, 31, Gradient(false, -20, 20, 80, 120), 0x910EA4AA},
      {"degrade-horizontal", MOLVANE_TOOL_GRADIENT, Pattern::Ramp, 53, 19, 0, Gradient(true, -127, 128, 0, 200), 0x9702F590},
      {"degrade-one-column", MOLVANE_TOOL_GRADIENT, Pattern::Noise, 1, 45, 32, Gradient(true, 40, -40, 150, 50), 0xAB59C17E},
      {"filtres-lissage", MOLVANE_TOOL_MATRIX_FILTER, Pattern::Noise, 45, 33, 41, Filter(0), 0xD50DFB97},
      {"filtres-sobel", MOLVANE_TOOL_MATRIX_FILTER, Pattern::Ramp, 50, 20, 0, Filter(4), 0xA4979488},
      {"filtres-gauss", MOLVANE_TOOL_MATRIX_FILTER, Pattern::Checkerboard, 31, 29, 0, Filter(5), 0x24812B48},
      {"comparaison-1", MOLVANE_TOOL_COMPARISON, Pattern::Noise, 30, 20, 51, Factor(1), 0x3D56A0C0},
      {"comparaison-8", MOLVANE_TOOL_COMPARISON, Pattern::Ramp, 47, 13, 52, Factor(8), 0x70E0A678},
      {"fusionner-max", MOLVANE_TOOL_MERGE, Pattern::Noise, 35, 25, 61, {}, 0xBDAA9D76},
      {"fusionner-transparence", MOLVANE_TOOL_MERGE, Pattern::Ramp, 44, 18, 62, Transparency(30, 1, 60, 200), 0x02A1066E},
      {"fusionner-transparence-2", MOLVANE_TOOL_MERGE, Pattern::Checkerboard, 21, 21, 63, Transparency(85, 2, 0, 120), 0x00A6904E},
      {"reduction-threaded", MOLVANE_TOOL_NOISE_REDUCTION, Pattern::Noise, kThreadedWidth, kThreadedHeight, 71, {}, 0x08388F50},
      {"seuillage-threaded", MOLVANE_TOOL_THRESHOLD, Pattern::Noise, kThreadedWidth, kThreadedHeight, 72, Threshold(90, true), 0x4E72669D},
      {"degrade-vertical-threaded", MOLVANE_TOOL_GRADIENT, Pattern::Noise, kThreadedWidth, kThreadedHeight, 73, Gradient(false, -30, 41, 70, 190), 0xECF6D39A},
      {"degrade-horizontal-threaded", MOLVANE_TOOL_GRADIENT, Pattern::Ramp, kThreadedWidth, kThreadedHeight, 0, Gradient(true, 25, -60, 130, 40), 0x064FD56E},
      {"filtres-gauss-threaded", MOLVANE_TOOL_MATRIX_FILTER, Pattern::Noise, kThreadedWidth, kThreadedHeight, 74, Filter(5), 0xCCA87665},
      {"comparaison-threaded", MOLVANE_TOOL_COMPARISON, Pattern::Noise, kThreadedWidth, kThreadedHeight, 75, Factor(3), 0xD48B8D27},
      {"fusionner-threaded", MOLVANE_TOOL_MERGE, Pattern::Noise, kThreadedWidth, kThreadedHeight, 76, Transparency(37, 2, 50, 180), 0x80A9A1ED},
  };
  return cases;
}

// The same bytes on every build and every run.
inline std::vector<Pixel24> MakeImage(Pattern pattern, int32_t width, int32_t height, uint32_t seed) {
  std::vector<Pixel24> pixels(std::size_t(width) * std::size_t(height));
  uint32_t state = seed * 2654435761u + 12345u;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      Pixel24& p = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
      switch (pattern) {
        case Pattern::Ramp:
          p = Pixel24{uint8_t(x * 7 + y), uint8_t(x * 3 + y * 5), uint8_t(255 - x - y * 2)};
          break;
        case Pattern::Checkerboard:
          p = ((x / 4 + y / 4) % 2) ? Pixel24{230, 220, 200} : Pixel24{20, 40, 60};
          break;
        case Pattern::Noise:
          state = state * 1664525u + 1013904223u;
          p = Pixel24{uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8)};
          break;
      }
    }
  }
  return pixels;
}

// "name: expected X, actual Y", for a failure's message.
inline std::string Verdict(const Case& c, uint32_t actual) {
  char line[128];
  std::snprintf(line, sizeof line, "%s: expected %08X, actual %08X", c.name, unsigned(c.checksum),
                unsigned(actual));
  return line;
}

inline uint32_t Checksum(const Pixel24* pixels, int64_t count) {
  uint32_t hash = 2166136261u;
  const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
  for (int64_t i = 0; i < count * 3; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

}  // namespace molvane::golden
