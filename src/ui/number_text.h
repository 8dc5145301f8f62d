// Numbers shown in and read from dialogs, with the user's decimal separator.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace molvane::ui {

// Decimal digits with a minus sign when negative.
std::string IntToText(int64_t value);

// Fixed notation with `decimals` digits after the user's decimal separator,
// rounded from the exact extended value ("%.2f").
std::string FormatFixed(long double value, int decimals);

// "%.4g": four significant digits of the exact value, an exact decimal tie
// rounded away from zero; fixed notation when the rounded value has at most
// four digits before the separator and is at least 0.0001 in magnitude,
// otherwise one digit, the separator, the rest and "E" with an exponent
// without plus sign or leading zeros. Trailing zeros and a bare separator are
// dropped: 12345 gives "1.235E4", 0.00002 "2E-5", 6676 "6676".
std::string FormatGeneral4(long double value, char separator);

// What a text that cannot be read as a number raises; its message is what
// the user sees in the error box.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Optional surrounding blanks, optional sign, decimal digits; within 32 bits.
// Throws ConversionError "'text' n'est pas une valeur entière correcte".
int32_t TextToInt(const std::string& text);

// Optional surrounding blanks, optional sign, digits with at most one
// `separator`, an optional exponent (E or e, optional sign, digits); finite.
// Throws ConversionError "'text' n'est pas une valeur en virgule flottante correcte".
long double TextToReal(const std::string& text, char separator);

}  // namespace molvane::ui
