#include "terminal.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tonemill::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled) {}

ProgressBar::~ProgressBar() { Clear(); }

bool ProgressBar::StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void ProgressBar::Show(double fraction, const std::string& text) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  constexpr int kWidth = 30;
  fraction = std::clamp(fraction, 0.0, 1.0);
  int filled = int(fraction * kWidth);
  std::string bar(size_t(filled), '#');
  bar.resize(kWidth, '.');
  std::fprintf(stderr, "\r[%s] %3d%% %-50.50s", bar.c_str(), int(fraction * 100), text.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", 88, "");
  std::fflush(stderr);
  drawn_ = false;
}

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return gInterrupted != 0; }

}  // namespace tonemill::cli
