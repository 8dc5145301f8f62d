// Threshold on a 12-megapixel image: table-driven fast path against the literal pixel test.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_image.h"
#include "tools/threshold.h"

namespace molvane {
namespace {

template <void (*Threshold)(const Pixel24*, Pixel24*, int64_t, int32_t, KeptSide)>
void BM_Threshold(benchmark::State& state) {
  const std::vector<Pixel24>& in = bench::Photograph();
  std::vector<Pixel24> out(in.size());
  for (auto _ : state) {
    Threshold(in.data(), out.data(), bench::kPixels, 100, KeptSide::Above);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

BENCHMARK_TEMPLATE(BM_Threshold, ThresholdPixels)
    ->Name("Threshold/Fast/4000x3000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Threshold, ThresholdPixelsReference)
    ->Name("Threshold/Reference/4000x3000")
    ->Unit(benchmark::kMillisecond);

// A plain copy of the same bytes: the memory-speed ceiling the fast paths aim at.
void BM_Copy(benchmark::State& state) {
  const std::vector<Pixel24>& in = bench::Photograph();
  std::vector<Pixel24> out(in.size());
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size() * sizeof(Pixel24));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}
BENCHMARK(BM_Copy)->Name("MemoryCopy/4000x3000")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
