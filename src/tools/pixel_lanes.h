// Sixteen 3-byte pixels to each 128-bit lane: each pixel's lightness, and per-pixel masks over its bytes, on any vector width.
//
// A block is 48 bytes, 16 pixels, loaded as three vectors; pixel n starts at
// byte 3n, so in vector k the pixel starts are the bytes j with
// (16 k + j) mod 3 = 0. Work that depends on a whole pixel is done at its
// start byte, borrowing the two following bytes from the next vector where a
// pixel straddles two, then spread back over the pixel's three bytes.
//
// The steps are written once over a lane set L: a vector type L::V and its
// operations (pixel_lanes_sse2.h, pixel_lanes_avx2.h). A 256-bit vector holds
// two blocks, one to each 128-bit lane; the AVX2 byte moves stay within
// their lane, so every step below means the same for both widths. Besides
// the operations below, a lane set has LoadLanes and StoreLanes (lane h at
// p + 48 h: the same place in the next block), EachLane (16 bytes in every
// lane), and, within each lane, L::Following<n>(x, next), whose byte j is
// byte j + n of the 32 bytes (x, next), and L::Preceding<n>(x, previous),
// whose byte j is byte j - n of (previous, x). L::WeighLow8(x, y, w) gives
// in 16-bit lanes x[i] w0 + y[i] w1 for the low 8 bytes i of each lane
// (WeighHigh8 the high 8), where w holds w0 | w1 << 8 in every 16-bit lane,
// each weight 0..127 and each sum below 2^15. L::StoreWidened32(p, a, b, c,
// d) stores the four vectors of 32-bit values that one vector of bytes
// widens into (low half of the low half of each lane, then its high half,
// then the same of the high half) with value k at p[k] for byte k;
// L::StoreSaturated8(p, a, b, c, d) stores the 32-bit values of a, b, c, d,
// in that order, as bytes clamped to 0..255.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

// The operations of a lane set whose intrinsics differ between the widths
// only by their prefix (mm: _mm or _mm256) and vector suffix (si: si128 or
// si256), written once for both; V is the lane set's vector type.
#define MOLVANE_LANE_OPERATIONS(mm, si)                                                   \
  static V Load(const void* p) { return mm##_loadu_##si(static_cast<const V*>(p)); }     \
  static void Store(void* p, V v) { mm##_storeu_##si(static_cast<V*>(p), v); }           \
  static V Zero() { return mm##_setzero_##si(); }                                          \
  static V Set8(uint8_t v) { return mm##_set1_epi8(char(v)); }                             \
  static V Set16(uint16_t v) { return mm##_set1_epi16(short(v)); }                         \
  static V Or(V a, V b) { return mm##_or_##si(a, b); }                                     \
  static V And(V a, V b) { return mm##_and_##si(a, b); }                                   \
  static V AndNot(V a, V b) { return mm##_andnot_##si(a, b); }                             \
  static V Xor(V a, V b) { return mm##_xor_##si(a, b); }                                   \
  static V Eq8(V a, V b) { return mm##_cmpeq_epi8(a, b); }                                 \
  static V Max8(V a, V b) { return mm##_max_epu8(a, b); }                                  \
  static V Min8(V a, V b) { return mm##_min_epu8(a, b); }                                  \
  static V Avg8(V a, V b) { return mm##_avg_epu8(a, b); }                                  \
  static V Sub8(V a, V b) { return mm##_sub_epi8(a, b); }                                  \
  static V SubSat8(V a, V b) { return mm##_subs_epu8(a, b); }                              \
  /* Widening and narrowing work within each 128-bit lane: they undo each other. */       \
  static V WidenLow8(V a) { return mm##_unpacklo_epi8(a, Zero()); }                        \
  static V WidenHigh8(V a) { return mm##_unpackhi_epi8(a, Zero()); }                       \
  static V NarrowSat16(V low, V high) { return mm##_packus_epi16(low, high); }             \
  static V Add16(V a, V b) { return mm##_add_epi16(a, b); }                                \
  /* Signed 16-bit values to 32 bits, from the low or high half of each lane. */           \
  static V WidenSignedLow16(V a) { return mm##_srai_epi32(mm##_unpacklo_epi16(a, a), 16); } \
  static V WidenSignedHigh16(V a) { return mm##_srai_epi32(mm##_unpackhi_epi16(a, a), 16); } \
  static V Set32(int32_t v) { return mm##_set1_epi32(v); }                                 \
  static V Add32(V a, V b) { return mm##_add_epi32(a, b); }                                \
  /* Bytes of a and b alternating, from the low or high half of each lane. */             \
  static V InterleaveLow8(V a, V b) { return mm##_unpacklo_epi8(a, b); }                   \
  static V InterleaveHigh8(V a, V b) { return mm##_unpackhi_epi8(a, b); }                  \
  /* Pairs of 16-bit products summed into 32-bit lanes. */                                 \
  static V MulAddPairs16(V a, V b) { return mm##_madd_epi16(a, b); }                       \
  /* Each 32-bit value as a float, divided by d, rounded as the unit rounds (to even). */  \
  static V DivideRounded32(V a, float d) {                                                 \
    return mm##_cvtps_epi32(mm##_div_ps(mm##_cvtepi32_ps(a), mm##_set1_ps(d)));           \
  }                                                                                        \
  static V MulLow16(V a, V b) { return mm##_mullo_epi16(a, b); }                           \
  static V MulHigh16(V a, V b) { return mm##_mulhi_epu16(a, b); }                          \
  template <int n> static V ShiftRight16(V a) { return mm##_srli_epi16(a, n); }

namespace molvane::lanes {

template <class L>
using Vector = typename L::V;

// The kBlocks blocks from p, vector k holding their bytes 16 k to 16 k + 15.
template <class L>
inline void LoadBlocks(const Pixel24* p, Vector<L> v[3]) {
  for (int k = 0; k < 3; ++k) v[k] = L::LoadLanes(reinterpret_cast<const uint8_t*>(p) + 16 * k);
}
template <class L>
inline void StoreBlocks(Pixel24* p, const Vector<L> v[3]) {
  for (int k = 0; k < 3; ++k) L::StoreLanes(reinterpret_cast<uint8_t*>(p) + 16 * k, v[k]);
}

// floor((a + b) / 2) per byte: the rounding-up average minus the lost half.
template <class L>
inline Vector<L> HalfSum(Vector<L> a, Vector<L> b) {
  return L::Sub8(L::Avg8(a, b), L::And(L::Xor(a, b), L::Set8(1)));
}

// 0xFF at the pixel starts of each vector of a block, 0 elsewhere.
template <class L>
class PixelStarts {
 public:
  PixelStarts() {
    for (int k = 0; k < 3; ++k) {
      uint8_t starts[16];
      for (int j = 0; j < 16; ++j) starts[j] = (16 * k + j) % 3 == 0 ? 0xFF : 0x00;
      mask[k] = L::EachLane(starts);
    }
  }
  Vector<L> mask[3];
};

// At each pixel start of the block, (max + min) div 2 of the pixel's three
// bytes: TripletLightness. Other bytes of `lightness` are meaningless.
template <class L>
inline void LightnessAtStarts(const Vector<L> bytes[3], Vector<L> lightness[3]) {
  const Vector<L> following[3] = {bytes[1], bytes[2], L::Zero()};
  for (int k = 0; k < 3; ++k) {
    const Vector<L> x = bytes[k];
    const Vector<L> x1 = L::template Following<1>(x, following[k]);
    const Vector<L> x2 = L::template Following<2>(x, following[k]);
    const Vector<L> hi = L::Max8(x, L::Max8(x1, x2));
    const Vector<L> lo = L::Min8(x, L::Min8(x1, x2));
    lightness[k] = HalfSum<L>(hi, lo);
  }
}

// A mask that is set only at pixel starts, copied onto each pixel's other two
// bytes (which may lie in the next vector).
template <class L>
inline void SpreadFromStarts(const Vector<L> atStarts[3], Vector<L> spread[3]) {
  Vector<L> previous = L::Zero();
  for (int k = 0; k < 3; ++k) {
    const Vector<L> m = atStarts[k];
    spread[k] = L::Or(m, L::Or(L::template Preceding<1>(m, previous), L::template Preceding<2>(m, previous)));
    previous = m;
  }
}

// 0xFF in the bytes where x is 0.
template <class L>
inline Vector<L> IsZero(Vector<L> x) {
  return L::Eq8(x, L::Zero());
}

}  // namespace molvane::lanes
