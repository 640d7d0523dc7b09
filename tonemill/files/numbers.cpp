#include "numbers.h"

#include <cerrno>
#include <cmath>
#include <climits>
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

bool IsRealInRange(const std::string& text, bool checkMinimum, bool checkMaximum, double minimum,
                   double maximum) {
  std::optional<double> v = ParseReal(text);
  if (!v) return false;
  if (checkMinimum && *v < minimum) return false;
  if (checkMaximum && *v > maximum) return false;
  return true;
}

}  // namespace tonemill
