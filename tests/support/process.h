// Runs the program under test as a child process.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int exitCode = -1;  // 128 + signal when it was killed
  std::string out;
  std::string err;
};

// The tonemill executable of this build (next to the test executables).
std::string TonemillPath();

// Runs to completion, capturing stdout and stderr.
ProcessResult RunProcess(const std::vector<std::string>& args);

// Starts without waiting; stderr goes to `errPath`.
pid_t Start(const std::vector<std::string>& args, const std::string& errPath);
int Wait(pid_t pid);

}  // namespace testing_support
