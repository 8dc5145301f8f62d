// The gap image of two 12-megapixel images: the vector path against the literal byte-by-byte reference.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_image.h"
#include "tools/comparison.h"

namespace molvane {
namespace {

template <void (*Gap)(const Pixel24*, const Pixel24*, Pixel24*, int64_t, int32_t)>
void BM_Gap(benchmark::State& state) {
  const std::vector<Pixel24>& first = bench::Photograph();
  const std::vector<Pixel24>& second = bench::ShiftedByOne();
  std::vector<Pixel24> gap(first.size());
  const int32_t factor = int32_t(state.range(0));
  for (auto _ : state) {
    Gap(first.data(), second.data(), gap.data(), bench::kPixels, factor);
    benchmark::DoNotOptimize(gap.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

// Factor 1 skips the multiplication; 10 is the slider's end.
BENCHMARK_TEMPLATE(BM_Gap, ComputeGap)
    ->Name("Gap/Fast/4000x3000")
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Gap, ComputeGapReference)
    ->Name("Gap/Reference/4000x3000")
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
