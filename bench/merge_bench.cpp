// Merge of two 12-megapixel images: the SSE2 paths against the literal per-pixel rule, in both modes.
#include <benchmark/benchmark.h>


#include "bench_image.h"
#include "tools/merge.h"

namespace molvane {
namespace {

MergeParams Choice(int which) {
  MergeParams p;
  if (which == 0) return p;  // the higher value of each channel
  p.mode = MergeMode::Transparency;
  p.rate = 30;
  if (which == 2) {
    p.prevalent = Prevalent::First;
    p.low = 60;
    p.high = 200;
  }
  return p;
}

template <void (*Merge)(const Pixel24*, const Pixel24*, Pixel24*, int64_t, const MergeParams&)>
void BM_Merge(benchmark::State& state) {
  const std::vector<Pixel24>& a = bench::Photograph();
  const std::vector<Pixel24>& b = bench::UpsideDown();
  std::vector<Pixel24> out(a.size());
  const MergeParams params = Choice(int(state.range(0)));
  for (auto _ : state) {
    Merge(a.data(), b.data(), out.data(), bench::kPixels, params);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
  state.SetLabel(params.mode == MergeMode::Maximum       ? "maximum"
                 : params.prevalent == Prevalent::None ? "transparency 30 %"
                                                       : "transparency 30 %, image 1 prevalent outside 60..200");
}

BENCHMARK_TEMPLATE(BM_Merge, MergePixels)
    ->Name("Merge/Fast/4000x3000")
    ->Arg(0)->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Merge, MergePixelsReference)
    ->Name("Merge/Reference/4000x3000")
    ->Arg(0)->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
