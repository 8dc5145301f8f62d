// The region fill's membership bitmap, 16 pixels at a time in SSE2.
#include "tools/region_fill_mask.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace molvane {
namespace {

// Bits 0, 3, 6 and 9 of a 12-bit value gathered into bits 0..3.
struct EveryThirdBit {
  uint8_t table[4096] = {};
  constexpr EveryThirdBit() {
    for (int v = 0; v < 4096; ++v)
      table[v] = uint8_t((v & 1) | ((v >> 2) & 2) | ((v >> 4) & 4) | ((v >> 6) & 8));
  }
};
constexpr EveryThirdBit kEveryThird;

}  // namespace

// Each of the three 16-byte registers of a 16-pixel block holds bytes of all
// three channels in a rotating pattern, so each gets its own range registers.
// A byte is in range when both saturating differences are 0; a pixel when its
// three bytes are, which is bit 3k of m & m >> 1 & m >> 2.
void MarkJoinableWordsSse2(const Pixel24* pixels, int64_t words, const JoinRange& range,
                           uint32_t* bits) {
  __m128i low[3], high[3];
  for (int k = 0; k < 3; ++k) {
    alignas(16) uint8_t lo[16], hi[16];
    for (int j = 0; j < 16; ++j) {
      lo[j] = range.low[(16 * k + j) % 3];
      hi[j] = range.high[(16 * k + j) % 3];
    }
    low[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(lo));
    high[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(hi));
  }
  const __m128i zero = _mm_setzero_si128();
  const auto* src = reinterpret_cast<const __m128i*>(pixels);
  for (int64_t w = 0; w < words; ++w) {
    uint32_t word = 0;
    for (int block = 0; block < 2; ++block, src += 3) {
      uint64_t m = 0;
      for (int k = 0; k < 3; ++k) {
        const __m128i v = _mm_loadu_si128(src + k);
        const __m128i out = _mm_or_si128(_mm_subs_epu8(v, high[k]), _mm_subs_epu8(low[k], v));
        m |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(out, zero)))) << (16 * k);
      }
      const uint64_t t = m & (m >> 1) & (m >> 2);
      const uint32_t sixteen = uint32_t(kEveryThird.table[t & 0xFFF]) |
                               uint32_t(kEveryThird.table[(t >> 12) & 0xFFF]) << 4 |
                               uint32_t(kEveryThird.table[(t >> 24) & 0xFFF]) << 8 |
                               uint32_t(kEveryThird.table[(t >> 36) & 0xFFF]) << 12;
      word |= sixteen << (16 * block);
    }
    bits[w] = word;
  }
}

}  // namespace molvane
#endif
