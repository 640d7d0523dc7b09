// TstatDlg: the render progress dialog ("LST to WAV"). Once first shown it runs the song job's
// render step, the song list into the WAV song through the library, and shows the instrument, base note, line and
// current note as it goes; Cancel stops the render at the library's next line, and the dialog
// then says how it ended and stays open until OK.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/ops/songjob.h"
#include "tonemill/render/songrender.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QTimer>
#include <memory>

namespace Ui {
class RendStatDlg;
}

namespace tonemill::render {

constexpr int kHelpRenderStatus = 5300;

class TstatDlg : public ui::TDialog {
  Q_OBJECT
 public:
  // Runs `step`, the song job's render of `request` (whose list, song and sample directory the
  // dialog shows).
  TstatDlg(QWidget* parent, const ops::RenderRequest& request, ops::RenderStep step);
  // The render of the list into the song alone; `overwrite` says whether an existing song may
  // be replaced (the opener has asked).
  TstatDlg(QWidget* parent, const QString& lstFile, const QString& wavFile,
           const QString& wavDirectory, const SongFormat& format, Overwrite overwrite);
  ~TstatDlg() override;

  enum class End { NotRun, Done, Aborted, Error, LibraryMissing };
  End Ended() const { return end_; }
  // What the step came to (Failed until it ran).
  const ops::JobOutcome& Outcome() const { return outcome_; }
  const SongProgress& RenderProgress() const { return progress_; }
  int RenderCount() const { return renders_; }

 public slots:
  void timerTimer();
  void CancelBtnClick();
  void OKBtnClick();

 signals:
  // Each time the library pumps, after pending events were served.
  void Pumped();

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }

 private:
  void Render();
  static void RenderPump(void* context);
  void ShowEnd();

  std::unique_ptr<Ui::RendStatDlg> ui_;
  ops::RenderStep step_;
  ops::JobOutcome outcome_;
  SongProgress progress_;
  QTimer timer_;
  End end_ = End::NotRun;
  bool cancelPressed_ = false;
  int renders_ = 0;
};

}  // namespace tonemill::render
