// Numbers shown in dialogs, with the user's decimal separator.
#pragma once

#include <cstdint>
#include <string>

namespace molvane::ui {

// Decimal digits with a minus sign when negative.
std::string IntToText(int64_t value);

// Fixed notation with `decimals` digits after the user's decimal separator,
// rounded from the exact extended value ("%.2f").
std::string FormatFixed(long double value, int decimals);

}  // namespace molvane::ui
