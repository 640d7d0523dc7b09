// Number routines: reals are written with "." as decimal separator whatever the locale.
#pragma once

#include <optional>
#include <string>

namespace tonemill {

// Parses a real: leading blanks allowed, nothing after the number.
std::optional<double> ParseReal(const std::string& text);
// Parses a decimal integer: leading blanks allowed, nothing after the number, 32-bit range.
std::optional<int> ParseInteger(const std::string& text);

bool IsRealInRange(const std::string& text, bool checkMinimum, bool checkMaximum, double minimum,
                   double maximum);

}  // namespace tonemill
