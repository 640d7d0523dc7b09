#include "inputs.h"

namespace tonemill::ops {

std::string UnreadableReason(const std::string& path) { return UnreadableFileReason(path); }

std::optional<Problem> UnreadableInput(const std::string& path, const std::string& message) {
  std::string reason = UnreadableReason(path);
  if (reason.empty()) return std::nullopt;
  return Problem(message, path, 0, std::move(reason));
}

}  // namespace tonemill::ops
