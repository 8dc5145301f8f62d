// Number formatting for dialogs.
#include "ui/number_text.h"

#include <cstdio>

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

}  // namespace molvane::ui
