// Number formatting and reading for dialogs.
#include "ui/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/dialogs.h"

namespace molvane::ui {

std::string IntToText(int64_t value) { return std::to_string(value); }

std::string FormatFixed(long double value, int decimals) {
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, value);
  if (n < 0) return std::string();
  std::string text(buffer, size_t(n) < sizeof buffer ? size_t(n) : sizeof buffer - 1);
  for (char& c : text)
    if (c == '.') c = DecimalSeparator();
  return text;
}

namespace {

// Enough digits to print any extended value exactly: its decimal expansion
// ends within the 16 445 places of the smallest subnormal.
constexpr int kExactDigits = 16500;

// The exact decimal digits of |value| (no leading zero, no trailing zeros,
// at least "0") and the power of ten of the first one.
void ExactDigits(long double magnitude, std::string& digits, int& exponent) {
  std::vector<char> buffer(kExactDigits + 32);
  int n = std::snprintf(buffer.data(), buffer.size(), "%.*Le", kExactDigits, magnitude);
  std::string text(buffer.data(), n > 0 ? size_t(n) : 0);
  const size_t e = text.find('e');
  digits.clear();
  for (size_t i = 0; i < e; ++i)
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  exponent = std::atoi(text.c_str() + e + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace

std::string FormatGeneral4(long double value, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  std::string digits;
  int exponent = 0;
  ExactDigits(std::fabs(value), digits, exponent);
  if (digits.size() > 4) {
    const bool up = digits[4] >= '5';  // an exact tie goes away from zero too
    digits.resize(4);
    if (up) {
      int i = 3;
      while (i >= 0 && digits[size_t(i)] == '9') digits[size_t(i--)] = '0';
      if (i >= 0) {
        ++digits[size_t(i)];
      } else {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exponent;
      }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  }
  std::string text = value < 0 ? "-" : "";
  if (exponent >= -4 && exponent <= 3) {
    if (exponent < 0) {
      text += '0';
      text += separator;
      text.append(size_t(-exponent - 1), '0');
      text += digits;
    } else {
      const size_t whole = size_t(exponent) + 1;
      if (digits.size() <= whole) {
        text += digits;
        text.append(whole - digits.size(), '0');
      } else {
        text += digits.substr(0, whole);
        text += separator;
        text += digits.substr(whole);
      }
    }
    return text;
  }
  text += digits[0];
  if (digits.size() > 1) {
    text += separator;
    text += digits.substr(1);
  }
  text += 'E';
  text += std::to_string(exponent);
  return text;
}

namespace {

std::string Trimmed(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return text.substr(first, last - first);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t TextToInt(const std::string& text) {
  const std::string t = Trimmed(text);
  size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  const bool negative = i == 1 && t[0] == '-';
  int64_t value = 0;
  bool ok = i < t.size();
  for (; ok && i < t.size(); ++i) {
    ok = IsDigit(t[i]);
    value = value * 10 + (t[i] - '0');
    if (value > int64_t(INT32_MAX) + 1) ok = false;
  }
  if (negative) value = -value;
  if (!ok || value > INT32_MAX || value < INT32_MIN)
    throw ConversionError("'" + text + "' n'est pas une valeur entière correcte");
  return int32_t(value);
}

long double TextToReal(const std::string& text, char separator) {
  const std::string t = Trimmed(text);
  std::string normal;  // the same number in the C library's own notation
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
  int mantissaDigits = 0;
  while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++mantissaDigits;
  if (i < t.size() && t[i] == separator) {
    normal += '.';
    ++i;
    while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++mantissaDigits;
  }
  bool ok = mantissaDigits > 0;
  if (ok && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
    int exponentDigits = 0;
    while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++exponentDigits;
    ok = exponentDigits > 0;
  }
  long double value = 0;
  if (ok && i == t.size()) {
    errno = 0;
    value = std::strtold(normal.c_str(), nullptr);
    ok = std::isfinite(value);
  } else {
    ok = false;
  }
  if (!ok) throw ConversionError("'" + text + "' n'est pas une valeur en virgule flottante correcte");
  return value;
}

}  // namespace molvane::ui
