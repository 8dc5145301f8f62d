// The region fill on a subject in front of a plain backdrop: the background
// (about 7.2 Mpx) repainted from a corner seed, without and with noise, and
// with the background tool's defaults (transparency, noise, lightness);
// and its growth alone.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_image.h"
#include "colour/random.h"
#include "tools/region_fill.h"
#include "tools/region_fill_growth.h"
#include "tools/region_fill_mask.h"

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

// The growth alone, beside a plain breadth-first walk over the same
// membership (row-major bits, a bit test and clear per neighbour, a vector
// as the queue, nothing noted): per region pixel, what the exact order and
// the notes cost beyond visiting the region.
constexpr int32_t kSeedX = 40, kSeedY = 40;

JoinRange BackdropRange() {
  const Pixel24 seed = bench::PortraitOnBackdrop()[size_t(kSeedY) * bench::kWidth + kSeedX];
  JoinRange range;
  const uint8_t seedBytes[3] = {seed.b, seed.g, seed.r};
  for (int c = 0; c < 3; ++c) {  // tolerance 51: |v - seed| <= 50
    range.low[c] = uint8_t(seedBytes[c] < 50 ? 0 : seedBytes[c] - 50);
    range.high[c] = uint8_t(seedBytes[c] > 205 ? 255 : seedBytes[c] + 50);
  }
  return range;
}

int64_t PlainWalk(uint32_t* bits, ptrdiff_t width, ptrdiff_t count, ptrdiff_t seed, std::vector<int32_t>& queue) {
  queue.clear();
  queue.push_back(int32_t(seed));
  for (size_t head = 0; head < queue.size(); ++head) {
    const ptrdiff_t i = queue[head];
    for (ptrdiff_t n : {i + 1, i - 1, i + width, i - width}) {
      if (n < 0 || n >= count) continue;
      const uint32_t bit = uint32_t(1) << (n & 31);
      if (!(bits[n >> 5] & bit)) continue;
      bits[n >> 5] &= ~bit;
      queue.push_back(int32_t(n));
    }
  }
  return int64_t(queue.size()) - 1;  // the seed is counted again when it joins
}

// The region's pixel count, for the figures per region pixel.
int64_t BackdropRegionPixels() {
  static const int64_t pixels = [] {
    std::vector<uint32_t> bits(size_t(bench::kPixels + 31) / 32);
    MarkJoinable(bench::PortraitOnBackdrop().data(), bench::kPixels, BackdropRange(), bits.data());
    std::vector<int32_t> queue;
    return PlainWalk(bits.data(), bench::kWidth, bench::kPixels, kSeedY * bench::kWidth + kSeedX, queue);
  }();
  return pixels;
}

void PerRegionPixel(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
  state.counters["ns_per_region_pixel"] = benchmark::Counter(
      double(state.iterations()) * double(BackdropRegionPixels()) * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Growth(benchmark::State& state) {
  const bool noise = state.range(0) != 0;
  RegionBitmap bitmap(bench::kPixels, bench::kWidth);
  std::vector<uint8_t> notes(bench::kPixels);
  for (auto _ : state) {
    state.PauseTiming();
    MarkJoinable(bench::PortraitOnBackdrop().data(), bench::kPixels, BackdropRange(), bitmap.Words());
    std::memset(notes.data(), 0, notes.size());
    state.ResumeTiming();
    GrowRegion(bitmap, bench::kWidth, kSeedY * bench::kWidth + kSeedX, noise ? 5 : 0,
               GrowthNotes{notes.data(), nullptr, nullptr});  // draws in the notes, as the fill has them
    benchmark::DoNotOptimize(notes.data());
  }
  PerRegionPixel(state);
  state.counters["region_pixels"] = double(BackdropRegionPixels());
  state.SetLabel(noise ? "noise 5" : "noise 0");
}

void BM_PlainWalk(benchmark::State& state) {
  std::vector<uint32_t> bits(size_t(bench::kPixels + 31) / 32);
  std::vector<int32_t> queue;
  queue.reserve(bench::kPixels + 2);
  for (auto _ : state) {
    state.PauseTiming();
    MarkJoinable(bench::PortraitOnBackdrop().data(), bench::kPixels, BackdropRange(), bits.data());
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        PlainWalk(bits.data(), bench::kWidth, bench::kPixels, kSeedY * bench::kWidth + kSeedX, queue));
  }
  PerRegionPixel(state);
}

BENCHMARK(BM_Growth)->Name("Fill/Growth/4000x3000")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWalk)->Name("Fill/PlainWalk/4000x3000")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
