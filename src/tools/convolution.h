// FltMatrix convolution: a 3 x 3, 5 x 5 or 7 x 7 integer matrix, a division, an offset, a clamp.
#pragma once

#include <cstdint>

#include "colour/pixel.h"
#include "tools/matrix_filter.h"

namespace molvane {

// How a run ended. The two errors are those the floating-point unit reports
// at the first division; when they happen no pixel has been written.
enum class ConvolutionStatus { Done, DivisionByZero, InvalidOperation };

// Which implementation runs: the fastest the processor offers (AVX2 when it
// has it, else SSE2), the SSE2 one, or the literal extended-precision loop.
// All three give the same bytes and the same status for every input.
enum class ConvolutionPath { Fastest, Sse2, Reference };

// Convolution of a width x height image (rows top first, no padding) by the
// centred (2 radius + 1)^2 block of filter.Coeff; `copy` is read, `image`
// written, and they must not overlap. For each j < N = W * H and each byte c
// of a Pixel24: sum = the sum over dy, dx in -radius..radius of K * copy[n].c,
// K = Coeff[3 + dx][3 + dy] (the grid transposed), zero K skipped, n = j +
// dy * W + dx, and 128 for copy[n].c when n < 0 or n > N - 1 (so neighbours
// past a side edge come from the adjacent row). image[j].c = Round(sum /
// Divisor) + Offset clamped to 0..255: an 80-bit quotient, halves to even.
// Divisor +-0: DivisionByZero, or InvalidOperation when pixel 0's red sum is
// 0; NaN or an encoding the x87 unit rejects: InvalidOperation; either way
// nothing is written. An infinite divisor gives 0. Radius not 1..3, or a size
// not positive: nothing written, Done. Convolve and ConvolveReference give the
// same status and bytes on every path; the caller's x87 and SSE control words
// are restored.
ConvolutionStatus Convolve(const TMatrixFilter& filter, int32_t radius, const Pixel24* copy,
                           Pixel24* image, int32_t width, int32_t height);

// The same, on a chosen implementation (tests and benchmarks).
ConvolutionStatus ConvolveUsing(ConvolutionPath path, const TMatrixFilter& filter, int32_t radius,
                                const Pixel24* copy, Pixel24* image, int32_t width, int32_t height);

// The definition above computed literally, the yardstick of the fast paths:
// the weights converted to extended reals once; per pixel three extended
// accumulators (red, green, blue) over the non-zero weights, each neighbour
// index tested against 0..N - 1; one extended division per channel, whose
// failure at the first pixel ends the run before anything is written.
ConvolutionStatus ConvolveReference(const TMatrixFilter& filter, int32_t radius,
                                    const Pixel24* copy, Pixel24* image, int32_t width,
                                    int32_t height);

namespace convolution_detail {

// The division step alone, exposed so that tests can run it over every sum a
// filter can reach. Divisor finite or infinite and not 0, |sum| <= bound <
// 2^31, every |sums[k]| <= bound. out[k] = clamp(Round(sums[k] / divisor) +
// offset, 0, 255) as the fast path computes it on `path`.
void DivideSums(ConvolutionPath path, long double divisor, int32_t offset, int64_t bound,
                const int32_t* sums, int64_t count, uint8_t* out);

}  // namespace convolution_detail
}  // namespace molvane
