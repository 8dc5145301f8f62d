// The golden table computed through the algorithms of this build.
#include "golden_cases.h"

#include <gtest/gtest.h>

#include "host_precision.h"
#include "platform/row_pool.h"
#include "tools/comparison.h"
#include "tools/convolution.h"
#include "tools/gradient.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter.h"
#include "tools/merge.h"
#include "tools/noise_reduction.h"
#include "tools/threshold.h"

namespace molvane::golden {
namespace {

// What the tool gives for the case, as its dialog would with these settings.
std::vector<Pixel24> Compute(const Case& c) {
  const std::vector<Pixel24> image = MakeImage(c.pattern, c.width, c.height, c.seed);
  const std::vector<Pixel24> second = MakeImage(Pattern::Noise, c.width, c.height, c.seed + 1);
  const int64_t count = int64_t(image.size());
  const Settings& s = c.settings;
  std::vector<Pixel24> out = image;
  switch (c.tool) {
    case 1:
      ComputeGap(image.data(), second.data(), out.data(), count, s.factor);
      break;
    case 2:
      ReduceNoise(image.data(), out.data(), c.width, c.height);
      break;
    case 3: {
      const TMatrixFilter filter = BuiltInFilter(s.filter);
      Convolve(filter, (filter.Size - 1) / 2, image.data(), out.data(), c.width, c.height);
      break;
    }
    case 6:
      ThresholdPixels(image.data(), out.data(), count, s.threshold,
                      s.keepBelow ? KeptSide::Below : KeptSide::Above);
      break;
    case 7: {
      MergeParams p;
      p.mode = s.transparency ? MergeMode::Transparency : MergeMode::Maximum;
      p.rate = s.rate;
      p.prevalent = s.prevalent == 1 ? Prevalent::First : s.prevalent == 2 ? Prevalent::Second : Prevalent::None;
      p.low = s.low;
      p.high = s.high;
      MergePixels(image.data(), second.data(), out.data(), count, p);
      break;
    }
    case 8: {
      GradientParams p;
      p.direction = s.horizontal ? GradientDirection::Horizontal : GradientDirection::Vertical;
      p.offsetN1 = s.n1;
      p.offsetN2 = s.n2;
      p.coefM1 = GainOfPosition(s.m1);
      p.coefM2 = GainOfPosition(s.m2);
      const ptrdiff_t stride = ptrdiff_t(c.width) * ptrdiff_t(sizeof(Pixel24));
      CompensateGradient(image.data(), stride, out.data(), stride, c.width, c.height, p);
      break;
    }
    default:
      ADD_FAILURE() << "no golden run for tool " << c.tool;
  }
  return out;
}

// As many hosts do, the calls come with 53-bit x87 precision; the pool's
// threads start under it, and a thread here starts with its creator's set-up.
TEST(Golden, EveryCaseGivesItsChecksum) {
  StopPool();
  for (const Case& c : Cases()) {
    std::vector<Pixel24> out;
    {
      testing::HostPrecision53 host;
      out = Compute(c);
    }
    const uint32_t actual = Checksum(out.data(), int64_t(out.size()));
    EXPECT_EQ(actual, c.checksum) << Verdict(c, actual);
  }
  StopPool();
}

}  // namespace
}  // namespace molvane::golden
