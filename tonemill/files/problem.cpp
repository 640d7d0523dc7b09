#include "problem.h"

#include "platform/filesystem.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

std::string UnreadableFileReason(const std::string& path) {
  const std::string native = platform::NativePath(path);
  struct stat st {};
  if (native.empty()) return SystemReason(ENOENT);
  if (::stat(native.c_str(), &st) != 0) return SystemReason(errno);
  if (S_ISDIR(st.st_mode)) return SystemReason(EISDIR);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (::access(native.c_str(), R_OK) != 0) return SystemReason(errno);
  return "";
}

}  // namespace tonemill
