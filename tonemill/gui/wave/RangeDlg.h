// TRangeDlg: the dialog of a WAV operation the editor launches (Expand, Compress, Fade, Gate,
// Gated Cut, Extend, the four filters, Ring modulation), laid out from the operation's row in
// the table of effects: a box of its fields — number edits with their spin buttons and unit
// labels, check boxes, radio buttons — checked by the rules of the row, the gauge, OK, Cancel and
// Help, and Preview. OK asks the overwrite question (whose Cancel closes the dialog), runs the row's engine
// under the range frame with only Cancel live, shows the 500 ms gauge and the outcome's message,
// then the dialog closes. Cancel closes the dialog while nothing runs and otherwise ends the run
// with a valid, shorter output.
#pragma once

#include "tonemill/gui/widgets/NumberField.h"
#include "OperationRun.h"
#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/widgets/preview.h"
#include "tonemill/effects/catalog.h"
#include "tonemill/ops/keptmetadata.h"
#include "tonemill/ops/operation.h"
#include "tonemill/wave/rangeframe.h"

#include <QString>

#include <optional>
#include <vector>

class QAbstractButton;
class QPushButton;

namespace tonemill::wave {

class TRangeDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TRangeDlg(QWidget* parent, const EffectEntry& effect, const LaunchValues& launch);

  const EffectEntry& Effect() const { return effect_; }
  const LaunchValues& Launch() const { return launch_; }
  // How the last OK ended (nothing when it did not run).
  const std::optional<ops::JobOutcome>& Outcome() const { return outcome_; }
  TOperationRun& Run() { return run_; }
  // The parameter edit with this object name, for tests and the screenshots.
  TNumberField* Field(const QString& editName) const;
  // What the fields hold now, in the row's order.
  FieldValues Values() const;
  // Where Preview writes its file (the Temp directory).
  void SetPreviewDirectory(const QString& directory) { preview_.SetDirectory(directory); }
  ui::TPreview& Preview() { return preview_; }
  // What OK's output carries from the input (the editor's "Keep chunks and tags"); nothing by
  // default. The preview carries nothing.
  void SetKept(const KeptMetadata& keep) { keep_ = keep; }

 public slots:
  void OKBtnClick();
  void CancelBtnClick();
  // Runs the operation with the current fields on at most the first 10 seconds of the selection
  // into a file of its own and plays what it made of them; the target is not touched.
  void PreviewBtnClick();
  void timerTimer() { run_.timerTimer(); }

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }
  void done(int result) override;

 private:
  // A row's field as its controls: a number field, a check box, or radio buttons.
  struct Control {
    TNumberField* number = nullptr;
    RealField rule;
    std::vector<QAbstractButton*> buttons;
  };
  void Lay();

  const EffectEntry& effect_;
  LaunchValues launch_;
  TOperationRun run_;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::vector<Control> controls_;  // one per field of the row
  std::optional<ops::JobOutcome> outcome_;
  ui::TPreview preview_;
  KeptMetadata keep_;
};

}  // namespace tonemill::wave
