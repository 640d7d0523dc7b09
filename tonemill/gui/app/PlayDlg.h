// TPlayDlg: plays a WAV file, or a MIDI file rendered for the purpose ("WAV Play" / "MID Play"),
// with the media player's buttons, a clock, the player's mode and a gauge.
#pragma once

#include "tonemill/ops/mainrules.h"
#include "tonemill/gui/widgets/mediaplayer.h"
#include "tonemill/files/settings.h"
#include "tonemill/render/songrender.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <memory>

namespace Ui {
class PlayDlg;
}

namespace tonemill::app {

class TPlayDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TPlayDlg(QWidget* parent, const QString& file, const Settings& settings);
  ~TPlayDlg() override;

  // The working directory as the main window has it (the settings' text otherwise).
  void SetDirectory(Selector selector, const QString& directory);
  TMediaPlayer& Player() { return player_; }
  // The WAV file played: the file itself, or the song rendered from the MIDI file.
  QString PlayedFile() const { return played_; }

 public slots:
  void PlayBtnClick();
  void PauseBtnClick();
  void StopBtnClick();
  void PrevBtnClick();
  void StepBtnClick();
  void BackBtnClick();
  void CloseBtnClick();
  void CancelBtnClick();
  void TimerTick();

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }

 private:
  bool RenderMidi();
  bool MakeScratch();
  // Decodes a file the player does not read into the scratch directory.
  bool Decode();
  void ShowNotify(TMediaPlayer::Notify notify);
  static void RenderPump(void* context);

  std::unique_ptr<Ui::PlayDlg> ui_;
  QString file_, played_;
  std::array<QString, 7> directories_;
  TMediaPlayer player_;
  QTimer timer_;
  std::unique_ptr<QTemporaryDir> scratch_;
  SongProgress* rendering_ = nullptr;
  bool cancelRequested_ = false;
};

}  // namespace tonemill::app
