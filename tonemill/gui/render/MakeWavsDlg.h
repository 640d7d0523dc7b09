// TmakeWAVsDlg: "Make WAVs". Lists samples with a "Make" mark each ("Yes": make the WAV file
// from its DFT file); a click or Enter on a mark toggles it, OK makes the marked ones. It serves
// the sample check before a render, and the main window's "Make WAVs" for PRG files (loadPRG).
#pragma once

#include "tonemill/ops/songpipeline.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QTableWidget;
namespace Ui {
class MakeWavsDlg;
}

namespace tonemill::render {

constexpr int kHelpMakeWavs = 6000;

class TmakeWAVsDlg : public ui::TDialog {
  Q_OBJECT
 public:
  // For the sample check: the list it built, made with its progress.
  TmakeWAVsDlg(QWidget* parent, SampleList& list, Progress& progress);
  // For the main window: an empty list of its own, filled by loadPRG.
  TmakeWAVsDlg(QWidget* parent, const QString& prgDirectory, const QString& wavDirectory,
               const QString& dftDirectory);
  ~TmakeWAVsDlg() override;

  // Lists the samples of the PRG files `names` (in the PRG directory); false after an error,
  // which has been shown.
  bool loadPRG(const QStringList& names);

  const SampleList& List() const { return *list_; }
  // What OK made; `cancelled` also when the dialog was closed with Cancel before OK.
  const MakeOutcome& Outcome() const { return outcome_; }
  bool Cancelled() const { return cancelled_; }
  QTableWidget* Grid() const;

 public slots:
  void OKBtnClick();
  void CancelBtnClick();
  void StringGrid1Click(int row, int column);

 signals:
  // Before each sample of the making loop, after pending events were served.
  void Pumped();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void CancelRun() override { CancelBtnClick(); }

 private:
  void Init();
  void FillGrid();
  static void MakePump(void* context);

  std::unique_ptr<Ui::MakeWavsDlg> ui_;
  std::unique_ptr<SampleList> ownList_;
  std::unique_ptr<Progress> ownProgress_;
  SampleList* list_;
  Progress* progress_;
  MakeOutcome outcome_;
  bool cancelled_ = false;
};

// How the sample check before a render makes samples from DFT files in the desktop program:
// this dialog shows the list first (with the normal cursor), where the user may change the
// marks or cancel.
void MakeSamplesWithDialog(QWidget* parent, ops::SampleMaking& making);
// The sample check's problem as a box; none after the user's Cancel in the dialog.
void ShowSampleProblem(const Problem& problem, const ops::SampleMaking& making);

}  // namespace tonemill::render
