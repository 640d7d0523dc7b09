// What the level, filter and ring dialogs the WAV editor launches share: the launch values,
// parameter edits checked by their engine-layer fields, and OK — the overwrite question (whose
// Cancel closes the dialog), the run of the engine under the range frame with only Cancel live,
// the 500 ms gauge, the outcome's message — then the dialog closes. Cancel closes the dialog
// while nothing runs and otherwise ends the run with a valid, shorter output.
#pragma once

#include "tonemill/gui/widgets/NumberField.h"
#include "OperationRun.h"
#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/wave/fields.h"
#include "tonemill/ops/operation.h"
#include "tonemill/wave/rangeframe.h"

#include <QString>

#include <map>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TSpinButton;

namespace tonemill::wave {

class TRangeDlg : public ui::TDialog {
  Q_OBJECT
 public:
  const LaunchValues& Launch() const { return launch_; }
  // How the last OK ended (nothing when it did not run).
  const std::optional<WaveOutcome>& Outcome() const { return outcome_; }
  TOperationRun& Run() { return run_; }
  // The parameter edit with this object name, for tests and the screenshots.
  TNumberField* Field(const QString& editName) const;

 public slots:
  void OKBtnClick();
  void CancelBtnClick();
  void timerTimer() { run_.timerTimer(); }

 protected:
  TRangeDlg(QWidget* parent, const LaunchValues& launch, int helpContext);

  // The controls every form has: OKBtn, CancelBtn, HelpBtn, gauge and the hidden labels
  // fromFile and toFile, found by name once the form is set up.
  void BindCommon();
  // A parameter edit checked by `field`; its default is set on activation.
  TNumberField* AddField(QLineEdit* edit, TSpinButton* spin, const RealField& field);
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }

  // The engine on the launch values' range with the fields' values (OK has checked them).
  virtual RangeResult RunEngine(const RangeRequest& request, Progress& progress) = 0;

 private:
  LaunchValues launch_;
  TOperationRun run_;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::map<TNumberField*, RealField> fields_;
  std::optional<WaveOutcome> outcome_;
};

}  // namespace tonemill::wave
