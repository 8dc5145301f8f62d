// What a user would reach for instead: OpenCV's filter2D with the same kernel
// sizes on the same image, one thread, borders of 128 around the image.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench_image.h"
#include "tools/matrix_filter.h"

namespace molvane {
namespace {

// filter2D correlates with kernel(y, x) weighing neighbour (x, y); our grid is
// applied transposed, Coeff[3 + dx][3 + dy], so the kernel is the grid's block
// transposed, divided by the divisor, with the offset as delta. It computes in
// single precision, so it is not byte-exact: the comparison is of speed.
void BM_Filter2D(benchmark::State& state, TMatrixFilter filter) {
  cv::setNumThreads(1);
  const std::vector<Pixel24>& pixels = bench::Photograph();
  const int r = (filter.Size - 1) / 2;
  cv::Mat image(bench::kHeight, bench::kWidth, CV_8UC3, const_cast<Pixel24*>(pixels.data()));
  // The image inside a frame of grey 128; filtering the inner view reads the frame.
  cv::Mat framed;
  cv::copyMakeBorder(image, framed, r, r, r, r, cv::BORDER_CONSTANT, cv::Scalar::all(128));
  const cv::Mat inner = framed(cv::Rect(r, r, bench::kWidth, bench::kHeight));
  cv::Mat kernel(2 * r + 1, 2 * r + 1, CV_32F);
  const double divisor = double(filter.Divisor());
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx)
      kernel.at<float>(dy + r, dx + r) = float(filter.Coeff[3 + dx][3 + dy] / divisor);
  cv::Mat out(bench::kHeight, bench::kWidth, CV_8UC3);
  for (auto _ : state) {
    cv::filter2D(inner, out, -1, kernel, cv::Point(-1, -1), filter.Offset, cv::BORDER_CONSTANT);
    benchmark::DoNotOptimize(out.data);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

const bool registered = [] {
  for (int k = 0; k < kBuiltInFilterCount; ++k) {
    const TMatrixFilter f = BuiltInFilter(k);
    benchmark::RegisterBenchmark(("Convolve/" + f.Name() + "/OpenCV_filter2D/4000x3000").c_str(),
                                 BM_Filter2D, f)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
}  // namespace molvane
