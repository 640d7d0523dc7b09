#include "GateDlg.h"

#include "ui_GateDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TgateDlg::TgateDlg(QWidget* parent, const LaunchValues& launch)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::GateDlg>()) {
  ui_->setupUi(this);
  BindCommon();
  const GateFields f = GateDialogFields(launch);
  SetHelpContext(f.helpTopic);
  ui_->rangeLabel->setText(ThresholdRangeLabel(launch.bits));
  const QString unit = launch.msMode ? "ms" : "samples";
  ui_->attackUnit->setText(unit);
  ui_->decayUnit->setText(unit);
  threshold_ = AddField(ui_->thresholdEdit, ui_->thresholdSpin, f.threshold);
  attack_ = AddField(ui_->attackEdit, ui_->attackSpin, f.attack);
  decay_ = AddField(ui_->decayEdit, ui_->decaySpin, f.decay);
}

TgateDlg::~TgateDlg() = default;

RangeResult TgateDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  return GateRange(request, GateSettingsOf(threshold_->Value(), attack_->Value(), decay_->Value(), Launch()),
                   progress);
}

}  // namespace tonemill::wave
