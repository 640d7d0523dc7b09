#include "numbers.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace tonemill {
namespace {

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

size_t SkipBlanks(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

size_t CountDigits(const std::string& text, size_t pos) {
  size_t n = 0;
  while (pos + n < text.size() && IsDigit(text[pos + n])) ++n;
  return n;
}

}  // namespace

std::optional<double> ParseReal(const std::string& text) {
  size_t start = SkipBlanks(text);
  // strtod would also skip other white space; only blanks may lead.
  if (start == text.size() || text[start] == '\t' || text[start] == '\n') return std::nullopt;
  const char* begin = text.c_str() + start;
  char* end = nullptr;
  double value = strtod_l(begin, &end, CLocale());
  if (end == begin || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> ParseInteger(const std::string& text) {
  size_t start = SkipBlanks(text);
  if (start == text.size() || text[start] == '\t' || text[start] == '\n') return std::nullopt;
  const char* begin = text.c_str() + start;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
    return std::nullopt;
  return int(value);
}

std::optional<int> ParseIntegerField(const std::string& text) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const bool hex = pos < text.size() && text[pos] == '$';
  if (hex) ++pos;
  if (pos == text.size()) return std::nullopt;
  long long value = 0;
  for (; pos < text.size(); ++pos) {
    int digit = hex ? HexDigit(text[pos]) : (IsDigit(text[pos]) ? text[pos] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + digit;
    if (value > (long long)INT_MAX + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return int(value);
}

std::optional<double> ParseRealField(const std::string& text) {
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  size_t digits = CountDigits(text, pos);
  if (digits == 0) return std::nullopt;
  pos += digits;
  if (pos < text.size() && text[pos] == '.') pos += 1 + CountDigits(text, pos + 1);
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    digits = CountDigits(text, pos);
    if (digits == 0) return std::nullopt;
    pos += digits;
  }
  if (pos != text.size()) return std::nullopt;
  double value = strtod_l(text.c_str(), nullptr, CLocale());
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

bool IsRealInRange(const std::string& text, bool checkMinimum, bool checkMaximum, double minimum,
                   double maximum) {
  std::optional<double> v = ParseReal(text);
  if (!v) return false;
  if (checkMinimum && *v < minimum) return false;
  if (checkMaximum && *v > maximum) return false;
  return true;
}

double TruncateDecimals(const std::string& text, int digits) {
  const double value = ParseReal(text).value_or(0.0);
  const double integerPart = std::trunc(value);
  double fraction = value - integerPart;
  for (int i = 0; i < digits; ++i) fraction *= 10;
  fraction = std::trunc(fraction);
  for (int i = 0; i < digits; ++i) fraction *= 0.1;
  return fraction + integerPart;
}

void ReduceFraction(int& numerator, int& denominator) {
  if (numerator == 0) {
    denominator = 1;
    return;
  }
  // 64 bits, so that the most negative value divides without overflow.
  long long a = numerator, b = denominator;
  while (b != 0) {
    long long t = a % b;
    a = b;
    b = t;
  }
  long long p = numerator / a, q = denominator / a;
  if (p < INT_MIN || p > INT_MAX || q < INT_MIN || q > INT_MAX) return;
  numerator = int(p);
  denominator = int(q);
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return std::to_string(value);
  // 15 significant digits: "d.dddddddddddddde±x".
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (IsDigit(*p)) digits += *p;
  const int exponent = std::atoi(p + 1);
  // digits[i] has the weight 10^(exponent - i); keep those down to 10^-decimals.
  const int keep = exponent + 1 + decimals;
  std::string kept;  // the integer value × 10^decimals, as decimal digits
  bool roundUp = false;
  if (keep >= 0) {
    kept = digits.substr(0, size_t(std::min<int>(keep, int(digits.size()))));
    if (keep > int(digits.size())) kept.append(size_t(keep - int(digits.size())), '0');
    roundUp = keep < int(digits.size()) && digits[size_t(keep)] >= '5';
  }
  if (kept.empty()) kept.push_back('0');
  if (roundUp) {
    int i = int(kept.size()) - 1;
    for (; i >= 0 && kept[size_t(i)] == '9'; --i) kept[size_t(i)] = '0';
    if (i < 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[size_t(i)];
  }
  if (kept.size() < size_t(decimals) + 1) kept.insert(0, size_t(decimals) + 1 - kept.size(), '0');
  size_t firstNonZero = kept.find_first_not_of('0', 0);
  while (kept.size() > size_t(decimals) + 1 && kept[0] == '0') kept.erase(0, 1);
  std::string out;
  if (value < 0 && firstNonZero != std::string::npos) out.push_back('-');
  out.append(kept, 0, kept.size() - size_t(decimals));
  if (decimals > 0) {
    out.push_back('.');
    out.append(kept, kept.size() - size_t(decimals), std::string::npos);
  }
  return out;
}

}  // namespace tonemill
