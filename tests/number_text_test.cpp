// Numbers as dialogs show and read them: "%.4g" with its ties, integers and reals from edit boxes.
#include "ui/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace molvane::ui {
namespace {

TEST(FormatGeneral4, ShortValuesShowAsTheyAre) {
  EXPECT_EQ(FormatGeneral4(9, '.'), "9");
  EXPECT_EQ(FormatGeneral4(6676, '.'), "6676");
  EXPECT_EQ(FormatGeneral4(1.2L, ','), "1,2");
  EXPECT_EQ(FormatGeneral4(0.56L, '.'), "0.56");
  EXPECT_EQ(FormatGeneral4(-8, '.'), "-8");
  EXPECT_EQ(FormatGeneral4(0, '.'), "0");
  EXPECT_EQ(FormatGeneral4(-0.0L, '.'), "0");
}

TEST(FormatGeneral4, RoundsToFourDigitsWithExactTiesAwayFromZero) {
  EXPECT_EQ(FormatGeneral4(12345, '.'), "1.235E4");  // C's %g would give 1.234e+04
  EXPECT_EQ(FormatGeneral4(-12345, '.'), "-1.235E4");
  EXPECT_EQ(FormatGeneral4(1.0625L, '.'), "1.063");  // 17/16, an exact tie
  EXPECT_EQ(FormatGeneral4(1.1875L, '.'), "1.188");
  EXPECT_EQ(FormatGeneral4(12344, '.'), "1.234E4");
  EXPECT_EQ(FormatGeneral4(3.14159265L, ','), "3,142");
}

TEST(FormatGeneral4, SwitchesToScientificOutsideFourDigitsAndOneTenThousandth) {
  EXPECT_EQ(FormatGeneral4(9999, '.'), "9999");
  EXPECT_EQ(FormatGeneral4(9999.5L, '.'), "1E4");  // the carry adds a digit
  EXPECT_EQ(FormatGeneral4(99995, '.'), "1E5");
  EXPECT_EQ(FormatGeneral4(0.00002L, '.'), "2E-5");
  EXPECT_EQ(FormatGeneral4(0.0001L, '.'), "0.0001");
  EXPECT_EQ(FormatGeneral4(0.00009999L, ','), "9,999E-5");
  EXPECT_EQ(FormatGeneral4(1e-30L, '.'), "1E-30");
  EXPECT_EQ(FormatGeneral4(1e300L, '.'), "1E300");
  EXPECT_EQ(FormatGeneral4(0.001234L, '.'), "0.001234");
}

TEST(FormatGeneral4, ExtremeValuesStillFormat) {
  EXPECT_EQ(FormatGeneral4(std::numeric_limits<long double>::denorm_min(), '.'), "3.645E-4951");
  EXPECT_EQ(FormatGeneral4(std::numeric_limits<long double>::max(), '.'), "1.19E4932");
  EXPECT_EQ(FormatGeneral4(NAN, '.'), "NAN");
  EXPECT_EQ(FormatGeneral4(-INFINITY, '.'), "-INF");
}

TEST(TextToInt, ReadsSignedDecimalsWithinThirtyTwoBits) {
  EXPECT_EQ(TextToInt(" 12 "), 12);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToInt("2147483647"), INT32_MAX);
  for (const char* bad : {"", " ", "-", "2147483648", "-2147483649", "1.0", "1e3", "12a", "0x10"})
    EXPECT_THROW(TextToInt(bad), ConversionError) << bad;
}

TEST(TextToInt, TheMessageQuotesTheText) {
  try {
    TextToInt("");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'' n'est pas une valeur enti\xE8re correcte");
  }
}

TEST(TextToReal, ReadsTheUsersSeparatorAndAnExponent) {
  EXPECT_EQ(TextToReal("1,5", ','), 1.5L);
  EXPECT_EQ(TextToReal(" -2,25E1 ", ','), -22.5L);
  EXPECT_EQ(TextToReal("1e3", '.'), 1000.0L);
  EXPECT_EQ(TextToReal(",5", ','), 0.5L);
  EXPECT_EQ(TextToReal("5,", ','), 5.0L);
  EXPECT_EQ(TextToReal("1.2", '.'), 12.0L / 10.0L) << "the extended value, not the double";
  EXPECT_EQ(TextToReal("1e-4940", '.') > 0, true) << "subnormals are numbers";
  for (const char* bad : {"", ",", "1.5", "1,2,3", "1e", "e5", "1e+", "nan", "INF", "1e5000", "--1"})
    EXPECT_THROW(TextToReal(bad, ','), ConversionError) << bad;
  try {
    TextToReal("abc", ',');
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'abc' n'est pas une valeur en virgule flottante correcte");
  }
}

TEST(TextToReal, ReadsBackWhatFormatGeneral4Shows) {
  for (long double v : {12345.0L, 0.00002L, 6676.0L, -1.0625L, 1e-30L})
    EXPECT_EQ(FormatGeneral4(TextToReal(FormatGeneral4(v, ','), ','), ','), FormatGeneral4(v, ','));
  EXPECT_EQ(TextToReal(FormatGeneral4(12345, ','), ','), 12350.0L);
}

}  // namespace
}  // namespace molvane::ui
