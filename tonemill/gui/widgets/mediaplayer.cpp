#include "mediaplayer.h"

#include "tonemill/files/wavheader.h"

namespace tonemill::app {

WavRangeDevice::WavRangeDevice(const QString& path, qint64 dataStart, qint64 begin, qint64 end, int bits,
                               double gain)
    : file_(path), dataStart_(dataStart), position_(begin), end_(end), bits_(bits), gain_(gain) {}

bool WavRangeDevice::open(OpenMode mode) {
  if (!file_.open(QIODevice::ReadOnly) || !file_.seek(dataStart_ + position_)) return false;
  return QIODevice::open(mode);
}

qint64 WavRangeDevice::bytesAvailable() const {
  return (end_ - position_) + QIODevice::bytesAvailable();
}

qint64 WavRangeDevice::readData(char* data, qint64 maxSize) {
  qint64 want = qMin(maxSize, end_ - position_);
  const bool scaled = gain_ != 1.0;
  // Scaled 16-bit samples are read whole.
  if (scaled && bits_ == 16 && want > 1) want &= ~qint64(1);
  if (want <= 0) return 0;
  qint64 got = file_.read(data, want);
  if (got <= 0) {
    position_ = end_;  // a file cut short ends the playing
    return 0;
  }
  position_ += got;
  if (scaled && bits_ == 8) {
    for (qint64 i = 0; i < got; ++i) {
      const double v = (double(uint8_t(data[i])) - 128) * gain_;
      data[i] = char(uint8_t(qBound(0, qRound(v) + 128, 255)));
    }
  } else if (scaled) {
    for (qint64 i = 0; i + 1 < got; i += 2) {
      const int16_t sample = int16_t(uint16_t(uint8_t(data[i])) | uint16_t(uint8_t(data[i + 1])) << 8);
      const uint16_t v = uint16_t(int16_t(qBound(-32768, qRound(sample * gain_), 32767)));
      data[i] = char(v & 0xff);
      data[i + 1] = char(v >> 8);
    }
  }
  return got;
}

TMediaPlayer::TMediaPlayer(QObject* parent) : QObject(parent) {}
TMediaPlayer::~TMediaPlayer() { Close(); }

bool TMediaPlayer::Open(const QString& path, QString& error) {
  Close();
  const TWAVheader header(path.toStdString());
  if (!header.Valid) {
    error = QString::fromStdString(WavInputProblem(header, path.toStdString()));
    if (error.isEmpty()) error = "Error reading file!";
    return false;
  }
  // The sound device takes 8- and 16-bit samples; wider ones would play as noise.
  if (header.BitsPerSample != 8 && header.BitsPerSample != 16) {
    error = path + QString(": %1-bit samples; the player plays 8- and 16-bit files").arg(header.BitsPerSample);
    return false;
  }
  path_ = path;
  format_ = {header.SampleRate, header.BitsPerSample, header.Channels};
  dataStart_ = header.DataStart;
  // Only whole frames that the file really holds are played.
  const qint64 available = qMax<qint64>(0, QFile(path).size() - dataStart_);
  frames_ = qMin<qint64>(header.DataSize, available) / format_.BytesPerFrame();
  base_ = 0;
  mode_ = Mode::Stopped;
  return true;
}

void TMediaPlayer::Close() {
  if (output_) output_->Stop();
  output_.reset();
  device_.reset();
  mode_ = Mode::NotReady;
  frames_ = base_ = 0;
}

qint64 TMediaPlayer::Position() const {
  if (!output_ || (mode_ != Mode::Playing && mode_ != Mode::Paused)) return base_;
  return qMin(end_, base_ + output_->PlayedFrames());
}

bool TMediaPlayer::Play(qint64 to) {
  if (mode_ == Mode::NotReady) return false;
  if (mode_ == Mode::Paused) {
    Resume();
    return true;
  }
  if (mode_ == Mode::Playing) Finish(Notify::Superseded, Mode::Stopped);
  end_ = (to < 0 || to > frames_) ? frames_ : to;
  if (base_ >= end_) base_ = 0;  // at the end, play starts again from the start
  output_ = platform::MakeAudioOutput();
  const qint64 bpf = format_.BytesPerFrame();
  device_ = std::make_unique<WavRangeDevice>(path_, dataStart_, base_ * bpf, end_ * bpf, format_.bits, gain_);
  if (!device_->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    error_ = tr("Error reading file!");
    output_.reset();
    return false;
  }
  connect(output_.get(), &platform::AudioOutput::Drained, this, [this] {
    base_ = end_;
    Finish(Notify::Successful, Mode::Stopped);
  });
  connect(output_.get(), &platform::AudioOutput::Failed, this, [this] {
    error_ = output_->ErrorText();
    Finish(Notify::Failure, Mode::NotReady);
  });
  if (!output_->Start(format_, device_.get())) {
    error_ = output_->ErrorText();
    output_.reset();
    device_.reset();
    mode_ = Mode::NotReady;
    return false;
  }
  mode_ = Mode::Playing;
  emit Started();
  return true;
}

void TMediaPlayer::Finish(Notify notify, Mode mode) {
  if (output_) {
    const qint64 at = Position();
    output_->Stop();
    // The output goes after its signal has been handled.
    output_.release()->deleteLater();
    base_ = at;
  }
  device_.reset();
  mode_ = mode;
  emit Notified(notify);
}

void TMediaPlayer::Pause() {
  if (mode_ != Mode::Playing || !output_) return;
  output_->Suspend();
  mode_ = Mode::Paused;
}

void TMediaPlayer::Resume() {
  if (mode_ != Mode::Paused || !output_) return;
  output_->Resume();
  mode_ = Mode::Playing;
}

void TMediaPlayer::Stop() {
  if (mode_ == Mode::Playing || mode_ == Mode::Paused) Finish(Notify::Aborted, Mode::Stopped);
}

void TMediaPlayer::Seek(qint64 frame) {
  const bool playing = mode_ == Mode::Playing;
  if (mode_ == Mode::Playing || mode_ == Mode::Paused) Finish(Notify::Aborted, Mode::Stopped);
  base_ = qBound<qint64>(0, frame, frames_);
  if (playing) Play();
}

QString ModeText(TMediaPlayer::Mode mode) {
  switch (mode) {
    case TMediaPlayer::Mode::NotReady: return " Not ready ";
    case TMediaPlayer::Mode::Stopped: return " Stopped ";
    case TMediaPlayer::Mode::Playing: return " Playing ";
    case TMediaPlayer::Mode::Seeking: return " Seeking ";
    case TMediaPlayer::Mode::Paused: return " Paused ";
    case TMediaPlayer::Mode::Open: return " Open ";
  }
  return {};
}

QString NotifyText(TMediaPlayer::Notify notify) {
  switch (notify) {
    case TMediaPlayer::Notify::Successful: return {};
    case TMediaPlayer::Notify::Superseded: return " Superseded ";
    case TMediaPlayer::Notify::Aborted: return " Aborted ";
    case TMediaPlayer::Notify::Failure: return " Error ";
  }
  return {};
}

}  // namespace tonemill::app
