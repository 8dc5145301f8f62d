// The convolution's vector kernels as one instruction set provides them: sums, then divisions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/convolution_division.h"
#include "tools/convolution_plan.h"

namespace molvane {

// sums[b] for the output bytes start + b, b < count (a multiple of the
// kernels' width), every neighbour inside the buffer.
using SumsKernel = void (*)(const ConvolutionPlan& plan, const uint8_t* src, ptrdiff_t start,
                            ptrdiff_t count, int32_t* sums);
// out[b] for sums[b], b < count (a multiple of the kernels' width), as
// convolution_division.h describes.
using DivideKernel = void (*)(Divider& divider, const int32_t* sums, ptrdiff_t count, uint8_t* out);

struct ConvolutionKernels {
  ptrdiff_t width;  // output bytes per vector step
  SumsKernel sumsInt16;           // 16-bit sums, every weight a signed byte
  SumsKernel sumsInt16AnyWeight;  // 16-bit sums, any weight
  SumsKernel sumsInt32;           // 32-bit sums, every weight within 16 bits
  DivideKernel divideFloat, divideDouble;
};

}  // namespace molvane
