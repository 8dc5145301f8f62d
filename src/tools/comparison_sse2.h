// The gap's SSE2 kernel, beside its plain loop in comparison.cpp.
#pragma once

#include <cstdint>

namespace molvane {

// |a - b| times |factor| (up to 128), clamped at 255, on `blocks` runs of
// 16 bytes.
void GapBlocksSse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t blocks, int32_t factor);

}  // namespace molvane
