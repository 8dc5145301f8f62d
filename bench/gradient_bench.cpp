// Gradient compensation on a 12-megapixel image: per-line tables against the literal per-byte loop.
#include <benchmark/benchmark.h>

#include "bench_image.h"
#include "tools/gradient.h"
#include "tools/gradient_dialog.h"

namespace molvane {
namespace {

using Compensate = void (*)(const Pixel24*, ptrdiff_t, Pixel24*, ptrdiff_t, int32_t, int32_t,
                            const GradientParams&);

template <Compensate Run, GradientDirection Direction>
void BM_Gradient(benchmark::State& state) {
  const std::vector<Pixel24>& in = bench::Photograph();
  std::vector<Pixel24> out(in.size());
  GradientParams p;
  p.direction = Direction;
  p.offsetN1 = -20;
  p.offsetN2 = 20;
  p.coefM1 = GainOfPosition(80);
  p.coefM2 = GainOfPosition(120);
  const ptrdiff_t stride = bench::kWidth * 3;
  for (auto _ : state) {
    Run(in.data(), stride, out.data(), stride, bench::kWidth, bench::kHeight, p);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

BENCHMARK_TEMPLATE(BM_Gradient, CompensateGradient, GradientDirection::Vertical)
    ->Name("Gradient/Fast/Vertical/4000x3000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Gradient, CompensateGradient, GradientDirection::Horizontal)
    ->Name("Gradient/Fast/Horizontal/4000x3000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Gradient, CompensateGradientReference, GradientDirection::Vertical)
    ->Name("Gradient/Reference/Vertical/4000x3000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace molvane
