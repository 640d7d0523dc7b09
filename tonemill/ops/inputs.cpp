#include "inputs.h"

#include "platform/filesystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonemill::ops {

std::string UnreadableReason(const std::string& path) {
  const std::string native = platform::NativePath(path);
  struct stat st {};
  if (native.empty()) return SystemReason(ENOENT);
  if (::stat(native.c_str(), &st) != 0) return SystemReason(errno);
  if (S_ISDIR(st.st_mode)) return SystemReason(EISDIR);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (::access(native.c_str(), R_OK) != 0) return SystemReason(errno);
  return "";
}

std::optional<Problem> UnreadableInput(const std::string& path, const std::string& message) {
  std::string reason = UnreadableReason(path);
  if (reason.empty()) return std::nullopt;
  return Problem(message, path, 0, std::move(reason));
}

}  // namespace tonemill::ops
