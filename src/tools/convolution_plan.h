// The convolution's fast-path plan: the non-zero weights as byte offsets, their bounds, and the plain per-byte sum.
//
// Byte c of pixel n sits at 3n + c, so neighbour n of pixel j is byte
// i + 3 (n - j) of output byte i = 3j + c, and n < 0 or n > N - 1 exactly when
// that byte lies outside 0..3N - 1: the three channels become one stream of
// bytes filtered with the same offsets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/matrix_filter.h"

namespace molvane {

constexpr int kMaxTaps = 49;
constexpr int kMaxTapPairs = (kMaxTaps + 1) / 2;

// Which sums the vector kernels can form exactly.
enum class SumKind {
  Int16,        // 255 * sum |K| <= 32767: 16-bit lanes
  Int32,        // 255 * sum |K| < 2^31, every |K| <= 32767: pairs of 16-bit products
  Int32Scalar,  // 255 * sum |K| < 2^31, some |K| above 32767
  Int64Scalar,  // anything else: 64-bit sums and the extended division per byte
};

struct ConvolutionPlan {
  int taps = 0;
  int plusOnes = 0, minusOnes = 0;  // the first taps: weights +1, then -1
  ptrdiff_t offset[kMaxTaps];       // in bytes
  int64_t weight[kMaxTaps];         // negated when the divisor is negative
  int64_t bias = 0;                 // 128 * K of the weights that never meet a pixel
  int64_t bound = 0;                // 255 * sum |K|: no sum exceeds it in magnitude
  ptrdiff_t minOffset = 0, maxOffset = 0;
  SumKind kind = SumKind::Int16;
  // The taps two by two (a lone last one beside a weight 0 on its own
  // offset), for the kernels that multiply a pair of neighbours at once:
  // their offsets, their weights as two 16-bit halves (low: the first) and as
  // two signed bytes (low: the first; meaningful when every weight fits one).
  int pairs = 0;
  ptrdiff_t pairFirst[kMaxTapPairs], pairSecond[kMaxTapPairs];
  int32_t pairWords[kMaxTapPairs];
  int16_t pairBytes[kMaxTapPairs];
};

// The plan of the centred (2 radius + 1)^2 block of filter.Coeff on an image
// `width` pixels wide of `pixels` pixels, the weights negated when `negate`.
// A weight whose neighbour index j + dy * W + dx misses 0..N - 1 for every j
// (|dy * W + dx| >= N) always sees the grey 128: it becomes a constant in
// `bias`, which keeps every remaining offset below the buffer's size.
ConvolutionPlan MakeConvolutionPlan(const TMatrixFilter& filter, int32_t radius, int64_t width,
                                    int64_t pixels, bool negate);

// The sum of output byte i with the bounds test (128 outside the buffer's
// `bytes` bytes): the plain kernel, for the bytes near both ends of the image.
template <typename Sum>
inline Sum SumAt(const ConvolutionPlan& plan, const uint8_t* src, int64_t bytes, int64_t i) {
  Sum s = Sum(plan.bias);
  for (int t = 0; t < plan.taps; ++t) {
    const int64_t n = i + plan.offset[t];
    const int32_t v = (n < 0 || n >= bytes) ? 128 : src[n];
    s += Sum(plan.weight[t]) * v;
  }
  return s;
}

}  // namespace molvane
