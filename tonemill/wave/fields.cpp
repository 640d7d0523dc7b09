#include "fields.h"

#include "tonemill/files/numbers.h"

namespace tonemill {

std::optional<Problem> CheckField(const RealField& field, const std::string& text, double& value,
                                  std::string& shown) {
  if (!IsRealInRange(text, field.checkMinimum, field.checkMaximum, field.minimum, field.maximum))
    return Problem(field.message);
  shown = FormatFixed(*ParseReal(text), field.decimals);
  value = ParseReal(shown).value_or(0.0);
  return std::nullopt;
}

std::optional<double> FieldValue(const RealField& field, const std::string& text) {
  double value = 0;
  std::string shown;
  if (CheckField(field, text, value, shown)) return std::nullopt;
  return value;
}

std::optional<std::string> SpinField(const RealField& field, const std::string& text, int direction) {
  const std::optional<double> v = ParseReal(text);
  if (!v) return std::nullopt;
  const double stepped = *v + (direction < 0 ? -1.0 : 1.0);
  if (field.checkMinimum && stepped < field.minimum) return std::nullopt;
  if (field.checkMaximum && stepped > field.maximum) return std::nullopt;
  return FormatFixed(stepped, field.decimals);
}

}  // namespace tonemill
