// The gradient compensation's line ramps and pixel loops.
#include "tools/gradient.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "colour/extended_math.h"
#include "platform/row_pool.h"
#include "tools/gradient_vector.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

const Pixel24* Row(const Pixel24* base, ptrdiff_t stride, int32_t y) {
  return reinterpret_cast<const Pixel24*>(reinterpret_cast<const uint8_t*>(base) + stride * y);
}
Pixel24* Row(Pixel24* base, ptrdiff_t stride, int32_t y) {
  return reinterpret_cast<Pixel24*>(reinterpret_cast<uint8_t*>(base) + stride * y);
}

uint8_t Correct(uint8_t v, long double gain, int32_t offset) {
  return uint8_t(RoundClamp((long double)v * gain + (long double)offset, 0, 255));
}

// The byte map of one line: table[v] = Correct(v) for its offset and gain.
void BuildLineTable(const GradientParams& params, int32_t t, int32_t lines, uint8_t table[256]) {
  const long double gain = LineGain(params, t, lines);
  const int32_t offset = LineOffset(params, t, lines);
  for (int v = 0; v < 256; ++v) table[v] = Correct(uint8_t(v), gain, offset);
}

// Columns are handled in blocks so the tables stay within 1 MB for any width.
constexpr int32_t kColumnBlock = 4096;

// The 256 byte values in order.
struct ByteRamp {
  uint8_t v[256];
  ByteRamp() {
    for (int k = 0; k < 256; ++k) v[k] = uint8_t(k);
  }
};

// True when the vector line's single-precision formula gives Correct's byte
// for every v. Checked in double, whose error (about 10^-13 here) is far
// below the 10^-9 margin kept from every half, so a value the double puts
// clearly on one side of a half is on that side in extended precision too.
// Every row asks this, so the 256 values go two to a vector of doubles, the
// tests gathered into one mask rather than a branch each.
bool SingleFormulaHolds(long double gain, int32_t offset) {
  static const ByteRamp ramp;
  uint8_t vector[256];
  MapAffine(ramp.v, vector, 256, float(gain), float(offset));
  const __m128d g = _mm_set1_pd(double(gain)), o = _mm_set1_pd(double(offset));
  const __m128d round = _mm_set1_pd(0x1.8p52), range = _mm_set1_pd(1e9), margin = _mm_set1_pd(0.5 - 1e-9);
  const __m128d sign = _mm_set1_pd(-0.0), zero = _mm_setzero_pd(), top = _mm_set1_pd(255);
  // x = v g + o, its nearest integer (to even, as the unit rounds), and that
  // clamped to a byte; each of them exact, as one value at a time would be.
  auto holds = [&](__m128d v, __m128d given) {
    const __m128d x = _mm_add_pd(_mm_mul_pd(v, g), o);
    const __m128d nearest = _mm_sub_pd(_mm_add_pd(x, round), round);
    const __m128d exact = _mm_min_pd(_mm_max_pd(nearest, zero), top);
    const __m128d inRange = _mm_cmplt_pd(_mm_andnot_pd(sign, x), range);
    const __m128d clearOfHalves = _mm_cmplt_pd(_mm_andnot_pd(sign, _mm_sub_pd(x, nearest)), margin);
    return _mm_and_pd(_mm_and_pd(inRange, clearOfHalves), _mm_cmpeq_pd(exact, given));
  };
  __m128d all = _mm_cmpeq_pd(zero, zero);
  __m128d v = _mm_set_pd(1, 0);
  const __m128d two = _mm_set1_pd(2);
  for (int k = 0; k < 256; k += 4) {
    int32_t four;
    std::memcpy(&four, vector + k, 4);
    const __m128i bytes = _mm_cvtsi32_si128(four), none = _mm_setzero_si128();
    const __m128i ints = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, none), none);
    all = _mm_and_pd(all, holds(v, _mm_cvtepi32_pd(ints)));
    v = _mm_add_pd(v, two);
    all = _mm_and_pd(all, holds(v, _mm_cvtepi32_pd(_mm_srli_si128(ints, 8))));
    v = _mm_add_pd(v, two);
  }
  return _mm_movemask_pd(all) == 3;
}

void MapBytes(const uint8_t* table, const Pixel24* in, Pixel24* out, int32_t count) {
  for (int32_t x = 0; x < count; ++x)
    out[x] = Pixel24{table[in[x].b], table[in[x].g], table[in[x].r]};
}


}  // namespace

int32_t LineOffset(const GradientParams& params, int32_t t, int32_t lines) {
  ExtendedPrecisionScope extended;
  if (lines <= 1) return params.offsetN1;
  const int32_t product = int32_t(uint32_t(params.offsetN2 - params.offsetN1) * uint32_t(t));
  return int32_t(RoundHalfEven((long double)params.offsetN1 +
                               (long double)product / (long double)(lines - 1)));
}

long double LineGain(const GradientParams& params, int32_t t, int32_t lines) {
  ExtendedPrecisionScope extended;
  if (lines <= 1) return params.coefM1;
  return params.coefM1 + (params.coefM2 - params.coefM1) * (long double)t / (long double)(lines - 1);
}

void CompensateGradient(const Pixel24* in, ptrdiff_t inStride, Pixel24* out, ptrdiff_t outStride,
                        int32_t width, int32_t height, const GradientParams& params) {
  if (kReferencePathsOnly)
    return CompensateGradientReference(in, inStride, out, outStride, width, height, params);
  if (width <= 0 || height <= 0) return;
  const int64_t pixels = int64_t(width) * height;
  if (params.direction == GradientDirection::Vertical) {
    SplitOverThreads(height, 1, pixels >= kParallelPixels ? 0 : INT64_MAX, [&](int64_t y0, int64_t y1) {
      uint8_t table[256];
      for (int32_t y = int32_t(y0); y < y1; ++y) {
        const Pixel24* src = Row(in, inStride, y);
        Pixel24* dst = Row(out, outStride, y);
        const long double gain = LineGain(params, y, height);
        const int32_t offset = LineOffset(params, y, height);
        if (SingleFormulaHolds(gain, offset)) {
          MapAffine(reinterpret_cast<const uint8_t*>(src), reinterpret_cast<uint8_t*>(dst),
                    3 * int64_t(width), float(gain), float(offset));
        } else {
          BuildLineTable(params, y, height, table);
          MapBytes(table, src, dst, width);
        }
      }
    });
    return;
  }
  // One table per column (256 bytes each), built once per block of columns
  // and shared by every row; a row walks them in order. Blocks keep the
  // tables within 1 MB for any width.
  std::vector<uint8_t> tables(size_t(std::min(width, kColumnBlock)) * 256);
  const int64_t parallel = pixels >= kParallelPixels ? 0 : INT64_MAX;
  for (int32_t x0 = 0; x0 < width; x0 += kColumnBlock) {
    const int32_t columns = std::min(kColumnBlock, width - x0);
    SplitOverThreads(columns, 1, parallel, [&](int64_t c0, int64_t c1) {
      for (int64_t c = c0; c < c1; ++c)
        BuildLineTable(params, x0 + int32_t(c), width, &tables[size_t(c) * 256]);
    });
    SplitOverThreads(height, 1, parallel, [&](int64_t y0, int64_t y1) {
      for (int32_t y = int32_t(y0); y < y1; ++y) {
        const Pixel24* src = Row(in, inStride, y) + x0;
        Pixel24* dst = Row(out, outStride, y) + x0;
        const uint8_t* table = tables.data();
        for (int32_t c = 0; c < columns; ++c, table += 256)
          dst[c] = Pixel24{table[src[c].b], table[src[c].g], table[src[c].r]};
      }
    });
  }
}

void CompensateGradientReference(const Pixel24* in, ptrdiff_t inStride, Pixel24* out,
                                 ptrdiff_t outStride, int32_t width, int32_t height,
                                 const GradientParams& params) {
  ExtendedPrecisionScope extended;
  const bool vertical = params.direction == GradientDirection::Vertical;
  const int32_t lines = vertical ? height : width;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t t = vertical ? y : x;
      const long double gain = LineGain(params, t, lines);
      const int32_t offset = LineOffset(params, t, lines);
      const Pixel24 p = Row(in, inStride, y)[x];
      Row(out, outStride, y)[x] = Pixel24{Correct(p.b, gain, offset), Correct(p.g, gain, offset),
                                          Correct(p.r, gain, offset)};
    }
  }
}

}  // namespace molvane
