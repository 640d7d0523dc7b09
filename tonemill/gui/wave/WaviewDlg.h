// TWAViewDlg ("WAView"): the WAV editor's companion window. It draws the input's waveform,
// zooms and scrolls, marks a range with the mouse or the edits, and plays the whole file, the
// shown window or the marked range through the audio output, exact to the frame. The editor
// imports the marked range from it. Drawing a long file reads it once, into a summary that
// every later window is drawn from; Reset reads "Stop" while that runs and stops it.
#pragma once

#include "tonemill/gui/widgets/mediaplayer.h"
#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/widgets/NumberField.h"
#include "tonemill/wave/wavesummary.h"
#include "tonemill/wave/waveview.h"

#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <optional>

namespace Ui {
class WaviewDlg;
}
class QPushButton;

namespace tonemill::wave {

class TWAViewDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TWAViewDlg(QWidget* parent, bool msMode);
  ~TWAViewDlg() override;

  // Reads the file and draws it; false after "Error reading NAME!" (the window then closes).
  bool loadFile(const QString& name);
  QString FileName() const { return source_; }
  const WaveView& View() const { return view_; }
  WaveSummary* Summary() const { return summary_.get(); }
  app::TMediaPlayer& Player() { return player_; }
  bool MsMode() const;
  double FramesPerMs() const { return framesPerMs_; }
  // The marked range in the viewer's unit, for Import; nothing when no range is marked.
  std::optional<std::pair<double, double>> MarkedRange() const;
  bool Drawing() const { return drawing_; }
  bool Playing() const;

 public slots:
  void doReset();
  void redraw();
  void curvesMouseMove(int x, int y);
  void curvesClick(int x, int y);
  // Press, drag, release: the range between the two places, in either direction.
  void curvesDragStart(int fromX);
  void curvesDrag(int fromX, int toX);
  void zoomButtonClick();
  void startButtonClick();
  void endButtonClick();
  void leftBtnClick();
  void rightBtnClick();
  void fastLeftBtnClick();
  void fastRightBtnClick();
  void msButtonClick();
  void sampleButtonClick();
  void playSelectedBtnClick();
  void playShownBtnClick();
  void playAllBtnClick();
  void playerNotify(app::TMediaPlayer::Notify notify);
  void Timer1Timer();
  void ResetBtnClick();
  void OKbtnClick();
  void importBtnClick();
  // A click on the ruler: plays from that frame to the end of the shown window.
  void rulerClick(int64_t frame);

 signals:
  // The marked range is wanted in the editor: by "Import" here, or by OK before it closes.
  void ImportRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowMarks();
  void UpdateCursorAndButtons();
  // Starts or stops playing [from, to] with `button` reading "Stop".
  void Play(QPushButton* button, int64_t from, int64_t to);
  void StopPlaying();
  // Disables every control but `keep` (while playing), and back.
  void paralyse(QPushButton* keep);
  void unParalyse();
  void ScrollAndDraw(int64_t frames);
  void CancelRun() override;

  std::unique_ptr<Ui::WaviewDlg> ui_;
  // The file it was opened on, and the file drawn and played: the file itself, or a 16-bit copy
  // of it in copyDir_ for a width, layout or container the player does not read.
  QString source_;
  QString file_;
  std::unique_ptr<QTemporaryDir> copyDir_;
  // How the drawn 16-bit values read at the file's own scale.
  int valueShift_ = 0;
  bool valueFloat_ = false;
  QString ValueText(int32_t value) const;
  double framesPerMs_ = 1;
  WaveView view_;
  std::unique_ptr<WaveSummary> summary_;
  TNumberField* zoomH_ = nullptr;
  TNumberField* zoomV_ = nullptr;
  TNumberField* start_ = nullptr;
  TNumberField* end_ = nullptr;
  app::TMediaPlayer player_;
  QTimer timer1_;
  class TWaveRuler* ruler_ = nullptr;
  QPushButton* playing_ = nullptr;  // the play button that reads "Stop"
  std::vector<QWidget*> paralysed_;
  bool drawing_ = false;
  Progress* building_ = nullptr;  // the summary's build while it runs
};

}  // namespace tonemill::wave
