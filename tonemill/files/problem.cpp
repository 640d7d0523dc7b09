#include "problem.h"

#include <cctype>
#include <cstring>

namespace tonemill {

std::string Problem::Text() const {
  std::string text;
  if (!file.empty()) {
    text = file;
    if (line > 0) text.append(":").append(std::to_string(line));
    text += ": ";
  }
  return text + MessageWithReason();
}

std::string Problem::MessageWithReason() const {
  return reason.empty() ? message : message + " (" + reason + ")";
}

std::string SystemReason(int errorNumber) {
  std::string text = std::strerror(errorNumber);
  if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace tonemill
