// The gap's AVX2 kernel, beside its SSE2 kernel and its plain loop.
#pragma once

#include <cstdint>

namespace molvane {

// GapBlocksSse2 (comparison_sse2.h) on `runs` runs of 32 bytes, on a
// processor with AVX2 (colour/cpu_features.h).
void GapRunsAvx2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t runs, int32_t factor);

}  // namespace molvane
