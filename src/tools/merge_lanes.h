// The merge's vector kernel, written once over a lane set (pixel_lanes.h) for its SSE2 and AVX2 builds.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/merge.h"
#include "tools/pixel_lanes.h"

namespace molvane::lanes {

// floor(n / 100) = (n * 20972) >> 21 for 0 <= n <= 25500: 20972 exceeds
// 2^21 / 100 by 0.48, which adds less than 0.006 to n / 100, while the
// fraction of n / 100 is at most 0.99. The merge tests check every (a, b, p).
constexpr uint16_t kDivideBy100Multiplier = 20972;
constexpr int kDivideBy100Shift = 21 - 16;

// MergePixel on runs of 16 L::kBlocks pixels, `rate` already within 0..100.
template <class L>
class MergeKernel {
 public:
  using V = Vector<L>;
  static constexpr int64_t kPixels = 16 * L::kBlocks;

  MergeKernel(const MergeParams& params, int32_t rate)
      : mode_(params.mode),
        prevalent_(params.prevalent),
        weights_(L::Set16(uint16_t((100 - rate) | rate << 8))),
        multiplier_(L::Set16(kDivideBy100Multiplier)) {
    // Lightness is 0..255: a band reaching past either end is cut there, and
    // one that holds no lightness at all is lo 255, hi 0.
    const int32_t low = params.low < 0 ? 0 : params.low, high = params.high > 255 ? 255 : params.high;
    const bool empty = low > 255 || high < 0 || low > high;
    low_ = L::Set8(uint8_t(empty ? 255 : low));
    high_ = L::Set8(uint8_t(empty ? 0 : high));
  }

  void Run(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t runs) const {
    if (mode_ == MergeMode::Transparency && prevalent_ != Prevalent::None)
      return RunWithBand(first, second, out, runs);
    // Without a band each byte is on its own: whole vectors in the bytes'
    // order, fewer loads and stores than a lane to each block.
    const auto* a = reinterpret_cast<const uint8_t*>(first);
    const auto* b = reinterpret_cast<const uint8_t*>(second);
    auto* dst = reinterpret_cast<uint8_t*>(out);
    constexpr int64_t kBytes = sizeof(V);
    const int64_t vectors = runs * 3;
    const bool maximum = mode_ == MergeMode::Maximum;
    for (int64_t n = 0; n < vectors; ++n, a += kBytes, b += kBytes, dst += kBytes) {
      const V x = L::Load(a), y = L::Load(b);
      L::Store(dst, maximum ? L::Max8(x, y) : Mix(x, y));
    }
  }

 private:
  void RunWithBand(const Pixel24* first, const Pixel24* second, Pixel24* out, int64_t runs) const {
    for (int64_t n = 0; n < runs; ++n, first += kPixels, second += kPixels, out += kPixels) {
      V x[3], y[3], result[3];
      LoadBlocks<L>(first, x);
      LoadBlocks<L>(second, y);
      for (int k = 0; k < 3; ++k) result[k] = Mix(x[k], y[k]);
      KeepOutsideBand(prevalent_ == Prevalent::First ? x : y, result);
      StoreBlocks<L>(out, result);
    }
  }

  // The bytes in two halves of 16-bit lanes; the numerator is at most 25500,
  // within the signed 16 bits of the weighed sums.
  V Mix(V x, V y) const {
    return L::NarrowSat16(DivideBy100(L::WeighLow8(x, y, weights_)), DivideBy100(L::WeighHigh8(x, y, weights_)));
  }
  V DivideBy100(V sum) const {
    return L::template ShiftRight16<kDivideBy100Shift>(L::MulHigh16(sum, multiplier_));
  }

  // Where the prevalent image's pixel lies outside the band, its bytes
  // replace the mix.
  void KeepOutsideBand(const V prevalent[3], V result[3]) const {
    V lightness[3], inside[3], spread[3];
    LightnessAtStarts<L>(prevalent, lightness);
    for (int k = 0; k < 3; ++k) {
      const V belowLow = L::SubSat8(low_, lightness[k]);    // 0 when L >= lo
      const V aboveHigh = L::SubSat8(lightness[k], high_);  // 0 when L <= hi
      inside[k] = L::And(IsZero<L>(L::Or(belowLow, aboveHigh)), starts_.mask[k]);
    }
    SpreadFromStarts<L>(inside, spread);
    for (int k = 0; k < 3; ++k)
      result[k] = L::Or(L::And(spread[k], result[k]), L::AndNot(spread[k], prevalent[k]));
  }

  MergeMode mode_;
  Prevalent prevalent_;
  V weights_;  // 100 - p for the first image, p for the second (pixel_lanes.h, WeighLow8)
  V multiplier_;
  V low_;
  V high_;
  PixelStarts<L> starts_;
};

}  // namespace molvane::lanes
