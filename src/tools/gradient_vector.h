// The gradient's vector line: Round(v * gain + offset) in single precision, 16 or 32 bytes at a time.
#pragma once

#include <cstdint>

namespace molvane {

// The byte the vector line gives for v: float(v) * gain + offset rounded to
// nearest even by the unit, clamped to 0..255. A line may take the vector
// path only when this equals its exact table for all 256 values.
uint8_t AffineByte(uint8_t v, float gain, float offset);

// out[i] = AffineByte(in[i], gain, offset) for i in 0..count-1: in AVX2 where
// the processor has it, else in SSE2; both give the same bytes.
void MapAffine(const uint8_t* in, uint8_t* out, int64_t count, float gain, float offset);
void MapAffineSse2(const uint8_t* in, uint8_t* out, int64_t count, float gain, float offset);

}  // namespace molvane
