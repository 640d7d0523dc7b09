#include "audiooutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSettleTime = std::chrono::milliseconds(330);
// When the last output closed (the clock's ticks; 0: none has).
std::atomic<Clock::rep> lastClosed{0};

void NoteClosed() { lastClosed = Clock::now().time_since_epoch().count(); }

class QtAudioOutput : public AudioOutput {
 public:
  bool Start(const PcmFormat& format, QIODevice* source) override {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
      error_ = tr("No sound device");
      return false;
    }
    QAudioFormat f;
    f.setSampleRate(format.rate);
    f.setChannelCount(format.channels);
    f.setSampleFormat(format.bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(f)) {
      error_ = tr("The sound device does not play this format");
      return false;
    }
    rate_ = format.rate;
    source_ = source;
    sink_ = std::make_unique<QAudioSink>(device, f);
    // A quarter of a second of buffer at any rate: a busy moment of the program does not starve
    // the device.
    sink_->setBufferSize(f.bytesForDuration(250000));
    tail_.setSingleShot(true);
    connect(&tail_, &QTimer::timeout, this, &AudioOutput::Drained);
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
      // Idle is also an underrun, after which the device asks for more: only a source at its
      // end is done. Even then the server still holds up to a buffer of samples that stopping
      // the sink would drop, so the end is reported once they have been played.
      if (state == QAudio::IdleState && source_->atEnd() && !tail_.isActive())
        tail_.start(int(sink_->format().durationForBytes(sink_->bufferSize()) / 1000) + 100);
      if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError &&
          sink_->error() != QAudio::UnderrunError) {
        error_ = tr("The sound device failed");
        emit Failed();
      }
    });
    sink_->start(source);
    if (sink_->error() != QAudio::NoError) {
      error_ = tr("The sound device cannot be opened");
      sink_.reset();
      return false;
    }
    return true;
  }
  void Suspend() override {
    if (sink_) sink_->suspend();
  }
  void Resume() override {
    if (sink_) sink_->resume();
  }
  ~QtAudioOutput() override {
    if (sink_) NoteClosed();
  }
  void Stop() override {
    tail_.stop();
    if (!sink_) return;
    sink_->stop();
    sink_.reset();
    NoteClosed();
  }
  qint64 PlayedFrames() const override {
    return sink_ ? sink_->processedUSecs() * rate_ / 1000000 : 0;
  }
  QString ErrorText() const override { return error_; }

 private:
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* source_ = nullptr;
  QTimer tail_;
  qint64 rate_ = 44100;
  QString error_;
};

AudioOutputFactory& Factory() {
  static AudioOutputFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<AudioOutput> MakeAudioOutput() {
  if (Factory()) return Factory()();
  return std::make_unique<QtAudioOutput>();
}

void SetAudioOutputFactory(AudioOutputFactory factory) { Factory() = std::move(factory); }

void SettleAudioOutputs() {
  const Clock::rep closed = lastClosed;
  if (closed == 0) return;
  const Clock::time_point settled = Clock::time_point(Clock::duration(closed)) + kSettleTime;
  if (Clock::now() < settled) std::this_thread::sleep_until(settled);
}

bool FakeAudioOutput::Start(const PcmFormat& format, QIODevice* source) {
  if (!refuse_.isEmpty()) {
    error_ = refuse_;
    return false;
  }
  format_ = format;
  source_ = source;
  suspended_ = false;
  played_ = 0;
  bytes_.clear();
  return true;
}

qint64 FakeAudioOutput::Advance(qint64 frames) {
  if (!Playing() || frames <= 0) return 0;
  const QByteArray data = source_->read(frames * format_.BytesPerFrame());
  const qint64 got = data.size() / format_.BytesPerFrame();
  bytes_.append(data);
  played_ += got;
  if (got < frames || source_->atEnd()) emit Drained();
  return got;
}

}  // namespace platform
