// The region fill on a subject in front of a plain backdrop: the background
// (about 7.2 Mpx) repainted from a corner seed, without and with noise, and
// with the background tool's defaults (transparency, noise, lightness).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_image.h"
#include "colour/random.h"
#include "tools/region_fill.h"

namespace molvane {
namespace {

enum FillCase { kNoNoise, kNoise, kBackgroundTool };

FillParams Case(int which) {
  FillParams p{};
  p.seedPoint = {40, 40};
  p.pointF1 = {0, 0};
  p.pointF2 = {bench::kWidth - 1, bench::kHeight - 1};
  p.colourF1 = 0x00F0E0D0;
  p.colourF2 = 0x00403020;
  p.tolerance = 51;  // the tool's default: 255 * 4 / 20
  p.transparency = 0;
  p.noiseAmplitude = which == kNoNoise ? 0 : 5;
  p.lightnessFactor = 1;
  if (which == kBackgroundTool) {
    p.transparency = 0.2L;
    p.lightnessFactor = 1.15L;
  }
  return p;
}

template <void (*Fill)(const Pixel24*, Pixel24*, int32_t, int32_t, const FillParams&)>
void BM_Fill(benchmark::State& state) {
  const std::vector<Pixel24>& source = bench::PortraitOnBackdrop();
  std::vector<Pixel24> out(source);
  const FillParams params = Case(int(state.range(0)));
  Randomize(1);
  for (auto _ : state) {
    Fill(source.data(), out.data(), bench::kWidth, bench::kHeight, params);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
  state.SetLabel(params.lightnessFactor != 1 ? "background tool" : params.noiseAmplitude > 0 ? "noise 5" : "noise 0");
}

BENCHMARK_TEMPLATE(BM_Fill, FillRegion)
    ->Name("Fill/Fast/4000x3000")
    ->Arg(kNoNoise)->Arg(kNoise)->Arg(kBackgroundTool)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Fill, FillRegionReference)
    ->Name("Fill/Reference/4000x3000")
    ->Arg(kNoNoise)->Arg(kNoise)->Arg(kBackgroundTool)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace molvane
