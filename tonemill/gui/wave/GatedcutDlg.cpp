#include "GatedcutDlg.h"

#include "ui_GatedcutDlg.h"

#include "tonemill/wave/effectparams.h"

#include <cmath>

namespace tonemill::wave {

TgatedCutDlg::TgatedCutDlg(QWidget* parent, const LaunchValues& launch)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::GatedcutDlg>()) {
  ui_->setupUi(this);
  BindCommon();
  const GatedCutFields f = GatedCutDialogFields(launch);
  SetHelpContext(f.helpTopic);
  ui_->maxLabel->setText(ThresholdRangeLabel(launch.bits));
  ui_->pruneBox->setChecked(f.pruneDefault);
  threshold_ = AddField(ui_->thresholdEdit, ui_->thresholdSpin, f.threshold);
}

TgatedCutDlg::~TgatedCutDlg() = default;

RangeResult TgatedCutDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  const GatedCutSettings s{int32_t(std::trunc(threshold_->Value())), ui_->pruneBox->isChecked()};
  return GatedCutRange(request, s, progress);
}

}  // namespace tonemill::wave
