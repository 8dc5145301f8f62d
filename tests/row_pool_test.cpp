// The row pool: how it cuts a range, and every threaded step giving the reference's bytes on 1, 2, 3 and 7 threads.
#include "platform/row_pool.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include "colour/extended_math.h"
#include "colour/random.h"
#include "host_precision.h"
#include "tools/comparison.h"
#include "tools/convolution.h"
#include "tools/gradient.h"
#include "tools/matrix_filter.h"
#include "tools/merge.h"
#include "tools/noise_reduction.h"
#include "tools/region_fill.h"
#include "tools/threshold.h"

namespace molvane {
namespace {

constexpr int kThreadCounts[] = {1, 2, 3, 7};

// Restores the machine's thread count after each test.
class RowPool : public ::testing::Test {
 protected:
  void TearDown() override { SetPoolThreads(0); }
};

TEST_F(RowPool, PiecesCoverTheRangeOnceOnGrainBoundaries) {
  for (int threads : kThreadCounts) {
    SetPoolThreads(threads);
    for (int64_t count : {1, 2, 7, 64, 1000, 1001}) {
      for (int64_t grain : {1, 16, 64}) {
        std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
        std::atomic<int> pieces{0};
        SplitOverThreads(count, grain, 0, [&](int64_t begin, int64_t end) {
          ++pieces;
          EXPECT_TRUE(begin % grain == 0) << begin;
          EXPECT_TRUE(end % grain == 0 || end == count) << end;
          for (int64_t i = begin; i < end; ++i) ++seen[size_t(i)];
        });
        for (int64_t i = 0; i < count; ++i) ASSERT_EQ(seen[size_t(i)], 1) << threads << " " << count << " " << i;
        EXPECT_LE(pieces, threads);
      }
    }
  }
}

TEST_F(RowPool, SmallWorkStaysOnTheCaller) {
  SetPoolThreads(7);
  int pieces = 0;  // not atomic: a second thread would be a data race ASan/TSan could see
  SplitOverThreads(1000, 1, 1001, [&](int64_t begin, int64_t end) {
    ++pieces;
    EXPECT_EQ(begin, 0);
    EXPECT_EQ(end, 1000);
  });
  EXPECT_EQ(pieces, 1);
}

TEST_F(RowPool, AFailingPieceReachesTheCallerAndThePoolGoesOn) {
  SetPoolThreads(3);
  EXPECT_THROW(SplitOverThreads(300, 1, 0,
                                [](int64_t begin, int64_t) {
                                  if (begin > 0) throw std::runtime_error("piece");
                                }),
               std::runtime_error);
  StopPool();
  std::atomic<int64_t> sum{0};
  SplitOverThreads(300, 1, 0, [&](int64_t begin, int64_t end) { sum += end - begin; });
  EXPECT_EQ(sum, 300);
}

// Many hosts call with 53-bit x87 precision, and a new thread may start
// with it (Windows') or with its creator's set-up (Linux'): here the workers
// start under the host's 53 bits, rounding down and flushing to zero. Every
// piece, the caller's and the workers', runs in the plug-in's own set-up all
// the same, and the host's comes back afterwards.
TEST_F(RowPool, EveryPieceRunsInThePluginsFloatingPointSetUp) {
  constexpr uint32_t kHostCsr = 0x1F80 | 0x2000 | 0x8000;  // masked, round down, flush to zero
  SetPoolThreads(4);
  StopPool();
  std::atomic<int> pieces{0}, others{0};
  uint16_t hostWordAfter;
  uint32_t hostCsrAfter;
  const uint32_t savedCsr = _mm_getcsr();
  {
    testing::HostPrecision53 host;
    _mm_setcsr(kHostCsr);
    SplitOverThreads(4000, 1, 0, [&](int64_t, int64_t) {
      ++pieces;
      // 64-bit precision, nearest, all masked; SSE nearest, all masked, no flush to zero.
      const bool plugins = (X87ControlWord() & 0x0F3F) == 0x033F && (_mm_getcsr() & ~0x3Fu) == 0x1F80;
      if (!plugins) ++others;
    });
    hostWordAfter = X87ControlWord();
    hostCsrAfter = _mm_getcsr();
    _mm_setcsr(savedCsr);
  }
  StopPool();  // no worker keeps the host's set-up for later tests
  EXPECT_EQ(pieces, 4);
  EXPECT_EQ(others, 0) << "pieces ran in another set-up";
  EXPECT_EQ(hostWordAfter, testing::HostPrecision53::kWord);
  EXPECT_EQ(hostCsrAfter & ~0x3Fu, kHostCsr);
}

// Every threaded step on an image just above the size the pool splits
// (odd sides, so pieces end mid-row), against its reference.
TEST_F(RowPool, EveryStepGivesTheReferenceBytesOnAnyThreadCount) {
  const int32_t w = 613, h = 431;
  const int64_t n = int64_t(w) * h;
  ASSERT_GE(n, kParallelPixels);
  std::mt19937 random(21);
  std::vector<Pixel24> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    // Smooth with noise, so the fill finds a large winding region.
    const uint8_t base = uint8_t(60 + (i % w) / 8 + random() % 9);
    a[size_t(i)] = Pixel24{base, uint8_t(base + 20), uint8_t(random() % 256)};
    b[size_t(i)] = Pixel24{uint8_t(random() % 256), uint8_t(random() % 256), uint8_t(random() % 256)};
  }
  a[size_t(n / 2)].r = 128;  // the fill's seed: within the tolerance of many
  MergeParams band;
  band.mode = MergeMode::Transparency;
  band.rate = 37;
  band.prevalent = Prevalent::Second;
  band.low = 50;
  band.high = 180;
  GradientParams vertical, horizontal;
  vertical.offsetN1 = -30;
  vertical.offsetN2 = 41;
  vertical.coefM1 = 0.7L;
  vertical.coefM2 = 1.9L;
  horizontal = vertical;
  horizontal.direction = GradientDirection::Horizontal;
  const TMatrixFilter sharpen = BuiltInFilter(1);
  FillParams fill{};
  fill.seedPoint = {w / 2, h / 2};
  fill.pointF1 = {3, 5};
  fill.pointF2 = {w - 9, h - 2};
  fill.colourF1 = 0x00102030;
  fill.colourF2 = 0x00F0A050;
  fill.tolerance = 90;
  fill.transparency = 0.3L;
  fill.noiseAmplitude = 9;
  fill.lightnessFactor = 1.2L;

  using Run = std::function<void(Pixel24*)>;
  struct Step {
    const char* name;
    Run fast, reference;
  };
  const Step steps[] = {
      {"copy", [&](Pixel24* o) { CopyOverThreads(o, a.data(), size_t(n) * sizeof(Pixel24)); },
       [&](Pixel24* o) { std::memcpy(o, a.data(), size_t(n) * sizeof(Pixel24)); }},
      {"threshold", [&](Pixel24* o) { ThresholdPixels(a.data(), o, n, 97, KeptSide::Above); },
       [&](Pixel24* o) { ThresholdPixelsReference(a.data(), o, n, 97, KeptSide::Above); }},
      {"gap", [&](Pixel24* o) { ComputeGap(a.data(), b.data(), o, n, 3); },
       [&](Pixel24* o) { ComputeGapReference(a.data(), b.data(), o, n, 3); }},
      {"merge", [&](Pixel24* o) { MergePixels(a.data(), b.data(), o, n, band); },
       [&](Pixel24* o) { MergePixelsReference(a.data(), b.data(), o, n, band); }},
      {"vertical ramp", [&](Pixel24* o) { CompensateGradient(a.data(), 3 * w, o, 3 * w, w, h, vertical); },
       [&](Pixel24* o) { CompensateGradientReference(a.data(), 3 * w, o, 3 * w, w, h, vertical); }},
      {"horizontal ramp", [&](Pixel24* o) { CompensateGradient(a.data(), 3 * w, o, 3 * w, w, h, horizontal); },
       [&](Pixel24* o) { CompensateGradientReference(a.data(), 3 * w, o, 3 * w, w, h, horizontal); }},
      {"noise reduction", [&](Pixel24* o) { ReduceNoise(a.data(), o, w, h); },
       [&](Pixel24* o) { ReduceNoiseReference(a.data(), o, w, h); }},
      {"convolution", [&](Pixel24* o) { Convolve(sharpen, 1, a.data(), o, w, h); },
       [&](Pixel24* o) { ConvolveReference(sharpen, 1, a.data(), o, w, h); }},
      {"fill", [&](Pixel24* o) { Randomize(4); FillRegion(a.data(), o, w, h, fill); },
       [&](Pixel24* o) { Randomize(4); FillRegionReference(a.data(), o, w, h, fill); }},
  };
  for (const Step& step : steps) {
    std::vector<Pixel24> expected(b);
    step.reference(expected.data());
    for (int threads : kThreadCounts) {
      SetPoolThreads(threads);
      std::vector<Pixel24> got(b);
      step.fast(got.data());
      int64_t differing = 0;
      for (int64_t i = 0; i < n; ++i)
        differing += std::memcmp(&got[size_t(i)], &expected[size_t(i)], sizeof(Pixel24)) != 0;
      EXPECT_EQ(differing, 0) << step.name << " on " << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace molvane
