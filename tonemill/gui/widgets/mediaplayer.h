// The media player of the Play dialog and the About box: a WAV file read with the program's
// own WAV reader and played on the audio output, with positions exact to the frame, a mode as
// the system's media player reports it, and a notification when playing ends.
#pragma once

#include "platform/qt/audiooutput.h"

#include <QFile>
#include <QIODevice>
#include <QObject>
#include <QString>

#include <memory>

namespace tonemill::app {

// The sample bytes of a WAV file between two frames, as a device the audio output pulls from.
class WavRangeDevice : public QIODevice {
 public:
  // `gain` scales what is played (8-bit or 16-bit samples, saturated); the file is not changed.
  WavRangeDevice(const QString& path, qint64 dataStart, qint64 begin, qint64 end, int bits = 16,
                 double gain = 1.0);
  bool open(OpenMode mode) override;
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override;
  bool atEnd() const override { return position_ >= end_ && QIODevice::bytesAvailable() == 0; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QFile file_;
  qint64 dataStart_, position_, end_;
  int bits_;
  double gain_;
};

class TMediaPlayer : public QObject {
  Q_OBJECT
 public:
  enum class Mode { NotReady, Stopped, Playing, Seeking, Paused, Open };
  enum class Notify { Successful, Superseded, Aborted, Failure };

  explicit TMediaPlayer(QObject* parent = nullptr);
  ~TMediaPlayer() override;

  // Opens a WAV file; false with `error` set when it cannot be played.
  bool Open(const QString& path, QString& error);
  void Close();
  // Plays from the position to the end (or `to`, a frame). False with ErrorText() when the
  // audio device refuses; the mode is then NotReady.
  bool Play(qint64 to = -1);
  void Pause();
  void Resume();
  void Stop();
  void Seek(qint64 frame);
  // A factor every later play is scaled by (1.0: as the file is), for files too quiet to hear.
  void SetGain(double gain) { gain_ = gain; }
  double Gain() const { return gain_; }

  Mode GetMode() const { return mode_; }
  qint64 Position() const;  // frames from the start
  qint64 Length() const { return frames_; }
  int SampleRate() const { return format_.rate; }
  qint64 PositionMs() const { return format_.rate ? Position() * 1000 / format_.rate : 0; }
  qint64 LengthMs() const { return format_.rate ? frames_ * 1000 / format_.rate : 0; }
  QString ErrorText() const { return error_; }
  platform::AudioOutput* Output() const { return output_.get(); }

 signals:
  void Notified(TMediaPlayer::Notify notify);
  // A play began: a notification shown is about an earlier one.
  void Started();

 private:
  void Finish(Notify notify, Mode mode);

  QString path_, error_;
  platform::PcmFormat format_;
  qint64 dataStart_ = 0, frames_ = 0, base_ = 0, end_ = 0;
  double gain_ = 1.0;
  Mode mode_ = Mode::NotReady;
  std::unique_ptr<platform::AudioOutput> output_;
  std::unique_ptr<WavRangeDevice> device_;
};

// The mode's text in the status panel: " Not ready ", " Stopped ", " Playing ", ...
QString ModeText(TMediaPlayer::Mode mode);
// The notification's text: " Successful "... only the unusual ones are shown.
QString NotifyText(TMediaPlayer::Notify notify);

}  // namespace tonemill::app
