// The progress of a long operation: one type for the song render, the range frame, the effects,
// the importer and a batch. The worker advances `done` towards `total`; the command line's bar
// and the dialogs' timers read it; a cancel pushes `done` to where the worker's next test ends
// its loop, and the operation then finishes a valid, shorter output.
#pragma once

#include "platform/library.h"

#include <cstdint>
#include <string>

namespace tonemill {

class Progress {
 public:
  // How far past the total a cancel pushes the counter: the song render stops at the total
  // itself (line = lines), the range frame and the effects one beyond it.
  enum class CancelMark { AtTotal, PastTotal };

  explicit Progress(CancelMark mark = CancelMark::PastTotal) : mark_(mark) {}

  // The two counters the worker reads and writes (the library through pointers to them).
  int32_t total = 1;
  int32_t done = 0;
  // What is being worked on (an instrument, a sample, a song), for display.
  std::string item;
  // The front end's pump: long loops call it at fixed intervals so that the display and the
  // Cancel button (or a signal) are served; it may cancel.
  platform::PumpFunction pump = nullptr;
  void* pumpContext = nullptr;
  void Pump() const {
    if (pump) pump(pumpContext);
  }

  void Reset(int32_t newTotal = 1) {
    total = newTotal;
    done = 0;
    cancelled_ = false;
  }
  // Ends the work at the worker's next test. Remembers how far it got for display.
  void Cancel();
  bool Cancelled() const { return cancelled_; }
  // Where the counter stood when the cancel came.
  int32_t DoneAtCancel() const { return doneAtCancel_; }
  // done / total in 0..1 (total below 1 counts as 1); after a cancel, the fraction reached
  // before it, so that a cancelled run never shows as complete.
  double Fraction() const;

 private:
  CancelMark mark_;
  bool cancelled_ = false;
  int32_t doneAtCancel_ = 0;
};

}  // namespace tonemill
