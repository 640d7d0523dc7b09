// The sound device the players write to: raw PCM pulled from a QIODevice. The desktop's is Qt
// Multimedia's audio sink; tests install a fake that plays only when told to.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace platform {

struct PcmFormat {
  int rate = 44100;
  int bits = 16;  // 8 (unsigned) or 16 (signed)
  int channels = 2;
  int BytesPerFrame() const { return bits / 8 * channels; }
};

class AudioOutput : public QObject {
  Q_OBJECT
 public:
  // Starts pulling from `source` (not owned; it must outlive the playing). False with
  // ErrorText() set when there is no device or it refuses the format.
  virtual bool Start(const PcmFormat& format, QIODevice* source) = 0;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
  // Stops at once; what was not played yet is dropped.
  virtual void Stop() = 0;
  // Frames played since Start.
  virtual qint64 PlayedFrames() const = 0;
  virtual QString ErrorText() const = 0;

 signals:
  // The source ran dry and everything it gave has been played.
  void Drained();
  // The device failed while playing.
  void Failed();
};

// A new output of the kind in use: Qt Multimedia's default device unless a test installed its
// own factory.
std::unique_ptr<AudioOutput> MakeAudioOutput();
using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;
// Installs `factory` (an empty one puts the default back).
void SetAudioOutputFactory(AudioOutputFactory factory);

// Waits, before the process ends, until a third of a second has passed since the last output
// closed: the sound system answers a closed stream with a change of its device, which Qt
// Multimedia's client handles on a thread of its own, and a process that tore the client down
// meanwhile aborted inside it.
void SettleAudioOutputs();

// A device for tests: plays nothing until Advance is called, never fails unless told to.
class FakeAudioOutput : public AudioOutput {
  Q_OBJECT
 public:
  bool Start(const PcmFormat& format, QIODevice* source) override;
  void Suspend() override { suspended_ = true; }
  void Resume() override { suspended_ = false; }
  void Stop() override { source_ = nullptr; }
  qint64 PlayedFrames() const override { return played_; }
  QString ErrorText() const override { return error_; }

  // Plays up to `frames` frames from the source (none while suspended or stopped); emits
  // Drained when the source has no more. Returns the frames played.
  qint64 Advance(qint64 frames);
  // Makes the next Start fail as a machine without a sound device does.
  void RefuseStart(const QString& error) { refuse_ = error; }
  bool Playing() const { return source_ && !suspended_; }
  const QByteArray& Bytes() const { return bytes_; }  // everything played

 private:
  PcmFormat format_;
  QIODevice* source_ = nullptr;
  bool suspended_ = false;
  qint64 played_ = 0;
  QByteArray bytes_;
  QString error_, refuse_;
};

}  // namespace platform
