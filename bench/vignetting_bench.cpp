// Vignetting correction of the four corners of a 12-megapixel image, each
// triangle 1500 pixels on its short sides (about 4.5 Mpx rebuilt in all).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_image.h"
#include "colour/random.h"
#include "tools/vignetting.h"

namespace molvane {
namespace {

// The plug-in's generator without the clock: the same draws every run.
class FixedSeedRandom final : public VignettingRandom {
 public:
  void Reseed() override { Randomize(3); }
  int32_t Draw(int32_t n) override { return Random(n); }
};

void BM_Vignetting(benchmark::State& state) {
  const std::vector<Pixel24>& copy = bench::Photograph();
  std::vector<Pixel24> image(copy);
  const int32_t a = 1500, w = bench::kWidth, h = bench::kHeight;
  const ImagePoint points[4] = {{a, a}, {w - a, a}, {w - a, h - a}, {a, h - a}};
  FixedSeedRandom random;
  for (auto _ : state) {
    CorrectVignetting(points, VignettingImages{copy.data(), image.data(), w, h}, random);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}
BENCHMARK(BM_Vignetting)->Name("Vignetting/Fast/4000x3000")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molvane
