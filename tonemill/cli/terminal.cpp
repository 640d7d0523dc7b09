#include "terminal.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace tonemill::cli {
namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnInterrupt(int signal) {
  if (gSignal == 0) gSignal = signal;
}

constexpr int kDefaultColumns = 80;
constexpr int kMaxBarWidth = 30;

int TerminalColumns() {
  winsize size {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

// Cuts UTF-8 text to at most `columns` characters (one column each), never inside a character.
std::string FitColumns(const std::string& text, size_t columns) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (count == columns) return text.substr(0, i);
    ++count;
  }
  return text;
}

}  // namespace

std::string ProgressLine(double fraction, const std::string& text, int columns) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  const size_t usable = size_t(std::max(columns - 1, 1));  // the last column would wrap
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", int(fraction * 100));
  std::string line;
  const int barWidth = std::min(kMaxBarWidth, (columns - 8) / 3);
  if (barWidth >= 5) {
    std::string bar(size_t(fraction * barWidth), '#');
    bar.resize(size_t(barWidth), '.');
    line = "[" + bar + "] ";
  }
  line += percent;
  if (!text.empty()) line += " " + text;
  return FitColumns(line, usable);
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled) {}

ProgressBar::~ProgressBar() { Clear(); }

bool ProgressBar::StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void ProgressBar::Show(const Progress& progress, const std::string& text) {
  Show(progress.Fraction(), text);
}

void ProgressBar::Show(double fraction, const std::string& text) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  // Carriage return and erase-to-end: a narrower terminal after a resize leaves no remnants.
  std::fprintf(stderr, "\r%s\x1b[K", ProgressLine(fraction, text, TerminalColumns()).c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

ProgressPump::ProgressPump(Progress& progress, bool showBar, Describe describe)
    : progress_(progress),
      bar_(showBar && ProgressBar::StderrIsTerminal()),
      describe_(std::move(describe)) {
  InstallInterruptHandler();
}

void ProgressPump::Attach() {
  progress_.pump = Call;
  progress_.pumpContext = this;
}

void ProgressPump::Call(void* pump) {
  auto& self = *static_cast<ProgressPump*>(pump);
  if (InterruptRequested() && !self.progress_.Cancelled()) self.progress_.Cancel();
  if (self.progress_.Cancelled())
    self.bar_.Show(self.progress_, "Cancelling");
  else
    self.bar_.Show(self.progress_, self.describe_ ? self.describe_(self.progress_) : self.progress_.item);
}

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return gSignal != 0; }

int InterruptSignal() { return gSignal; }

int CancelledExitCode() { return 128 + (gSignal != 0 ? int(gSignal) : SIGINT); }

}  // namespace tonemill::cli
