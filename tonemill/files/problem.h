// A problem an operation reports: the system's message, the file it concerns and the line
// there. The command line prints it as "FILE:LINE: message"; a dialog shows the message.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tonemill {

struct Problem {
  Problem() = default;
  Problem(std::string message, std::string file = {}, int64_t line = 0, std::string reason = {})
      : message(std::move(message)), file(std::move(file)), line(line), reason(std::move(reason)) {}

  std::string message;  // the system's own text
  std::string file;     // the file concerned, or empty
  int64_t line = 0;     // 1-based line in `file`, 0 when there is none
  std::string reason;   // the operating system's reason, where the message is generic
  std::string boxText;  // the system's wording for a message box, when it differs from the above

  bool operator==(const Problem&) const = default;
  // "FILE:LINE: message (reason)", leaving out what is empty.
  std::string Text() const;
  // The message with the reason.
  std::string MessageWithReason() const;
  // What a message box shows.
  std::string BoxText() const { return boxText.empty() ? MessageWithReason() : boxText; }
};

// The operating system's wording for an errno value, as "reason" text.
std::string SystemReason(int errorNumber);

// Why `path` cannot be read as a file ("no such file or directory", "is a directory", "not a
// regular file", "permission denied"), or an empty text when it can.
std::string UnreadableFileReason(const std::string& path);

}  // namespace tonemill
