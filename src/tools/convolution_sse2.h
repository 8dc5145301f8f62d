// The convolution's SSE2 kernels, beside the plain sum of convolution_plan.h and the division of convolution_division.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/convolution_kernels.h"

namespace molvane {

// Sums and divisions of 16 output bytes per step.
extern const ConvolutionKernels kConvolutionSse2;

// The 16-bit sums for any weight, which the AVX2 kernels leave to SSE2.
void SumsInt16Sse2(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start, ptrdiff_t count,
                   int32_t* sums);

}  // namespace molvane
