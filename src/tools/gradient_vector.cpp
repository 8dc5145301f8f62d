// The gradient's vector line: lanes of single precision, packed back to bytes with saturation.
#include "tools/gradient_vector.h"

#include <immintrin.h>

#include "colour/cpu_features.h"

namespace molvane {

uint8_t AffineByte(uint8_t v, float gain, float offset) {
  const __m128 x = _mm_add_ss(_mm_mul_ss(_mm_set_ss(float(v)), _mm_set_ss(gain)), _mm_set_ss(offset));
  // The same conversion and saturation as the vector path: out of range gives INT32_MIN, then 0.
  const int32_t r = _mm_cvtss_si32(x);
  return uint8_t(r < 0 ? 0 : (r > 255 ? 255 : r));
}

void MapAffineSse2(const uint8_t* in, uint8_t* out, int64_t count, float gain, float offset) {
  const __m128 g = _mm_set1_ps(gain), o = _mm_set1_ps(offset);
  const __m128i zero = _mm_setzero_si128();
  auto lane = [&](__m128i four) { return _mm_cvtps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(four), g), o)); };
  int64_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
    const __m128i a = _mm_packs_epi32(lane(_mm_unpacklo_epi16(low, zero)), lane(_mm_unpackhi_epi16(low, zero)));
    const __m128i b = _mm_packs_epi32(lane(_mm_unpacklo_epi16(high, zero)), lane(_mm_unpackhi_epi16(high, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
  for (; i < count; ++i) out[i] = AffineByte(in[i], gain, offset);
}

namespace {

__attribute__((target("avx2"))) inline __m256i AffineLanes(__m256i eight, __m256 g, __m256 o) {
  return _mm256_cvtps_epi32(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(eight), g), o));
}

// Thirty-two bytes a step; packs work within each 128-bit half, so the
// unpacked quarters come back in order.
__attribute__((target("avx2"))) void MapAffineAvx2(const uint8_t* in, uint8_t* out, int64_t count,
                                                   float gain, float offset) {
  const __m256 g = _mm256_set1_ps(gain), o = _mm256_set1_ps(offset);
  const __m256i zero = _mm256_setzero_si256();
  int64_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    const __m256i low = _mm256_unpacklo_epi8(bytes, zero), high = _mm256_unpackhi_epi8(bytes, zero);
    const __m256i a = _mm256_packs_epi32(AffineLanes(_mm256_unpacklo_epi16(low, zero), g, o),
                                         AffineLanes(_mm256_unpackhi_epi16(low, zero), g, o));
    const __m256i b = _mm256_packs_epi32(AffineLanes(_mm256_unpacklo_epi16(high, zero), g, o),
                                         AffineLanes(_mm256_unpackhi_epi16(high, zero), g, o));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(a, b));
  }
  MapAffineSse2(in + i, out + i, count - i, gain, offset);
}

}  // namespace

void MapAffine(const uint8_t* in, uint8_t* out, int64_t count, float gain, float offset) {
  if (CpuHasAvx2()) MapAffineAvx2(in, out, count, gain, offset);
  else MapAffineSse2(in, out, count, gain, offset);
}

}  // namespace molvane
