// The arithmetic model: halves to even, clamps that compare first, and the floating-point set-up.
#include "colour/extended_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/convolution.h"
#include "tools/matrix_filter.h"

namespace molvane {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  ExtendedPrecisionScope extended;
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(RoundHalfEven(-1.5L), -2);
  EXPECT_EQ(RoundHalfEven(4.5L), 4);
  EXPECT_EQ(RoundHalfEven(std::nextafter(2.5L, 3.0L)), 3) << "one unit above a half";
  EXPECT_EQ(RoundHalfEven(std::nextafter(3.5L, 3.0L)), 3) << "one unit below a half";
  EXPECT_EQ(Trunc(-2.9L), -2);
}

TEST(RoundClamp, ComparesBeforeConvertingSoAnyValueClamps) {
  ExtendedPrecisionScope extended;
  EXPECT_EQ(RoundClamp(255.5L, 0, 255), 255);
  EXPECT_EQ(RoundClamp(254.5L, 0, 255), 254);
  EXPECT_EQ(RoundClamp(-0.5L, 0, 255), 0);
  EXPECT_EQ(RoundClamp(1e30L, 0, 255), 255);
  EXPECT_EQ(RoundClamp(-1e4000L, 0, 255), 0);
  EXPECT_EQ(RoundClamp(std::numeric_limits<long double>::infinity(), 0, 255), 255);
  EXPECT_EQ(RoundClamp(std::numeric_limits<long double>::quiet_NaN(), 0, 255), 0);
}

// Many hosts run with the x87 overflow, zero-divide and invalid-operation
// exceptions unmasked. A run that overflows must neither trap nor leave a
// pending exception behind for the host's next instruction.
TEST(ExtendedPrecisionScope, AHostThatUnmasksExceptionsIsNeitherTrappedNorLeftWithOne) {
  constexpr uint16_t kHostWord = 0x1332;  // 64-bit, nearest; invalid, zero-divide, overflow unmasked
  const uint32_t hostMxcsr = _mm_getcsr();
  X87ControlWordScope host(kHostWord);
  const uint16_t hostWord = X87ControlWord();  // as the unit reads it back (bit 6 may read 1)
  TMatrixFilter f = BuiltInFilter(6);
  f.SetDivisor(std::numeric_limits<long double>::denorm_min());  // the quotient overflows
  Pixel24 in[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  Pixel24 out[4];
  EXPECT_EQ(ConvolveReference(f, 1, in, out, 2, 2), ConvolutionStatus::Done);
  EXPECT_EQ(out[3].r, 255);
  EXPECT_EQ(X87ControlWord(), hostWord);
  EXPECT_EQ(_mm_getcsr(), hostMxcsr);
  uint16_t status;
  __asm__ __volatile__("fnstsw %0" : "=m"(status));
  EXPECT_EQ(status & 0x3F, 0) << "no exception flag left pending";
  volatile long double after = 1.0L;
  after = after / 3.0L;  // would trap here if one were pending and unmasked
  EXPECT_GT(after, 0.0L);
}

}  // namespace
}  // namespace molvane
