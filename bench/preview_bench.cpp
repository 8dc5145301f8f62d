// The 320 x 320 previews of a 12-megapixel image: one sampled image (every
// previewing dialog), and the merge dialog's two samples merged into one.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_image.h"
#include "dialog_kit/preview.h"
#include "tools/merge.h"

namespace molvane {
namespace {

void BM_Preview(benchmark::State& state) {
  const std::vector<Pixel24>& image = bench::Photograph();
  const ImageSize size{bench::kWidth, bench::kHeight};
  const PreviewGeometry g = PreviewGeometryFor(size);
  std::vector<Pixel24> first(size_t(g.width) * g.height), second(first.size()), merged(first.size());
  const bool twoImages = state.range(0) == 2;
  MergeParams params;
  params.mode = MergeMode::Transparency;
  params.rate = 30;
  for (auto _ : state) {
    SamplePreview(image.data(), size, g, first.data());
    if (twoImages) {
      SamplePreview(image.data(), size, g, second.data());
      MergePixels(first.data(), second.data(), merged.data(), int64_t(merged.size()), params);
    }
    benchmark::DoNotOptimize(first.data());
    benchmark::DoNotOptimize(merged.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
  state.SetLabel(twoImages ? "merge: two samples, merged" : "one image");
}
BENCHMARK(BM_Preview)->Name("Preview/Fast/4000x3000")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace molvane
