// The gap image of two 12-megapixel images: the vector path against the literal byte-by-byte reference.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_image.h"
#include "tools/comparison.h"

namespace molvane {
namespace {

// The photograph against itself shifted by one pixel: gaps of every size,
// like two takes of one scene.
const std::vector<Pixel24>& Shifted() {
  static const std::vector<Pixel24> shifted = [] {
    const std::vector<Pixel24>& photo = bench::Photograph();
    std::vector<Pixel24> out(photo.size());
    out[0] = photo[0];
    for (size_t i = 1; i < photo.size(); ++i) out[i] = photo[i - 1];
    return out;
  }();
  return shifted;
}

template <void (*Gap)(const Pixel24*, const Pixel24*, Pixel24*, int64_t, int32_t)>
void BM_Gap(benchmark::State& state) {
  const std::vector<Pixel24>& first = bench::Photograph();
  const std::vector<Pixel24>& second = Shifted();
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
