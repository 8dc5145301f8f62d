// The region fill engine: breadth-first growth from a seed, gradient, transparency, lightness, noise.
#include "tools/region_fill.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "colour/colour.h"
#include "colour/cpu_features.h"
#include "colour/extended_math.h"
#include "colour/random.h"
#include "platform/row_pool.h"
#include "tools/reference_paths.h"
#include "tools/region_fill_growth.h"
#include "tools/region_fill_mask.h"
#include "tools/region_fill_paint.h"

namespace molvane {

namespace {

// What both paths derive from the parameters.
struct FillSetup {
  const Pixel24* source;
  Pixel24* destination;
  int64_t width;
  int64_t count;  // width x height
  TRgbInts seedColour;
  TRgbInts colourF1;
  TRgbInts colourF2;
  ImagePoint pointF2;
  long double span;  // |F1 F2|; 0 when the points coincide
  int32_t noiseRange;  // N
  long double tolerance;
  long double transparency;  // T
  long double opacity;       // 1 - T
  long double lightnessFactor;
};

// The reference's growth: a visited flag per pixel and a list of every
// pixel that joined, grown in list order.
struct ReferenceGrowth {
  const FillSetup& fill;
  std::vector<bool> visited;
  std::vector<int32_t> workList;  // slot 0 unused, slot 1 the seed
  int64_t listCount;
};

bool WithinTolerance(const FillSetup& fill, const TRgbInts& c) {
  return fill.tolerance > (long double)std::abs(c.r - fill.seedColour.r) &&
         fill.tolerance > (long double)std::abs(c.g - fill.seedColour.g) &&
         fill.tolerance > (long double)std::abs(c.b - fill.seedColour.b);
}

int32_t Channel(const FillSetup& fill, int32_t f1, int32_t f2, int32_t own, long double r, int32_t offset) {
  const long double mixed =
      (f2 - r * (long double)(f2 - f1)) * fill.opacity + (long double)own * fill.transparency;
  // Far beyond F1 (a tiny span) the value may pass any integer: bounded
  // first, well beyond what an offset can bring back into 0..255 (NaN: 0).
  constexpr long double kBound = 1099511627776.0L;  // 2^40
  const long double bounded = !(mixed > -kBound) ? -kBound : (mixed > kBound ? kBound : mixed);
  const int64_t v = RoundHalfEven(bounded) + offset;
  return v < 0 ? 0 : (v > 255 ? 255 : int32_t(v));
}

// Examines the four neighbours of region pixel i, paints those that join and queues them.
void GrowFrom(ReferenceGrowth& growth, int64_t i) {
  const FillSetup& fill = growth.fill;
  // Every neighbour painted from i shares i's ratio.
  const int64_t px = i % fill.width;
  const int64_t py = i / fill.width;
  long double r = 0;
  if (fill.span > 0) {
    const long double dx = 0.6L * (long double)(fill.pointF2.x - px);
    // Squared as extended values: exact below 2^32, where an integer square may wrap.
    const long double dy = (long double)(fill.pointF2.y - py);
    r = std::sqrt(dx * dx + dy * dy) / fill.span;
  }
  const int64_t neighbours[4] = {i + 1, i - 1, i + fill.width, i - fill.width};
  for (int64_t n : neighbours) {
    if (n < 0 || n >= fill.count) continue;
    if (growth.visited[size_t(n)]) continue;
    const PixelColor packed = PixelToColor(fill.source[n]);
    TRgbInts c = UnpackPixelColor(packed);
    if (!WithinTolerance(fill, c)) continue;
    const int32_t offset = Random(fill.noiseRange) - fill.noiseRange / 2;
    if (fill.lightnessFactor != 1.0L) {
      THsl h = RgbToHsl(packed);
      h.l = h.l * fill.lightnessFactor;
      c = HslToRgb(h);
    }
    Pixel24& out = fill.destination[n];
    out.r = uint8_t(Channel(fill, fill.colourF1.r, fill.colourF2.r, c.r, r, offset));
    out.g = uint8_t(Channel(fill, fill.colourF1.g, fill.colourF2.g, c.g, r, offset));
    out.b = uint8_t(Channel(fill, fill.colourF1.b, fill.colourF2.b, c.b, r, offset));
    growth.visited[size_t(n)] = true;
    growth.workList[size_t(++growth.listCount)] = int32_t(n);
  }
}

// The fast path's pieces.

// The source colour of a region pixel after the lightness factor, cached by
// colour: a background holds few distinct colours, each converted once.
// Colours are placed by cubes of 4 x 4 x 4: a cube's 64 slots lie side by
// side, so the close colours of neighbouring pixels share a few cache lines
// of the table, and the cubes are spread over the table by a hash, so that
// colours far apart seldom take each other's slots.
class LightnessCache {
 public:
  explicit LightnessCache(long double factor)
      : factor_(factor), slots_(factor != 1.0L ? kSlots : 0) {}
  TRgbInts operator()(PixelColor packed) {
    const uint32_t cube = ((packed >> 2) & 0x3F3F3Fu) * 2654435761u >> (32 - kCubeBits);
    const uint32_t within = (packed >> 12 & 0x30) | (packed >> 6 & 0xC) | (packed & 3);
    Slot& slot = slots_[cube << 6 | within];
    if (slot.key != (packed | kFilled)) {
      THsl h = RgbToHsl(packed);
      h.l = h.l * factor_;
      slot.value = HslToRgb(h);
      slot.key = packed | kFilled;
    }
    return slot.value;
  }

 private:
  static constexpr int kCubeBits = 10;
  static constexpr size_t kSlots = size_t(64) << kCubeBits;
  static constexpr uint32_t kFilled = 1u << 24;
  struct Slot {
    uint32_t key = 0;
    TRgbInts value;
  };
  long double factor_;
  std::vector<Slot> slots_;
};

// The fast path, in three passes. Membership is decided for the whole image
// first, one bit a pixel, in a streaming pass split over the row pool; that
// bitmap (1.5 MB at 12 Mpx) stays in cache while the growth wanders over
// rows far apart, and a pixel's bit is cleared when it joins, so the same
// bit records the visit. The growth (region_fill_growth.h), the one pass
// bound to the reference's order, draws in that order and notes for each
// pixel that joins only which neighbour reached it (one byte) and its draw.
// The painting then runs row after row over those notes, split over the row
// pool, reading and writing the images in memory order.
class FastFill {
 public:
  FastFill(const FillSetup& fill, int32_t height)
      : fill_(fill),
        height_(height),
        joinable_(fill.count, fill.width),
        notes_(new uint8_t[size_t(fill.count)]) {
    if (fill.noiseRange > 256) wideOffsets_.reset(new int32_t[size_t(fill.count)]);
    else if (fill.noiseRange > kPackedDrawRange) offsets_.reset(new int8_t[size_t(fill.count)]);
    JoinRange range;
    const int32_t seed[3] = {fill.seedColour.b, fill.seedColour.g, fill.seedColour.r};
    for (int c = 0; c < 3; ++c) {
      // tolerance > |v - seed| holds on one interval around the seed's value.
      int v = seed[c];
      while (v > 0 && fill.tolerance > (long double)(seed[c] - (v - 1))) --v;
      range.low[c] = uint8_t(v);
      v = seed[c];
      while (v < 255 && fill.tolerance > (long double)((v + 1) - seed[c])) ++v;
      range.high[c] = uint8_t(v);
    }
    // The notes are cleared in the same pass: the first touch of their fresh
    // pages then costs the threads side by side, not the growth alone.
    SplitOverThreads(fill.count, 32, kParallelPixels, [&](int64_t begin, int64_t end) {
      MarkJoinable(fill.source + begin, end - begin, range, joinable_.Words() + begin / 32);
      std::memset(notes_.get() + begin, 0, size_t(end - begin));
    });
    // The gradient's squared distances, per column and per row, as GrowFrom forms them.
    if (fill.span > 0) {
      dxx_.resize(size_t(fill.width));
      dyy_.resize(size_t(height));
      for (int64_t x = 0; x < fill.width; ++x) {
        const long double dx = 0.6L * (long double)(fill.pointF2.x - x);
        dxx_[size_t(x)] = dx * dx;
      }
      for (int64_t y = 0; y < height; ++y) {
        const long double dy = (long double)(fill.pointF2.y - y);
        dyy_[size_t(y)] = dy * dy;
      }
    }
    dxxDouble_.assign(dxx_.begin(), dxx_.end());
    dyyDouble_.assign(dyy_.begin(), dyy_.end());
  }

  void Run(int64_t seedIndex) {
    GrowRegion(joinable_, ptrdiff_t(fill_.width), ptrdiff_t(seedIndex), fill_.noiseRange,
               GrowthNotes{notes_.get(), offsets_.get(), wideOffsets_.get()});
    // Each pixel's paint depends on its notes alone: rows split over threads.
    SplitOverThreads(height_, 1, kParallelPixels / fill_.width + 1,
                     [&](int64_t y0, int64_t y1) { PaintRows(y0, y1); });
  }

 private:
  // Paints the region pixels of rows y0..y1-1. Everything the loop needs is
  // held in locals: the byte stores could alias members and force them to
  // be read again. Each value is computed in double with a bound on how far
  // it may lie from the extended one, and rounded from the double when it
  // lies clearly away from a half.
  void PaintRows(int64_t y0, int64_t y1) const {
    LightnessCache lightness(fill_.lightnessFactor);
    const bool hasSpan = fill_.span > 0, scaled = fill_.lightnessFactor != 1.0L;
    const bool doubleExact = fill_.transparency > -1e6L && fill_.transparency < 1e6L && fill_.span < 1e12L;
    const double inverseSpan = hasSpan ? 1 / double(fill_.span) : 0;
    const double t = double(fill_.transparency), oneMinusT = double(fill_.opacity);
    const int32_t f1[3] = {fill_.colourF1.b, fill_.colourF1.g, fill_.colourF1.r};
    const int32_t f2[3] = {fill_.colourF2.b, fill_.colourF2.g, fill_.colourF2.r};
    const double deltaScale = 1 + std::fabs(oneMinusT);
    double delta[3], scale[3];
    for (int c = 0; c < 3; ++c) {
      delta[c] = f2[c] - f1[c];
      scale[c] = 1 + std::abs(f2[c]) * deltaScale;
    }
    const double* dxx = dxxDouble_.data();
    const double* dyy = dyyDouble_.data();
    const uint8_t* notes = notes_.get();
    const bool packedDraws = !offsets_ && !wideOffsets_;
    const ptrdiff_t width = ptrdiff_t(fill_.width);
    const ptrdiff_t step[5] = {0, -1, 1, -width, width};  // by ReachedFrom
    // Groups of four in AVX2 where the draws fit a byte; with a lightness
    // factor, each row's region colours are converted first into planes
    // that both paths read.
    const bool vector = CpuHasAvx2() && doubleExact && !wideOffsets_;
    std::vector<int32_t> planes(scaled ? size_t(3 * width) : 0);
    int32_t* const ownB = planes.data();
    int32_t* const ownG = ownB + (scaled ? width : 0);
    int32_t* const ownR = ownG + (scaled ? width : 0);
    const FillPaint four{fill_.source, scaled ? ownB : nullptr, fill_.destination, notes, packedDraws,
                         offsets_.get(), dxx, dyy, width,
                         ptrdiff_t(fill_.count), inverseSpan, t, oneMinusT, deltaScale,
                         {double(f2[0]), double(f2[1]), double(f2[2])},
                         {delta[0], delta[1], delta[2]}, {scale[0], scale[1], scale[2]}, kRelativeError};
    for (ptrdiff_t y = ptrdiff_t(y0); y < y1; ++y) {
      const Pixel24* source = fill_.source + y * width;
      Pixel24* destination = fill_.destination + y * width;
      const uint8_t* from = notes + y * width;
      if (scaled) {
        for (ptrdiff_t x = 0; x < width; ++x) {
          if (!from[x]) continue;
          const TRgbInts c = lightness(PixelToColor(source[x]));
          ownB[x] = c.b;
          ownG[x] = c.g;
          ownR[x] = c.r;
        }
      }
      for (ptrdiff_t x = 0; x < width; ++x) {
        // Outside the region a row is mostly zeros: skip them eight at a time.
        if (x + 8 <= width) {
          uint64_t eight;
          std::memcpy(&eight, from + x, 8);
          if (eight == 0) {
            x += 7;
            continue;
          }
        }
        if (!from[x]) continue;
        if (vector) {
          const ptrdiff_t stop = PaintRunAvx2(four, y, x, width);
          if (stop > x) {
            x = stop - 1;
            continue;
          }
        }
        // The parent, without a branch on the direction (which follows no pattern).
        const ptrdiff_t n = y * width + x;
        const ptrdiff_t parent = n + step[NoteParent(from[x])];
        const ptrdiff_t py = parent < n - x ? y - 1 : (parent >= n - x + width ? y + 1 : y);
        const ptrdiff_t px = parent - py * width;
        const double r = hasSpan ? std::sqrt(dxx[px] + dyy[py]) * inverseSpan : 0;
        const int32_t offset = packedDraws ? NoteDraw(from[x])
                               : offsets_  ? offsets_[size_t(n)]
                                           : wideOffsets_[size_t(n)];
        const int32_t own[3] = {scaled ? ownB[x] : source[x].b, scaled ? ownG[x] : source[x].g,
                                scaled ? ownR[x] : source[x].r};
        uint8_t out[3];
        for (int k = 0; k < 3; ++k) {
          const double term = double(own[k]) * t;
          const double v = (f2[k] - r * delta[k]) * oneMinusT + term;
          const double error = kRelativeError * (scale[k] + r * std::fabs(delta[k]) * deltaScale + std::fabs(term));
          const double nearest = (v + 0x1.8p52) - 0x1.8p52;  // to even, as the unit rounds
          const int64_t rounded = doubleExact && std::fabs(v) < 0x1p39 && 0.5 - std::fabs(v - nearest) > error
                                      ? int64_t(nearest)
                                      : RoundedExtended(py * width + px, k, own[k]);
          const int64_t value = rounded + offset;
          out[k] = uint8_t(value < 0 ? 0 : (value > 255 ? 255 : value));
        }
        destination[x] = Pixel24{out[0], out[1], out[2]};
      }
    }
  }

  // Round((F2 - r (F2 - F1)) (1 - T) + own T) of channel c for a child of
  // pixel i, in extended precision and bounded as Channel computes it: for
  // the rare value the double cannot round for certain.
  int64_t RoundedExtended(int64_t i, int c, int32_t own) const {
    long double r = 0;
    if (fill_.span > 0) {
      const int64_t py = i / fill_.width;
      r = std::sqrt(dxx_[size_t(i - py * fill_.width)] + dyy_[size_t(py)]) / fill_.span;
    }
    const int32_t f1[3] = {fill_.colourF1.b, fill_.colourF1.g, fill_.colourF1.r};
    const int32_t f2[3] = {fill_.colourF2.b, fill_.colourF2.g, fill_.colourF2.r};
    const long double mixed =
        ((long double)f2[c] - r * (long double)(f2[c] - f1[c])) * fill_.opacity +
        (long double)own * fill_.transparency;
    constexpr long double kBound = 1099511627776.0L;
    return RoundHalfEven(!(mixed > -kBound) ? -kBound : (mixed > kBound ? kBound : mixed));
  }

  // Far above the double's own error (2^-52 of the scale, a few times over)
  // and far below any half that decides a rounding.
  static constexpr double kRelativeError = 1e-9;
  const FillSetup& fill_;
  int64_t height_;
  RegionBitmap joinable_;
  std::unique_ptr<uint8_t[]> notes_;
  std::unique_ptr<int8_t[]> offsets_;
  std::unique_ptr<int32_t[]> wideOffsets_;
  std::vector<long double> dxx_, dyy_;
  std::vector<double> dxxDouble_, dyyDouble_;
};

// Everything both paths derive from the parameters; false when nothing can be painted.
bool SetUp(const Pixel24* source, Pixel24* destination, int32_t width, int32_t height,
           const FillParams& params, FillSetup& fill, int64_t& seedIndex) {
  if (!source || !destination || width <= 0 || height <= 0) return false;
  const int64_t count = int64_t(width) * height;
  // The work list holds 32-bit indices, as a pixel array's length is 32-bit.
  if (count > INT32_MAX - 2) return false;
  const ImagePoint seed = params.seedPoint;
  if (seed.x < 0 || seed.x >= width || seed.y < 0 || seed.y >= height) return false;
  if (!(params.tolerance > 0)) return false;  // nothing can join

  fill.source = source;
  fill.destination = destination;
  fill.width = width;
  fill.count = count;
  fill.transparency = params.transparency;
  fill.opacity = 1 - params.transparency;
  // Rounded half to even and kept within 0..2^30, so N div 2 and the draw fit.
  const long double noise = params.noiseAmplitude;
  fill.noiseRange = noise > 0 ? int32_t(RoundHalfEven(noise < 1073741824.0L ? noise : 1073741824.0L)) : 0;
  fill.tolerance = params.tolerance;
  fill.lightnessFactor = params.lightnessFactor;
  fill.pointF2 = params.pointF2;
  // Extended squares: points far apart cannot wrap the sum as 32-bit integers would.
  const long double sx = (long double)(int64_t(params.pointF2.x) - params.pointF1.x);
  const long double sy = (long double)(int64_t(params.pointF2.y) - params.pointF1.y);
  fill.span = std::sqrt(sx * sx + sy * sy);
  seedIndex = int64_t(seed.y) * width + seed.x;
  fill.seedColour = UnpackPixelColor(PixelToColor(source[seedIndex]));
  fill.colourF1 = UnpackTColor(params.colourF1);
  fill.colourF2 = UnpackTColor(params.colourF2);
  return true;
}

}  // namespace

void FillRegion(const Pixel24* source, Pixel24* destination, int32_t width, int32_t height,
                const FillParams& params) {
  if (kReferencePathsOnly) return FillRegionReference(source, destination, width, height, params);
  ExtendedPrecisionScope scope;
  FillSetup fill;
  int64_t seedIndex = 0;
  if (!SetUp(source, destination, width, height, params, fill, seedIndex)) return;
  FastFill(fill, height).Run(seedIndex);
}

void FillRegionReference(const Pixel24* source, Pixel24* destination, int32_t width,
                         int32_t height, const FillParams& params) {
  ExtendedPrecisionScope scope;
  FillSetup fill;
  int64_t seedIndex = 0;
  if (!SetUp(source, destination, width, height, params, fill, seedIndex)) return;
  ReferenceGrowth growth{fill, std::vector<bool>(size_t(fill.count), false),
                         std::vector<int32_t>(size_t(fill.count) + 2, 0), 1};
  growth.workList[1] = int32_t(seedIndex);

  GrowFrom(growth, seedIndex);
  for (int64_t k = 1; k < growth.listCount;) {
    ++k;
    GrowFrom(growth, growth.workList[size_t(k)]);
  }
}

}  // namespace molvane
