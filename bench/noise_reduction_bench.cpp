// Noise reduction on a 12-megapixel photograph-like image: fast path against the literal loop.
#include <benchmark/benchmark.h>

#include "bench_image.h"
#include "tools/noise_reduction.h"

namespace molvane {
namespace {

template <void (*Reduce)(const Pixel24*, Pixel24*, int32_t, int32_t)>
void BM_NoiseReduction(benchmark::State& state) {
  const std::vector<Pixel24>& copy = bench::Photograph();
  std::vector<Pixel24> image(copy);
  for (auto _ : state) {
    Reduce(copy.data(), image.data(), bench::kWidth, bench::kHeight);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

BENCHMARK_TEMPLATE(BM_NoiseReduction, ReduceNoise)
    ->Name("NoiseReduction/Fast/4000x3000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_NoiseReduction, ReduceNoiseReference)
    ->Name("NoiseReduction/Reference/4000x3000")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
