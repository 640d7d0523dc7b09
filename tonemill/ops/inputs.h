// Checks of input files before any work: the system's message, with the operating system's
// reason where the message alone would be generic ("File not found!" for a directory).
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>

namespace tonemill::ops {

// Why `path` cannot be read as a file ("no such file or directory", "is a directory", "not a
// regular file", "permission denied"), or an empty text when it can.
std::string UnreadableReason(const std::string& path);

// `message` about `path` with the reason, when the file cannot be read; nothing when it can.
std::optional<Problem> UnreadableInput(const std::string& path,
                                       const std::string& message = "File not found!");

}  // namespace tonemill::ops
