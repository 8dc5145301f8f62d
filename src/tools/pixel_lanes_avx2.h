// The AVX2 lane set of pixel_lanes.h: two 16-pixel blocks to a 256-bit vector, one to each lane.
//
// Included only where `#pragma GCC target("avx2")` is in force (the *_avx2.cpp
// files): the templates of pixel_lanes.h and of the kernels are then compiled
// for AVX2 there, and are instantiated on this lane set alone, so no code of
// the SSE2 baseline takes its instructions.
#pragma once

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>

#include "tools/pixel_lanes.h"

namespace molvane {

struct Avx2Lanes {
  using V = __m256i;
  MOLVANE_LANE_OPERATIONS(_mm256, si256)
  static constexpr int kBlocks = 2;  // 16-pixel blocks to a vector

  static V LoadLanes(const uint8_t* p) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(p)), Load128(p + 48), 1);
  }
  static void StoreLanes(uint8_t* p, V v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 48), _mm256_extracti128_si256(v, 1));
  }
  static V EachLane(const uint8_t bytes[16]) { return _mm256_broadcastsi128_si256(Load128(bytes)); }
  // One byte alignment each, where SSE2 takes two shifts and an or.
  template <int n> static V Following(V x, V next) { return _mm256_alignr_epi8(next, x, n); }
  template <int n> static V Preceding(V x, V previous) { return _mm256_alignr_epi8(x, previous, 16 - n); }
  // The bytes of x and y interleaved, each pair's two products summed at once.
  static V WeighLow8(V x, V y, V w) { return _mm256_maddubs_epi16(_mm256_unpacklo_epi8(x, y), w); }
  static V WeighHigh8(V x, V y, V w) { return _mm256_maddubs_epi16(_mm256_unpackhi_epi8(x, y), w); }
  // Each lane holds a quarter of both halves' values: a is [0..3 | 16..19],
  // b [4..7 | 20..23], c [8..11 | 24..27], d [12..15 | 28..31].
  static void StoreWidened32(int32_t* p, V a, V b, V c, V d) {
    Store(p, _mm256_permute2x128_si256(a, b, 0x20));
    Store(p + 8, _mm256_permute2x128_si256(c, d, 0x20));
    Store(p + 16, _mm256_permute2x128_si256(a, b, 0x31));
    Store(p + 24, _mm256_permute2x128_si256(c, d, 0x31));
  }
  // The lane-wise packs leave 4-byte groups in the order 0 2 4 6 | 1 3 5 7.
  static void StoreSaturated8(uint8_t* p, V a, V b, V c, V d) {
    const V bytes = NarrowSat16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
    Store(p, _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
  }

 private:
  static __m128i Load128(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
};

}  // namespace molvane

#endif
