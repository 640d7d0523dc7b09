// A parameter edit of the WAV dialogs: its default text, the range its exit check allows, the
// message for a bad entry and the format the edit is rewritten in. The command line checks its
// option values through the same fields, so both accept and refuse the same texts.
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>

namespace tonemill {

struct RealField {
  std::string defaultText;
  std::string message;  // shown for a bad entry, for example "Illegal threshold value!"
  bool checkMinimum = false, checkMaximum = false;
  double minimum = 0, maximum = 0;
  int decimals = 0;  // the format the edit is rewritten in
};

// The exit check: a real in the field's range is accepted; the edit then shows it in the
// field's format (`shown`), and the value is what that text reads, as OK reads it back.
// Otherwise the field's message.
std::optional<Problem> CheckField(const RealField& field, const std::string& text, double& value,
                                  std::string& shown);
// The value of a text that passes the check, for callers that only need it.
std::optional<double> FieldValue(const RealField& field, const std::string& text);

// A spin button: the value ± 1, in the field's format, or nothing when the step would leave
// the allowed range (or the text is not a number).
std::optional<std::string> SpinField(const RealField& field, const std::string& text, int direction);

}  // namespace tonemill
