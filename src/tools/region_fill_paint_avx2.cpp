// The region fill's painting, four pixels a step in AVX2.
#include "tools/region_fill_paint.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

namespace molvane {

__attribute__((target("avx2"))) ptrdiff_t PaintRunAvx2(const FillPaint& p, ptrdiff_t y, ptrdiff_t x,
                                                          ptrdiff_t end) {
  const ptrdiff_t w = p.width;
  const __m256d half = _mm256_set1_pd(0.5), bound = _mm256_set1_pd(0x1p39);
  const __m256d signless = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
  const __m256d inverseSpan = _mm256_set1_pd(p.inverseSpan), t = _mm256_set1_pd(p.t);
  const __m256d oneMinusT = _mm256_set1_pd(p.oneMinusT), deltaScale = _mm256_set1_pd(p.deltaScale);
  const __m256d relative = _mm256_set1_pd(p.relativeError);
  // The parent's offset on the linear index, by the note (1..4).
  const int32_t steps[5] = {0, -1, 1, -int32_t(w), int32_t(w)};
  const int32_t rowStart = int32_t(y * w);
  const uint8_t* from = p.notes + rowStart;
  for (; x + 4 <= end; x += 4) {
    uint32_t notes;
    std::memcpy(&notes, from + x, 4);
    // No zero byte: four region pixels.
    if (((notes - 0x01010101u) & ~notes & 0x80808080u) != 0) break;
    const __m128i note = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int32_t(notes)));
    const __m128i parentNote = _mm_and_si128(note, _mm_set1_epi32(7));
    const __m128i n = _mm_add_epi32(_mm_set1_epi32(rowStart + int32_t(x)), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i step = _mm_i32gather_epi32(steps, parentNote, 4);
    const __m128i parent = _mm_add_epi32(n, step);
    // The parent's row: this one, the one above or the one below.
    const __m128i start = _mm_set1_epi32(rowStart);
    const __m128i up = _mm_cmpgt_epi32(start, parent);
    const __m128i down = _mm_cmpgt_epi32(parent, _mm_set1_epi32(rowStart + int32_t(w) - 1));
    const __m128i py = _mm_sub_epi32(_mm_add_epi32(_mm_set1_epi32(int32_t(y)), _mm_and_si128(down, _mm_set1_epi32(1))),
                                     _mm_and_si128(up, _mm_set1_epi32(1)));
    const __m128i px = _mm_sub_epi32(parent, _mm_mullo_epi32(py, _mm_set1_epi32(int32_t(w))));
    __m256d r = _mm256_setzero_pd();
    if (p.inverseSpan != 0) {
      const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
      const __m256d squares = _mm256_add_pd(_mm256_mask_i32gather_pd(_mm256_setzero_pd(), p.dxx, px, all, 8),
                                            _mm256_mask_i32gather_pd(_mm256_setzero_pd(), p.dyy, py, all, 8));
      r = _mm256_mul_pd(_mm256_sqrt_pd(squares), inverseSpan);
    }
    __m128i offset = _mm_setzero_si128();
    if (p.packedDraws) {
      offset = _mm_sub_epi32(_mm_srli_epi32(note, 3), _mm_set1_epi32(16));
    } else if (p.offsets) {
      int32_t four;
      std::memcpy(&four, p.offsets + rowStart + x, 4);
      offset = _mm_cvtepi8_epi32(_mm_cvtsi32_si128(four));
    }
    // The four pixels' channels: 12 bytes, b g r in turn, read as 16 where
    // the image goes on for two more pixels (a copy through memory would
    // stall the load that follows it). Converted colours come from their planes.
    __m128i packed = _mm_setzero_si128();
    if (!p.ownPlanes) {
      const Pixel24* source = p.source + rowStart + x;
      if (rowStart + x + 6 <= p.count) {
        packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
      } else {
        uint8_t bytes[16] = {};
        std::memcpy(bytes, source, 12);
        packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
      }
    }
    __m128i channel[3];
    bool certain = true;
    for (int c = 0; c < 3; ++c) {
      const __m128i own =
          p.ownPlanes ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.ownPlanes + c * w + x))
                      : _mm_shuffle_epi8(packed, _mm_setr_epi8(char(c), -1, -1, -1, char(c + 3), -1, -1, -1,
                                                               char(c + 6), -1, -1, -1, char(c + 9), -1, -1, -1));
      const __m256d ownD = _mm256_cvtepi32_pd(own);
      const __m256d delta = _mm256_set1_pd(p.delta[c]);
      const __m256d term = _mm256_mul_pd(ownD, t);
      const __m256d v =
          _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_set1_pd(p.f2[c]), _mm256_mul_pd(r, delta)), oneMinusT), term);
      const __m256d error = _mm256_mul_pd(
          relative, _mm256_add_pd(_mm256_add_pd(_mm256_set1_pd(p.scale[c]),
                                                _mm256_mul_pd(_mm256_mul_pd(r, _mm256_and_pd(delta, signless)),
                                                              deltaScale)),
                                  _mm256_and_pd(term, signless)));
      const __m256d nearest = _mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
      const __m256d margin = _mm256_sub_pd(half, _mm256_and_pd(_mm256_sub_pd(v, nearest), signless));
      const __m256d safe = _mm256_and_pd(_mm256_cmp_pd(margin, error, _CMP_GT_OQ),
                                         _mm256_cmp_pd(_mm256_and_pd(v, signless), bound, _CMP_LT_OQ));
      if (_mm256_movemask_pd(safe) != 0xF) {
        certain = false;
        break;
      }
      // The rounded values lie within 2^39, the offsets within a byte: the
      // sum is clamped before it could leave 32 bits.
      const __m256d clampedLow = _mm256_max_pd(nearest, _mm256_set1_pd(-1024.0));
      const __m256d clamped = _mm256_min_pd(clampedLow, _mm256_set1_pd(1024.0));
      channel[c] = _mm_add_epi32(_mm256_cvtpd_epi32(clamped), offset);
    }
    if (!certain) break;
    // Each channel to 0..255, then the twelve bytes back in b g r order.
    const __m128i bg = _mm_packus_epi16(_mm_packs_epi32(channel[0], channel[1]), _mm_setzero_si128());
    const __m128i rr = _mm_packus_epi16(_mm_packs_epi32(channel[2], channel[2]), _mm_setzero_si128());
    const __m128i planes = _mm_unpacklo_epi64(bg, rr);  // b0..b3 g0..g3 r0..r3 r0..r3
    const __m128i pixels =
        _mm_shuffle_epi8(planes, _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
    auto* out = reinterpret_cast<uint8_t*>(p.destination + rowStart + x);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
    const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 8));
    std::memcpy(out + 8, &last, 4);
  }
  return x;
}

}  // namespace molvane

#endif
