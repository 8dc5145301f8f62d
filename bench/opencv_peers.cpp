// What a user would reach for instead of each full-image step: the closest
// OpenCV operations on the same images, in the same binary. None is
// byte-exact with our rules; the comparison is of speed. OpenCV runs on as
// many threads as MOLVANE_BENCH_THREADS says (1 when unset), like our steps.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "bench_image.h"
#include "bench_threads.h"
#include "tools/gradient_dialog.h"

namespace molvane {
namespace {

cv::Mat View(const std::vector<Pixel24>& pixels) {
  return cv::Mat(bench::kHeight, bench::kWidth, CV_8UC3, const_cast<Pixel24*>(pixels.data()));
}

// Runs `step` once per iteration with OpenCV's thread count set for the run.
template <typename Step>
void Timed(benchmark::State& state, Step step) {
  cv::setNumThreads(bench::Threads());
  for (auto _ : state) {
    step();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * bench::kPixels);
}

// The steps that give the host a new image: a "fresh" argument of 1 makes
// OpenCV allocate its result anew at every iteration, as the plug-in must,
// so the first touch of 36 MB of fresh pages is counted on both sides.
void ForgetResult(bool fresh, cv::Mat& out) {
  if (fresh) out.release();
}

void BM_AbsdiffScale(benchmark::State& state) {
  const cv::Mat a = View(bench::Photograph()), b = View(bench::ShiftedByOne());
  cv::Mat d, out;
  const double factor = double(state.range(0));
  Timed(state, [&] {
    ForgetResult(state.range(1) != 0, out);
    cv::absdiff(a, b, d);
    cv::convertScaleAbs(d, out, factor);
  });
}

void BM_Max(benchmark::State& state) {
  const cv::Mat a = View(bench::Photograph()), b = View(bench::UpsideDown());
  cv::Mat out;
  Timed(state, [&] {
    ForgetResult(state.range(0) != 0, out);
    cv::max(a, b, out);
  });
}

void BM_AddWeighted(benchmark::State& state) {
  const cv::Mat a = View(bench::Photograph()), b = View(bench::UpsideDown());
  cv::Mat out;
  Timed(state, [&] {
    ForgetResult(state.range(0) != 0, out);
    cv::addWeighted(a, 0.7, b, 0.3, 0, out);
  });
}

// The gains of our gradient benchmark, 80 to 120 on the dialog's slider.
double GainAt(int t, int lines) {
  const double m1 = double(GainOfPosition(80)), m2 = double(GainOfPosition(120));
  return m1 + (m2 - m1) * t / (lines - 1);
}

// The ramp as one convertTo per row (vertical) or per column (horizontal).
void BM_RampConvertTo(benchmark::State& state) {
  const cv::Mat in = View(bench::Photograph());
  cv::Mat out(in.size(), in.type());
  const bool vertical = state.range(0) == 0;
  const int lines = vertical ? in.rows : in.cols;
  Timed(state, [&] {
    for (int t = 0; t < lines; ++t) {
      const double gain = GainAt(t, lines), offset = -20 + 40.0 * t / (lines - 1);
      if (vertical) in.row(t).convertTo(out.row(t), -1, gain, offset);
      else {
        cv::Mat column = out.col(t);
        in.col(t).convertTo(column, -1, gain, offset);
      }
    }
  });
}

// 4-connected, range fixed to the seed's colour, the mask only: our fill
// likewise never changes its source.
void BM_FloodFill(benchmark::State& state) {
  const cv::Mat in = View(bench::PortraitOnBackdrop());
  cv::Mat mask(in.rows + 2, in.cols + 2, CV_8UC1);
  const int flags = 4 | cv::FLOODFILL_FIXED_RANGE | cv::FLOODFILL_MASK_ONLY | (255 << 8);
  cv::Mat image = in;
  Timed(state, [&] {
    mask.setTo(0);
    cv::floodFill(image, mask, cv::Point(40, 40), cv::Scalar(), nullptr, cv::Scalar::all(50),
                  cv::Scalar::all(50), flags);
  });
}

// A median of lightness that keeps each colour: L from HLS, its 3 x 3
// median, every channel scaled by median / L.
void BM_LightnessMedian(benchmark::State& state) {
  const cv::Mat in = View(bench::Photograph());
  cv::Mat hls, l, m, lf, mf, ratio, ratio3, scaled, out;
  Timed(state, [&] {
    cv::cvtColor(in, hls, cv::COLOR_BGR2HLS);
    cv::extractChannel(hls, l, 1);
    cv::medianBlur(l, m, 3);
    l.convertTo(lf, CV_32F);
    m.convertTo(mf, CV_32F);
    cv::divide(mf, lf, ratio);
    cv::merge(std::vector<cv::Mat>{ratio, ratio, ratio}, ratio3);
    in.convertTo(scaled, CV_32FC3);
    cv::multiply(scaled, ratio3, scaled);
    scaled.convertTo(out, CV_8UC3);
  });
}

// Lightness from HLS, a binary threshold, the colours copied through it.
void BM_ThresholdPipeline(benchmark::State& state) {
  const cv::Mat in = View(bench::Photograph());
  cv::Mat hls, l, mask, out(in.size(), in.type());
  Timed(state, [&] {
    cv::cvtColor(in, hls, cv::COLOR_BGR2HLS);
    cv::extractChannel(hls, l, 1);
    cv::threshold(l, mask, 100, 255, cv::THRESH_BINARY);
    out.setTo(cv::Scalar::all(0));
    in.copyTo(out, mask);
  });
}

// The 320 x 240 preview by area averaging; the merge dialog needs two.
void BM_ResizeArea(benchmark::State& state) {
  const cv::Mat in = View(bench::Photograph());
  cv::Mat first, second;
  const bool twoImages = state.range(0) == 2;
  Timed(state, [&] {
    cv::resize(in, first, cv::Size(320, 240), 0, 0, cv::INTER_AREA);
    if (twoImages) cv::resize(in, second, cv::Size(320, 240), 0, 0, cv::INTER_AREA);
  });
}

// Arguments: the factor, then fresh.
BENCHMARK(BM_AbsdiffScale)->Name("Gap/OpenCV_absdiff_convertScaleAbs/4000x3000")
    ->Args({1, 0})->Args({10, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Max)->Name("Merge/OpenCV_max/4000x3000")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddWeighted)->Name("Merge/OpenCV_addWeighted/4000x3000")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RampConvertTo)->Name("Gradient/OpenCV_convertTo/4000x3000")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodFill)->Name("Fill/OpenCV_floodFill/4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightnessMedian)->Name("NoiseReduction/OpenCV_lightness_median/4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdPipeline)->Name("Threshold/OpenCV_threshold_pipeline/4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeArea)->Name("Preview/OpenCV_resize_area/4000x3000")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace molvane
