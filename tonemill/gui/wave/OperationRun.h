// A long operation run from a dialog: the progress counters the engine or the library advance,
// the dialog's 500 ms timer that shows them on its gauge, the pump that serves the window while
// the work runs on this thread, and Cancel, which pushes the counter past its total so that
// the work ends at its next test with a valid, shorter output.
#pragma once

#include "tonemill/files/progress.h"

#include <QObject>
#include <QTimer>

class QProgressBar;

namespace tonemill::wave {

class TOperationRun : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTimerMs = 500;

  explicit TOperationRun(QProgressBar* gauge = nullptr, QObject* parent = nullptr);
  void SetGauge(QProgressBar* gauge) { gauge_ = gauge; }

  Progress& Counters() { return progress_; }
  bool Running() const { return running_; }
  // Limit 1, progress 0, the timer started; the pump serves pending events.
  void Start(Progress::CancelMark mark = Progress::CancelMark::PastTotal);
  void Stop();
  void Cancel();
  QTimer& Timer() { return timer_; }

  // The pump for the engines and the library: serves the window (the timer, Cancel).
  static void Pump(void* context);

 public slots:
  // The system's timerTimer: the gauge shows Trunc(progress ÷ limit × 100).
  void timerTimer();

 private:
  QProgressBar* gauge_;
  Progress progress_;
  QTimer timer_;
  bool running_ = false;
};

}  // namespace tonemill::wave
