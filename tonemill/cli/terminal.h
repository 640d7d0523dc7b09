// The command line's terminal services: a progress bar on stderr and Ctrl-C as Cancel.
#pragma once

#include <chrono>
#include <string>

namespace tonemill::cli {

class ProgressBar {
 public:
  // Draws only when enabled (stderr is a terminal and --quiet was not given).
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  // Redraws at most a few times a second; `fraction` is clamped to 0..1.
  void Show(double fraction, const std::string& text);
  void Clear();
  static bool StderrIsTerminal();

 private:
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// Ctrl-C only sets a flag here; the operation's pump turns it into a cancel.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace tonemill::cli
