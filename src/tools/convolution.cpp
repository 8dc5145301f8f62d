// FltMatrix convolution: the literal extended-precision loop, and the fast path's driver (exact
// integer sums by the vector kernels, then the division step proved to round as the extended
// quotient does).
#include "tools/convolution.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "colour/colour.h"
#include "colour/cpu_features.h"
#include "colour/extended_math.h"
#include "platform/row_pool.h"
#include "tools/convolution_avx2.h"
#include "tools/convolution_division.h"
#include "tools/convolution_kernels.h"
#include "tools/convolution_plan.h"
#include "tools/convolution_sse2.h"
#include "tools/reference_paths.h"

namespace molvane {
namespace {

const ConvolutionKernels& KernelsFor(ConvolutionPath path) {
  return path == ConvolutionPath::Fastest && CpuHasAvx2() ? kConvolutionAvx2 : kConvolutionSse2;
}

// Output bytes per step: the 32-bit sums of one step stay in the L1 cache.
constexpr ptrdiff_t kChunk = 2048;

// Divides `count` sums; a last partial vector goes through a padded copy.
void DivideChunk(const ConvolutionKernels& kernels, Divider& divider, const int32_t* sums, ptrdiff_t count,
                 uint8_t* out) {
  const DivideKernel divide = divider.kind == DivideKind::Float ? kernels.divideFloat : kernels.divideDouble;
  const ptrdiff_t whole = count - count % kernels.width;
  if (whole > 0) divide(divider, sums, whole, out);
  if (whole == count) return;
  int32_t padded[32] = {};
  uint8_t bytes[32];
  std::memcpy(padded, sums + whole, size_t(count - whole) * sizeof(int32_t));
  divide(divider, padded, kernels.width, bytes);
  std::memcpy(out + whole, bytes, size_t(count - whole));
}

// The fast convolution: the same status and bytes as ConvolveReference. The
// divisor is classified from its bytes and the errors are found before any
// write (for a zero divisor, by the first pixel's red sum). The output bytes
// are then taken in steps of kChunk: their exact integer sums first, by the
// vector kernel where every neighbour lies inside the buffer and by SumAt,
// with the grey 128 outside, near both ends; then the division step turns
// the step's sums into bytes. Sums that may pass 2^31 skip both and take the
// extended division per byte. State: the plan, the divider and one step of
// sums on the stack (about 12 KB); nothing is allocated.
ConvolutionStatus ConvolveFast(const ConvolutionKernels& kernels, const TMatrixFilter& filter, int32_t radius,
                               const Pixel24* copy, Pixel24* image, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || radius < 1 || radius > 3) return ConvolutionStatus::Done;
  const int64_t pixels = int64_t(width) * height;
  if (pixels > int64_t(PTRDIFF_MAX / 3)) return ConvolutionStatus::Done;  // no such buffer
  const ptrdiff_t bytes = ptrdiff_t(3 * pixels);
  const uint8_t* src = reinterpret_cast<const uint8_t*>(copy);
  uint8_t* dst = reinterpret_cast<uint8_t*>(image);

  ExtendedPrecisionScope environment;
  const DivisorClass divisorClass = ClassifyDivisor(filter.DivisorBytes);
  if (divisorClass == DivisorClass::Invalid) return ConvolutionStatus::InvalidOperation;
  const long double divisor = filter.Divisor();
  const bool negative = divisorClass == DivisorClass::Usable && divisor < 0;
  const ConvolutionPlan plan = MakeConvolutionPlan(filter, radius, width, pixels, negative);
  if (divisorClass == DivisorClass::Zero) {
    // The first division is the first pixel's red channel, byte 2.
    return SumAt<int64_t>(plan, src, bytes, 2) == 0 ? ConvolutionStatus::InvalidOperation
                                                    : ConvolutionStatus::DivisionByZero;
  }
  const long double positive = negative ? -divisor : divisor;

  // Every output byte depends on the copy alone: the threads take pieces of
  // whole chunks, so each chunk is cut exactly as on one thread.
  if (plan.kind == SumKind::Int64Scalar) {
    SplitOverThreads(bytes, kChunk, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
      for (ptrdiff_t i = ptrdiff_t(b0); i < b1; ++i)
        dst[i] = QuotientToByte((long double)SumAt<int64_t>(plan, src, bytes, i) / positive,
                                filter.Offset);
    });
    return ConvolutionStatus::Done;
  }

  Divider divider;
  MakeDivider(divider, positive, filter.Offset, plan.bound);

  // One weight, on the byte itself (the user's grid as it opens, a plain
  // scaling): each output byte depends on its input byte alone, so the 256
  // answers go through the division step once and the image is mapped
  // through them; an identity is a copy.
  if (plan.taps == 1 && plan.offset[0] == 0) {
    int32_t sums[256];
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) sums[v] = int32_t(plan.bias + plan.weight[0] * v);
    Divider tableDivider = divider;
    DivideChunk(kernels, tableDivider, sums, 256, table);
    bool identity = src != dst;
    for (int v = 0; v < 256 && identity; ++v) identity = table[v] == v;
    SplitOverThreads(bytes, 64, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
      if (identity) std::memcpy(dst + b0, src + b0, size_t(b1 - b0));
      else for (int64_t i = b0; i < b1; ++i) dst[i] = table[src[i]];
    });
    return ConvolutionStatus::Done;
  }
  SumsKernel sumsKernel = nullptr;
  if (plan.kind == SumKind::Int16) {
    bool bytesFit = true;
    for (int t = 0; t < plan.taps; ++t)
      bytesFit = bytesFit && plan.weight[t] >= -128 && plan.weight[t] <= 127;
    sumsKernel = bytesFit ? kernels.sumsInt16 : kernels.sumsInt16AnyWeight;
  } else if (plan.kind == SumKind::Int32) {
    sumsKernel = kernels.sumsInt32;
  }
  // Output bytes whose every neighbour lies inside the buffer.
  const ptrdiff_t innerBegin = -plan.minOffset;
  const ptrdiff_t innerEnd = bytes - plan.maxOffset;

  SplitOverThreads(bytes, kChunk, 3 * kParallelPixels, [&](int64_t b0, int64_t b1) {
    Divider ownDivider = divider;  // its table of thresholds fills as it goes: one per thread
    int32_t sums[kChunk];
    for (ptrdiff_t c0 = ptrdiff_t(b0); c0 < b1; c0 += kChunk) {
      const ptrdiff_t c1 = b1 - c0 < kChunk ? ptrdiff_t(b1) : c0 + kChunk;
      ptrdiff_t i = c0;
      if (sumsKernel != nullptr) {
        for (; i < c1 && i < innerBegin; ++i) sums[i - c0] = SumAt<int32_t>(plan, src, bytes, i);
        const ptrdiff_t vectorEnd = c1 < innerEnd ? c1 : innerEnd;
        if (vectorEnd - i >= kernels.width) {
          const ptrdiff_t count = (vectorEnd - i) - (vectorEnd - i) % kernels.width;
          sumsKernel(plan, src, i, count, sums + (i - c0));
          i += count;
        }
      }
      for (; i < c1; ++i) sums[i - c0] = SumAt<int32_t>(plan, src, bytes, i);
      DivideChunk(kernels, ownDivider, sums, c1 - c0, dst + c0);
    }
  });
  return ConvolutionStatus::Done;
}

}  // namespace

ConvolutionStatus ConvolveReference(const TMatrixFilter& filter, int32_t radius,
                                    const Pixel24* copy, Pixel24* image, int32_t width,
                                    int32_t height) {
  if (width <= 0 || height <= 0) return ConvolutionStatus::Done;
  if (radius < 1 || radius > 3) return ConvolutionStatus::Done;
  const int64_t w = width;
  const int64_t pixelCount = w * height;
  ExtendedPrecisionScope environment;
  long double weight[7][7];  // [dy + 3][dx + 3]
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      weight[dy + 3][dx + 3] = (long double)filter.Coeff[3 + dx][3 + dy];
  const long double divisor = filter.Divisor();
  const int32_t offset = filter.Offset;
  for (int64_t j = 0; j < pixelCount; ++j) {
    long double sum[3] = {0, 0, 0};  // red, green, blue
    for (int dy = -radius; dy <= radius; ++dy) {
      for (int dx = -radius; dx <= radius; ++dx) {
        const long double k = weight[dy + 3][dx + 3];
        if (k == 0) continue;
        const int64_t n = j + dy * w + dx;
        const TRgbInts c = (n < 0 || n > pixelCount - 1) ? TRgbInts{128, 128, 128}
                                                       : UnpackPixelColor(PixelToColor(copy[n]));
        sum[0] += c.r * k;
        sum[1] += c.g * k;
        sum[2] += c.b * k;
      }
    }
    uint8_t v[3];
    for (int ch = 0; ch < 3; ++ch) {
      if (divisor == 0)
        return sum[ch] == 0 ? ConvolutionStatus::InvalidOperation
                            : ConvolutionStatus::DivisionByZero;
      const long double q = sum[ch] / divisor;
      if (std::isnan(q)) return ConvolutionStatus::InvalidOperation;
      v[ch] = QuotientToByte(q, offset);
    }
    image[j].r = v[0];
    image[j].g = v[1];
    image[j].b = v[2];
  }
  return ConvolutionStatus::Done;
}

ConvolutionStatus ConvolveUsing(ConvolutionPath path, const TMatrixFilter& filter, int32_t radius,
                                const Pixel24* copy, Pixel24* image, int32_t width,
                                int32_t height) {
  if (path == ConvolutionPath::Reference)
    return ConvolveReference(filter, radius, copy, image, width, height);
  return ConvolveFast(KernelsFor(path), filter, radius, copy, image, width, height);
}

ConvolutionStatus Convolve(const TMatrixFilter& filter, int32_t radius, const Pixel24* copy,
                           Pixel24* image, int32_t width, int32_t height) {
  if (kReferencePathsOnly) return ConvolveReference(filter, radius, copy, image, width, height);
  return ConvolveUsing(ConvolutionPath::Fastest, filter, radius, copy, image, width, height);
}

namespace convolution_detail {

void DivideSums(ConvolutionPath path, long double divisor, int32_t offset, int64_t bound,
                const int32_t* sums, int64_t count, uint8_t* out) {
  ExtendedPrecisionScope environment;
  if (path == ConvolutionPath::Reference) {
    for (int64_t k = 0; k < count; ++k)
      out[k] = QuotientToByte((long double)sums[k] / divisor, offset);
    return;
  }
  const bool negative = divisor < 0;
  Divider divider;
  MakeDivider(divider, negative ? -divisor : divisor, offset, bound);
  const ConvolutionKernels& kernels = KernelsFor(path);
  int32_t chunk[kChunk];
  for (int64_t c0 = 0; c0 < count; c0 += kChunk) {
    const ptrdiff_t n = ptrdiff_t(count - c0 < kChunk ? count - c0 : kChunk);
    for (ptrdiff_t k = 0; k < n; ++k) chunk[k] = negative ? -sums[c0 + k] : sums[c0 + k];
    DivideChunk(kernels, divider, chunk, n, out + c0);
  }
}

}  // namespace convolution_detail
}  // namespace molvane
