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

// Convolution of a width x height image, rows top first, no padding, with the
// centred (2 * radius + 1)^2 block of filter.Coeff. `copy` is read, `image`
// written; they must not overlap. For every linear index j < N = W * H and each
// byte position c of a Pixel24:
//   sum = sum over dy, dx in -radius..radius with K = Coeff[3 + dx][3 + dy] != 0
//         (the grid applied transposed) of K * copy[n].c, n = j + dy * W + dx,
//         with 128 in place of copy[n].c when n < 0 or n > N - 1: a neighbour
//         past a left or right edge comes from the adjacent row, only the
//         ones before the first or after the last pixel are grey;
//   image[j].c = clamp(Round(sum / Divisor) + Offset, 0, 255): the quotient
//         in 80-bit precision, Round half to even, the clamp applied however
//         far outside v lies.
// Divisor 0 (+0 or -0): DivisionByZero, or InvalidOperation when the first
// pixel's red sum is 0 too; a NaN divisor or an encoding the x87 unit rejects
// (unnormal, pseudo-NaN, pseudo-infinity): InvalidOperation; nothing written.
// An infinite divisor gives quotient 0. A radius other than 1, 2, 3 or a size
// that is not positive writes nothing and returns Done. The x87 and SSE
// control words are set for the run and given back afterwards.
ConvolutionStatus Convolve(const TMatrixFilter& filter, int32_t radius, const Pixel24* copy,
                           Pixel24* image, int32_t width, int32_t height);

// The same, on a chosen implementation (tests and benchmarks).
ConvolutionStatus ConvolveUsing(ConvolutionPath path, const TMatrixFilter& filter,
                                int32_t radius, const Pixel24* copy, Pixel24* image,
                                int32_t width, int32_t height);

// The definition above computed literally, the yardstick of the fast paths:
// weights converted to extended reals once, per pixel three extended
// accumulators over the non-zero weights with the bounds test on n, one
// extended division per channel, errors detected at the first division.
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

// One quotient computed literally: Round of the extended quotient, the
// offset added, the clamp. Holds its own extended-precision scope.
uint8_t DivideSumReference(int64_t sum, long double divisor, int32_t offset);

}  // namespace convolution_detail
}  // namespace molvane
