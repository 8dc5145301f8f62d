// Convolution on the 12-megapixel photograph-like image: each built-in and a
// dense 7 x 7 with a fractional divisor, the fast paths against the literal loop.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_image.h"
#include "tools/convolution.h"

namespace molvane {
namespace {

// Weights (4 - |dx|)(4 - |dy|), 1 to 16, all 49 non-zero, divided by 250.8
// instead of their sum 256: a slightly brightening blur a user might type in.
TMatrixFilter DenseFractional() {
  TMatrixFilter f = BuiltInFilter(6);
  f.SetName("Dense7x7");
  f.Size = 7;
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 7; ++c)
      f.Coeff[r][c] = (4 - (r < 3 ? 3 - r : r - 3)) * (4 - (c < 3 ? 3 - c : c - 3));
  f.SetDivisor(250.8L);
  return f;
}

void BM_Convolve(benchmark::State& state, ConvolutionPath path, TMatrixFilter filter) {
  const std::vector<Pixel24>& copy = bench::Photograph();
  std::vector<Pixel24> image(copy.size());
  for (auto _ : state) {
    ConvolveUsing(path, filter, (filter.Size - 1) / 2, copy.data(), image.data(), bench::kWidth,
                  bench::kHeight);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

const bool registered = [] {
  struct Named {
    ConvolutionPath path;
    const char* name;
  };
  const Named paths[] = {{ConvolutionPath::Fastest, "Fast"},
                         {ConvolutionPath::Sse2, "Sse2"},
                         {ConvolutionPath::Reference, "Reference"}};
  for (int k = 0; k <= kBuiltInFilterCount; ++k) {
    const TMatrixFilter f = k < kBuiltInFilterCount ? BuiltInFilter(k) : DenseFractional();
    for (const Named& p : paths) {
      auto* b = benchmark::RegisterBenchmark(
          ("Convolve/" + f.Name() + "/" + p.name + "/4000x3000").c_str(), BM_Convolve, p.path, f);
      b->Unit(benchmark::kMillisecond);
      if (p.path == ConvolutionPath::Reference) b->Iterations(1);  // seconds per run
    }
  }
  return true;
}();

}  // namespace
}  // namespace molvane
