// Number routines: reals are written with "." as decimal separator whatever the locale.
#pragma once

#include <optional>
#include <string>

namespace tonemill {

// Parses a real: leading blanks allowed, nothing after the number.
std::optional<double> ParseReal(const std::string& text);
// Parses a decimal integer: leading blanks allowed, nothing after the number, 32-bit range.
std::optional<int> ParseInteger(const std::string& text);

// The number syntax of instrument files, nothing before or after the number:
// an integer is an optional sign and decimal digits, or a sign, "$" and hexadecimal digits,
// within the 32-bit signed range;
std::optional<int> ParseIntegerField(const std::string& text);
// a real is an optional sign, digits, an optional "." with optional fraction digits and an
// optional exponent ("E" or "e", optional sign, digits); it must be finite.
std::optional<double> ParseRealField(const std::string& text);

bool IsRealInRange(const std::string& text, bool checkMinimum, bool checkMaximum, double minimum,
                   double maximum);

// The text's value (0 when it does not parse) truncated toward zero to `digits` decimals: the
// fractional part × 10 `digits` times, truncated, × 0.1 `digits` times, plus the integer part.
double TruncateDecimals(const std::string& text, int digits);

// Divides both by their greatest common divisor (Euclid on the two values); a numerator of 0
// makes the denominator 1.
void ReduceFraction(int& numerator, int& denominator);

// The value with exactly `decimals` decimals and no leading blanks. The value is first taken
// to 15 significant digits, the precision in which it was written, and then rounded half away
// from zero, so 0.145 gives "0.15"; a result of zero has no sign.
std::string FormatFixed(double value, int decimals);

}  // namespace tonemill
