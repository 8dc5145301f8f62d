// The convolution's AVX2 kernels, beside its SSE2 kernels and its plain sum.
#pragma once

#include "tools/convolution_kernels.h"

namespace molvane {

// Sums and divisions of 32 output bytes per step, on a processor with AVX2
// (colour/cpu_features.h); 16-bit sums whose weights do not all fit a signed
// byte go to the SSE2 kernel.
extern const ConvolutionKernels kConvolutionAvx2;

}  // namespace molvane
