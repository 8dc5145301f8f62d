// The merge's maximum in AVX2: a maximum per byte, the pixels' layout aside.
#include "tools/merge_avx2.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

namespace molvane {

__attribute__((target("avx2"))) int64_t MaximumAvx2(const Pixel24* first, const Pixel24* second,
                                                     Pixel24* out, int64_t count) {
  const int64_t runs = count / 32 * 3;
  const auto* a = reinterpret_cast<const __m256i*>(first);
  const auto* b = reinterpret_cast<const __m256i*>(second);
  auto* dst = reinterpret_cast<__m256i*>(out);
  for (int64_t n = 0; n < runs; ++n)
    _mm256_storeu_si256(dst + n, _mm256_max_epu8(_mm256_loadu_si256(a + n), _mm256_loadu_si256(b + n)));
  return count / 32 * 32;
}

}  // namespace molvane

#endif
