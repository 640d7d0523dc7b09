// The command line's terminal services: a progress bar on stderr, and SIGINT, SIGTERM and
// SIGHUP as Cancel.
#pragma once

#include "tonemill/files/progress.h"

#include <chrono>
#include <string>

namespace tonemill::cli {

class ProgressBar {
 public:
  // Draws only when enabled (stderr is a terminal and --quiet was not given).
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  // Redraws at most a few times a second, within the terminal's width as it is now.
  void Show(const Progress& progress, const std::string& text);
  void Show(double fraction, const std::string& text);
  void Clear();
  static bool StderrIsTerminal();

 private:
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The line for a terminal `columns` wide: "[####......]  42% text", cut to fit, never wrapping.
std::string ProgressLine(double fraction, const std::string& text, int columns);

// SIGINT, SIGTERM and SIGHUP only set a flag here; the operation's pump turns it into a
// cancel, and the command exits 128 + the signal's number.
void InstallInterruptHandler();
bool InterruptRequested();
// The signal that came first, or 0.
int InterruptSignal();
// 128 + that signal (130 when none came).
int CancelledExitCode();

}  // namespace tonemill::cli
