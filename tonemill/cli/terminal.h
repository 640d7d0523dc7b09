// The command line's terminal services: a progress bar on stderr, and SIGINT, SIGTERM and
// SIGHUP as Cancel.
#pragma once

#include "tonemill/files/progress.h"

#include <chrono>
#include <functional>
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

// The command line's pump for a long operation: a signal becomes a cancel, and the bar (when
// shown) is redrawn with the progress and the text `describe` gives — by default the item —
// and "Cancelling" once cancelled. Pass `Call` and the pump's address to a library, or
// `Attach` it as the progress's own pump.
class ProgressPump {
 public:
  using Describe = std::function<std::string(const Progress&)>;
  ProgressPump(Progress& progress, bool showBar, Describe describe = {});
  ProgressPump(const ProgressPump&) = delete;
  ProgressPump& operator=(const ProgressPump&) = delete;

  void Attach();
  static void Call(void* pump);
  void Clear() { bar_.Clear(); }

 private:
  Progress& progress_;
  ProgressBar bar_;
  Describe describe_;
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
