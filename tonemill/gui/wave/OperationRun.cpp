#include "OperationRun.h"

#include "platform/qt/pump.h"

#include <QProgressBar>

#include <cmath>

namespace tonemill::wave {

TOperationRun::TOperationRun(QProgressBar* gauge, QObject* parent) : QObject(parent), gauge_(gauge) {
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, &TOperationRun::timerTimer);
}

void TOperationRun::Start(Progress::CancelMark mark) {
  progress_ = Progress(mark);
  progress_.Reset(1);
  progress_.pump = &TOperationRun::Pump;
  progress_.pumpContext = this;
  running_ = true;
  if (gauge_) gauge_->setValue(0);
  timer_.start();
}

void TOperationRun::Stop() {
  timer_.stop();
  running_ = false;
}

void TOperationRun::Cancel() {
  if (running_ && !progress_.Cancelled()) progress_.Cancel();
}

void TOperationRun::Pump(void*) { platform::ProcessPendingEvents(nullptr); }

void TOperationRun::timerTimer() {
  if (progress_.total < 1) progress_.total = 1;
  if (gauge_) gauge_->setValue(int(std::trunc(progress_.Fraction() * 100)));
}

}  // namespace tonemill::wave
