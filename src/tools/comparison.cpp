// The gap image's byte loops.
#include "tools/comparison.h"

#include "platform/row_pool.h"
#include "tools/reference_paths.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace molvane {
namespace {

// The channels of a pixel are treated alike, so the images are plain byte runs.
const uint8_t* Bytes(const Pixel24* p) { return reinterpret_cast<const uint8_t*>(p); }
uint8_t* Bytes(Pixel24* p) { return reinterpret_cast<uint8_t*>(p); }

// Scalar: the result depends only on |a - b|, so decide the 256 cases once.
void GapScalar(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t bytes, int32_t factor) {
  uint8_t table[256];
  for (int32_t d = 0; d < 256; ++d) table[d] = GapChannel(uint8_t(d), 0, factor);
  for (int64_t i = 0; i < bytes; ++i) {
    const int32_t d = int32_t(a[i]) - int32_t(b[i]);
    out[i] = table[d < 0 ? -d : d];
  }
}

#if defined(__SSE2__)

// |a - b| per byte from two saturating subtractions; times |factor| in 16-bit
// lanes, where 255 * 128 still fits; packed back with unsigned saturation,
// which is the clamp at 255.
void GapSse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t blocks, int32_t factor) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i multiplier = _mm_set1_epi16(int16_t(factor < 0 ? -factor : factor));
  const bool one = factor == 1 || factor == -1;
  for (int64_t n = 0; n < blocks; ++n, a += 16, b += 16, out += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    __m128i d = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
    if (!one) {
      const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), multiplier);
      const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), multiplier);
      d = _mm_packus_epi16(low, high);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), d);
  }
}

#endif

void GapRange(const Pixel24* first, const Pixel24* second, Pixel24* gap, int64_t count,
              int32_t factor) {
  const int64_t bytes = count * int64_t(sizeof(Pixel24));
  int64_t done = 0;
#if defined(__SSE2__)
  if (factor >= -128 && factor <= 128) {
    done = bytes / 16 * 16;
    GapSse2(Bytes(first), Bytes(second), Bytes(gap), bytes / 16, factor);
  }
#endif
  GapScalar(Bytes(first) + done, Bytes(second) + done, Bytes(gap) + done, bytes - done, factor);
}

}  // namespace

void ComputeGap(const Pixel24* first, const Pixel24* second, Pixel24* gap, int64_t count,
                int32_t factor) {
  if (kReferencePathsOnly) return ComputeGapReference(first, second, gap, count, factor);
  SplitOverThreads(count, 16, kParallelPixels, [&](int64_t begin, int64_t end) {
    GapRange(first + begin, second + begin, gap + begin, end - begin, factor);
  });
}

void ComputeGapReference(const Pixel24* first, const Pixel24* second, Pixel24* gap,
                         int64_t count, int32_t factor) {
  for (int64_t i = 0; i < count; ++i) {
    gap[i] = Pixel24{GapChannel(first[i].b, second[i].b, factor),
                     GapChannel(first[i].g, second[i].g, factor),
                     GapChannel(first[i].r, second[i].r, factor)};
  }
}

}  // namespace molvane
