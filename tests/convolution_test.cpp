// Convolution: worked examples on every path, the divisor's special values, the
// division step over every reachable sum, and the fast paths against the
// literal loop on random images, kernels and whole random records.
#include "tools/convolution.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host_precision.h"
#include "test_images.h"

namespace molvane {

void PrintTo(ConvolutionStatus s, std::ostream* os) {
  const char* const names[] = {"Done", "DivisionByZero", "InvalidOperation"};
  *os << names[int(s)];
}
void PrintTo(ConvolutionPath p, std::ostream* os) {
  const char* const names[] = {"Fastest", "Sse2", "Reference"};
  *os << names[int(p)];
}

namespace {

using Path = ConvolutionPath;
using Status = ConvolutionStatus;
using Image = std::vector<Pixel24>;
const Path kFastPaths[] = {Path::Fastest, Path::Sse2};

Pixel24 Grey(int v) { return Pixel24{uint8_t(v), uint8_t(v), uint8_t(v)}; }

// A 3 x 3 filter with a single weight at the centre.
TMatrixFilter Centre(int32_t weight, long double divisor, int32_t offset) {
  TMatrixFilter f = BuiltInFilter(6);
  f.Coeff[3][3] = weight;
  f.SetDivisor(divisor);
  f.Offset = offset;
  return f;
}

TMatrixFilter WithDivisorBits(TMatrixFilter f, uint64_t significand, uint16_t sign_exponent) {
  std::memcpy(f.DivisorBytes, &significand, 8);
  std::memcpy(f.DivisorBytes + 8, &sign_exponent, 2);
  return f;
}

struct Result {
  Status status;
  Image pixels;  // a sentinel wherever nothing was written
};

Result Filtered(Path path, const TMatrixFilter& f, const Image& copy, int32_t w, int32_t h,
                int32_t radius = INT32_MIN) {
  Result r{Status::Done, Image(copy.size(), Pixel24{0xA5, 0x5A, 0xC3})};
  if (radius == INT32_MIN) radius = (f.Size - 1) / 2;  // as the dialog chooses it
  r.status = path == Path::Fastest
                 ? Convolve(f, radius, copy.data(), r.pixels.data(), w, h)
                 : ConvolveUsing(path, f, radius, copy.data(), r.pixels.data(), w, h);
  return r;
}

bool Same(const Image& a, const Image& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * 3) == 0);
}
bool Untouched(const Result& r) {
  return Same(r.pixels, Image(r.pixels.size(), Pixel24{0xA5, 0x5A, 0xC3}));
}

std::vector<int> Channel(const Result& r, int c) {  // byte position c of every pixel
  std::vector<int> v;
  for (const Pixel24& p : r.pixels) v.push_back(reinterpret_cast<const uint8_t*>(&p)[c]);
  return v;
}

// Status and every byte, written or not, of a fast path equal the reference's.
void ExpectSameAsReference(Path path, const TMatrixFilter& f, int radius, const Image& copy, int w,
                           int h) {
  const Result fast = Filtered(path, f, copy, w, h, radius);
  const Result slow = Filtered(Path::Reference, f, copy, w, h, radius);
  const std::string record = ::testing::PrintToString(std::make_tuple(
      radius, w, h, f.Offset, std::vector<uint8_t>(f.DivisorBytes, f.DivisorBytes + 10), f.Coeff));
  ASSERT_EQ(fast.status, slow.status) << record;
  ASSERT_TRUE(Same(fast.pixels, slow.pixels)) << record;
}

class ConvolutionPaths : public ::testing::TestWithParam<Path> {};

TEST_P(ConvolutionPaths, LissageOnBlackSeesGreyOnlyBeyondTheFirstAndLastPixel) {
  const Result r = Filtered(GetParam(), BuiltInFilter(0), Image(20, Grey(0)), 5, 4);
  const std::vector<int> rows = {57, 43, 43, 43, 28, 14, 0,  0,  0,  0,
                                 0,  0,  0,  0,  14, 28, 43, 43, 43, 57};
  for (int c = 0; c < 3; ++c) EXPECT_EQ(Channel(r, c), rows) << "channel " << c;
}

TEST_P(ConvolutionPaths, UniformImageAwayFromTheBordersGivesEachBuiltInsLevel) {
  const int expected[kBuiltInFilterCount] = {50, 50, 127, 255, 127, 127, 50};
  for (int k = 0; k < kBuiltInFilterCount; ++k) {
    const Result r = Filtered(GetParam(), BuiltInFilter(k), Image(13 * 11, Grey(50)), 13, 11);
    for (int c = 0; c < 3; ++c)
      for (int y = 3; y < 11 - 3; ++y)
        for (int x = 3; x < 13 - 3; ++x) ASSERT_EQ(Channel(r, c)[y * 13 + x], expected[k]) << k;
  }
}

TEST_P(ConvolutionPaths, SobelAsAppliedRespondsAlongRowsAndIgnoresAHorizontalEdge) {
  Image columns(30), rows(30);
  for (int i = 0; i < 30; ++i) {
    columns[i] = Grey(i % 6 >= 3 ? 100 : 0);
    rows[i] = Grey(i / 6 >= 2 ? 100 : 0);
  }
  const std::vector<int> a = Channel(Filtered(GetParam(), BuiltInFilter(4), columns, 6, 5), 1);
  const std::vector<int> b = Channel(Filtered(GetParam(), BuiltInFilter(4), rows, 6, 5), 2);
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(std::vector<int>(a.begin() + 6 * y, a.begin() + 6 * y + 6),
              (std::vector<int>{0, 127, 255, 255, 127, y < 4 ? 0 : 83}))
        << "row " << y;
    for (int x = 1; x <= 4; ++x) EXPECT_EQ(b[6 * y + x], 127) << y << "," << x;
  }
}

TEST_P(ConvolutionPaths, AccentuationSendsHalvesToTheEvenNeighbour) {
  // The centre 1 weighs 16, the other eight -1 each: they add up to 12, then to 4.
  const Image twelve = {Grey(1), Grey(1), Grey(1), Grey(1), Grey(1),
                        Grey(2), Grey(2), Grey(2), Grey(3)};
  const Image four = {Grey(0), Grey(1), Grey(0), Grey(1), Grey(1),
                      Grey(1), Grey(0), Grey(1), Grey(0)};
  EXPECT_EQ(Channel(Filtered(GetParam(), BuiltInFilter(1), twelve, 3, 3), 0)[4], 0);  // 4 / 8
  EXPECT_EQ(Channel(Filtered(GetParam(), BuiltInFilter(1), four, 3, 3), 0)[4], 2);    // 12 / 8
}

TEST_P(ConvolutionPaths, FarOutsideQuotientsTinyDenormalAndInfiniteDivisorsClamp) {
  const Image image = {Pixel24{255, 0, 7}};
  struct Case {
    int32_t weight;
    long double divisor;
    uint64_t significand;  // with sign_exponent, the divisor's bits when not 0
    uint16_t sign_exponent;
    int32_t offset;
    std::vector<int> expected;  // bytes 0, 1, 2
  } const cases[] = {
      {INT32_MAX, 1, 0, 0, INT32_MIN, {255, 0, 255}},  // 255 K - 2^31, -2^31, 7 K - 2^31
      {INT32_MIN, 1, 0, 0, INT32_MAX, {0, 255, 0}},
      {1, 1e-30L, 0, 0, 0, {255, 0, 255}},  // 0 / 1e-30 is 0
      {-1, 1e-30L, 0, 0, 9, {0, 9, 0}},
      {1, 0, 1, 0x0000, 40, {255, 40, 255}},                      // the smallest denormal
      {1, 0, 1, 0x8000, 40, {0, 40, 0}},                          // its negative
      {1, 0, 0x8000000000000001u, 0x0000, 40, {255, 40, 255}},    // a pseudo-denormal
      {1, 0, 0x8000000000000000u, 0x7FFF, 40, {40, 40, 40}},      // +infinity: quotient 0
      {1, 0, 0x8000000000000000u, 0xFFFF, 300, {255, 255, 255}},  // -infinity
  };
  for (const Case& c : cases) {
    TMatrixFilter f = Centre(c.weight, c.divisor, c.offset);
    if (c.significand != 0) f = WithDivisorBits(f, c.significand, c.sign_exponent);
    const Result r = Filtered(GetParam(), f, image, 1, 1);
    EXPECT_EQ(r.status, Status::Done);
    EXPECT_EQ((std::vector<int>{r.pixels[0].b, r.pixels[0].g, r.pixels[0].r}), c.expected)
        << c.weight << " " << double(c.divisor) << " " << std::hex << c.sign_exponent << " "
        << c.significand;
  }
}

TEST_P(ConvolutionPaths, ZeroAndNanDivisorsStopBeforeAnyPixelIsWritten) {
  const Image red_five = {Pixel24{0, 0, 5}, Grey(9)};
  const Image red_zero = {Pixel24{3, 4, 0}, Grey(9)};  // only the red sum, divided first, is 0
  for (uint16_t sign : {0x0000, 0x8000}) {
    const TMatrixFilter zero = WithDivisorBits(Centre(1, 1, 0), 0, sign);
    const Result a = Filtered(GetParam(), zero, red_five, 2, 1);
    const Result b = Filtered(GetParam(), zero, red_zero, 2, 1);
    EXPECT_EQ(a.status, Status::DivisionByZero);
    EXPECT_EQ(b.status, Status::InvalidOperation);
    EXPECT_TRUE(Untouched(a) && Untouched(b));
  }
  // Quiet and signalling NaNs, and what the x87 unit rejects: an unnormal, a
  // pseudo-zero, a pseudo-infinity, a pseudo-NaN.
  const std::pair<uint64_t, uint16_t> rejected[] = {{0xC000000000000000u, 0x7FFF},
                                                    {0xA000000000000000u, 0xFFFF},
                                                    {0x4000000000000000u, 0x3FFF},
                                                    {0, 0x4000},
                                                    {0, 0x7FFF},
                                                    {0x1234, 0x7FFF}};
  for (const auto& bits : rejected) {
    const Result r = Filtered(GetParam(), WithDivisorBits(Centre(1, 1, 0), bits.first, bits.second),
                              red_five, 2, 1);
    EXPECT_EQ(r.status, Status::InvalidOperation) << std::hex << bits.second << " " << bits.first;
    EXPECT_TRUE(Untouched(r));
  }
}

TEST_P(ConvolutionPaths, FractionalDivisorsRoundTheExtendedQuotient) {
  Image image(256);  // with the identity kernel each sum is the pixel's value
  for (int v = 0; v < 256; ++v) image[v] = Grey(v);
  for (long double divisor : {1.2L, 0.56L}) {
    const std::vector<int> out =
        Channel(Filtered(GetParam(), Centre(1, divisor, 0), image, 16, 16), 1);
    int differ = 0;  // bytes a double-precision quotient gets otherwise
    for (int v = 0; v < 256; ++v)
      differ += out[v] != std::min(255, int(std::nearbyint(v / double(divisor))));
    EXPECT_GT(differ, 0) << double(divisor);
    // 1.2 in 80 bits lies above 1.2, so 9 / 1.2 falls just under 7.5 (in double
    // it rounds to 7.5, then 8); 21 / 0.56 rounds to exactly 37.5 in 80 bits, a
    // half that goes to 38 (in double it stays below).
    EXPECT_EQ(divisor == 1.2L ? out[9] : out[21], divisor == 1.2L ? 7 : 38);
  }
}

TEST_P(ConvolutionPaths, OtherRadiiAndEmptySizesWriteNothing) {
  const TMatrixFilter zero = Centre(1, 0, 0);  // a division would fail
  for (int radius : {-1, 0, 4, 7}) {
    const Result r = Filtered(GetParam(), zero, Image(12, Grey(9)), 4, 3, radius);
    EXPECT_EQ(r.status, Status::Done);
    EXPECT_TRUE(Untouched(r)) << radius;
  }
  for (auto size : {std::make_pair(0, 5), std::make_pair(5, 0), std::make_pair(-3, 4),
                    std::make_pair(4, -3), std::make_pair(-4, -4)})
    EXPECT_EQ(ConvolveUsing(GetParam(), zero, 1, nullptr, nullptr, size.first, size.second),
              Status::Done);
}

std::string PathName(const ::testing::TestParamInfo<Path>& info) {
  const char* const names[] = {"Fastest", "Sse2", "Reference"};
  return names[int(info.param)];
}
INSTANTIATE_TEST_SUITE_P(AllPaths, ConvolutionPaths,
                         ::testing::Values(Path::Fastest, Path::Sse2, Path::Reference), PathName);

// The division step alone: both fast paths against the extended quotient.
void ExpectDivisionAgrees(long double divisor, int32_t offset, int64_t bound,
                          const std::vector<int32_t>& sums) {
  std::vector<uint8_t> want(sums.size()), got(sums.size());
  convolution_detail::DivideSums(Path::Reference, divisor, offset, bound, sums.data(),
                                 int64_t(sums.size()), want.data());
  for (Path path : kFastPaths) {
    convolution_detail::DivideSums(path, divisor, offset, bound, sums.data(), int64_t(sums.size()),
                                   got.data());
    ASSERT_EQ(want, got) << double(divisor) << " offset " << offset << " bound " << bound;
  }
}

TEST(ConvolutionDivision, EveryReachableSumOfEachBuiltIn) {
  for (int k = 0; k < kBuiltInFilterCount; ++k) {
    const TMatrixFilter f = BuiltInFilter(k);
    int64_t bound = 0;
    for (const auto& row : f.Coeff)
      for (int32_t c : row) bound += 255 * int64_t(std::abs(c));
    std::vector<int32_t> sums;
    for (int64_t s = -bound; s <= bound; ++s) sums.push_back(int32_t(s));
    ExpectDivisionAgrees(f.Divisor(), f.Offset, bound, sums);
  }
}

// Whole divisors (in both modes: small bounds take single precision, large
// ones double) and fractional ones, two sums either side of every tie.
TEST(ConvolutionDivision, SumsBesideEveryTie) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 400; ++trial) {
    long double divisor = trial % 2 == 0
                              ? (long double)(1 + random() % (trial < 200 ? 600 : 1 << 24))
                              : (long double)(random() % 100000 + 1) / (random() % 997 + 1);
    if (random() % 3 == 0) divisor = -divisor;
    const int32_t offset = int32_t(random() % 600) - 300;
    const int64_t bound = random() % 2 ? (1 << 23) - 1 : INT32_MAX;
    std::vector<int32_t> sums;
    for (int v = -offset - 2; v <= 257 - offset; ++v)
      for (int d = -2; d <= 2; ++d) {
        const long double s = std::floor((v + 0.5L) * divisor) + d;
        if (s >= -bound && s <= bound) sums.push_back(int32_t(s));
      }
    ExpectDivisionAgrees(divisor, offset, bound, sums);
  }
}

// Random kernels of every shape the fast path tells apart: sparse and dense;
// weights within a byte, of exactly 128, within 16 bits, up to the 32-bit
// extremes; whole, negative, fractional and tiny divisors.
TMatrixFilter RandomKernel(std::mt19937& random, int radius) {
  const int32_t magnitudes[] = {1, 3, 127, 128, 2000, 32767, 32768, 1 << 20, INT32_MAX};
  const long double divisors[] = {1,       -1,  8,    9,     6676,  -7,    16777215,
                                  1 << 24, 3e9, 1.2L, 0.56L, -2.5L, 1e-3L, 1234.567L};
  TMatrixFilter f = BuiltInFilter(6);
  const int32_t magnitude = magnitudes[random() % 9];
  const unsigned density = 1 + random() % 4;  // one weight in `density` is set
  for (auto& row : f.Coeff)
    for (int32_t& c : row)
      c = random() % density == 0
              ? int32_t(int64_t(random() % (uint64_t(magnitude) * 2 + 1)) - magnitude)
              : 0;
  if (random() % 8 == 0) f.Coeff[3][3] = random() % 2 ? INT32_MIN : INT32_MAX;
  if (random() % 16 == 0) {  // one weight of +-128: 16-bit sums, but not a signed byte
    std::memset(f.Coeff, 0, sizeof f.Coeff);
    f.Coeff[2 + random() % 3][3] = random() % 2 ? 128 : -128;
  } else if (random() % 8 == 0) {  // one weight on the byte itself: a byte map, or a copy
    std::memset(f.Coeff, 0, sizeof f.Coeff);
    f.Coeff[3][3] = random() % 4 == 0 ? 1 : int32_t(int64_t(random() % (uint64_t(magnitude) * 2 + 1)) - magnitude);
  }
  long double d = divisors[random() % 14];
  if (random() % 3 == 0) d = (long double)(int32_t(random()) % 5000) / (1 + random() % 64);
  f.SetDivisor(d == 0 ? 1 : d);
  f.Size = 2 * radius + 1;
  f.Offset = random() % 10 == 0 ? int32_t(random()) : int32_t(random() % 512) - 256;
  return f;
}

// The seven built-ins on every awkward size (1 x 1 .. 64 x 48, a 7 x 7 kernel on
// 3 x 3), then random kernels on those and on random sizes.
TEST(ConvolutionFastPaths, BuiltInsAndRandomKernelsMatchTheReference) {
  std::mt19937 random(7);
  const std::vector<std::pair<int32_t, int32_t>>& awkward = testing::AwkwardSizes();
  const int built_in_trials = kBuiltInFilterCount * int(awkward.size());
  for (int trial = 0; trial < built_in_trials + 1500; ++trial) {
    const auto size = trial < built_in_trials + 300
                          ? awkward[size_t(trial) % awkward.size()]
                          : std::make_pair(int32_t(1 + random() % 70), int32_t(1 + random() % 30));
    const int radius = trial < built_in_trials ? 1 + 2 * (trial / int(awkward.size()) == 5)
                                               : 1 + int(random() % 3);
    const TMatrixFilter f = trial < built_in_trials ? BuiltInFilter(trial / int(awkward.size()))
                                                    : RandomKernel(random, radius);
    const Image image = testing::RandomPixels(int64_t(size.first) * size.second, random());
    for (Path path : kFastPaths)
      ExpectSameAsReference(path, f, radius, image, size.first, size.second);
  }
}

TEST(ConvolutionFastPaths, SameBytesUnderTheHostsFiftyThreeBitPrecision) {
  const Image image = testing::RandomPixels(64 * 48, 3);
  TMatrixFilter fractional = BuiltInFilter(5);
  fractional.SetDivisor(6676.5L);
  for (const TMatrixFilter& f : {BuiltInFilter(1), BuiltInFilter(5), fractional})
    for (Path path : {Path::Fastest, Path::Sse2, Path::Reference}) {
      const Result native = Filtered(path, f, image, 64, 48);
      testing::HostPrecision53 host;
      const uint32_t mxcsr = _mm_getcsr();
      EXPECT_TRUE(Same(Filtered(path, f, image, 64, 48).pixels, native.pixels)) << f.Name();
      EXPECT_EQ(testing::HostPrecision53::Current(), testing::HostPrecision53::kWord);
      EXPECT_EQ(_mm_getcsr(), mxcsr);
    }
}

// Whole random 240-byte records: any Size, any ten divisor bytes (NaNs,
// infinities, denormals, pseudo-denormals, unnormals, zeros, plain values),
// weights from 1 to 32 bits wide, on small images. MOLVANE_CONVOLUTION_FUZZ
// sets the record count and MOLVANE_CONVOLUTION_FUZZ_SEED the seed.
void RandomDivisor(TMatrixFilter& f, std::mt19937& random) {
  const uint64_t m = (uint64_t(random()) << 32) | random(), integer_bit = 1ull << 63;
  const uint16_t sign = random() % 2 ? 0x8000 : 0, exponent = uint16_t(1 + random() % 0x7FFE);
  switch (random() % 10) {
    case 0:
      return;  // the record's random bytes
    case 1:
      f = WithDivisorBits(f, m | integer_bit, sign | 0x7FFF);
      return;  // NaN or infinity
    case 2:
      f = WithDivisorBits(f, m >> (random() % 64), sign);
      return;  // denormal or zero
    case 3:
      f = WithDivisorBits(f, m | integer_bit, sign);
      return;  // pseudo-denormal
    case 4:
      f = WithDivisorBits(f, m & ~integer_bit, sign | exponent);
      return;  // unnormal
    case 5:
      f = WithDivisorBits(f, integer_bit, sign | 0x7FFF);
      return;  // infinity
    case 6:
      f = WithDivisorBits(f, 0, sign);
      return;  // zero
    case 7:
      f.SetDivisor((sign ? -1.0L : 1.0L) * (1 + random() % (1u << (random() % 32))));
      return;
    case 8:
      f.SetDivisor(std::ldexp((long double)int32_t(random()), -int(random() % 62)));
      return;
    default:
      f = WithDivisorBits(f, m | integer_bit, sign | uint16_t(0x3FFF - 40 + random() % 100));
  }
}

TEST(ConvolutionFuzz, RandomRecordsAgreeWithTheReference) {
  const char* count = std::getenv("MOLVANE_CONVOLUTION_FUZZ");
  const char* seed = std::getenv("MOLVANE_CONVOLUTION_FUZZ_SEED");
  std::mt19937 random(seed != nullptr ? uint32_t(std::atol(seed)) : 17u);
  for (long trial = 0, records = count != nullptr ? std::atol(count) : 3000; trial < records;
       ++trial) {
    TMatrixFilter f;
    for (size_t b = 0; b < sizeof f; ++b) reinterpret_cast<uint8_t*>(&f)[b] = uint8_t(random());
    const int32_t width = int32_t(random() % 32);
    for (auto& row : f.Coeff)
      for (int32_t& c : row) c = random() % 3 == 0 ? c >> (31 - width) : 0;
    RandomDivisor(f, random);
    if (random() % 4 != 0) f.Size = 3 + 2 * int32_t(random() % 3);
    const bool usual = f.Size == 3 || f.Size == 5 || f.Size == 7;
    const int radius = usual ? (f.Size - 1) / 2 : int(random() % 6) - 1;
    const int32_t w = int32_t(random() % 14), h = int32_t(random() % 9);
    const Image image = testing::RandomPixels(int64_t(w) * h, random());
    for (Path path : kFastPaths) {
      ExpectSameAsReference(path, f, radius, image, w, h);
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace molvane
