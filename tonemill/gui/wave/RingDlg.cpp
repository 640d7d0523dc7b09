#include "RingDlg.h"

#include "ui_RingDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TringDlg::TringDlg(QWidget* parent, const LaunchValues& launch)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::RingDlg>()) {
  ui_->setupUi(this);
  BindCommon();
  const RingFields f = RingDialogFields();
  SetHelpContext(f.helpTopic);
  rate_ = AddField(ui_->rateEdit, ui_->rateSpin, f.rate);
  QRadioButton* waves[] = {ui_->sinButton, ui_->sqrButton, ui_->triButton, ui_->sawButton};
  waves[int(f.waveDefault)]->setChecked(true);
}

TringDlg::~TringDlg() = default;

RangeResult TringDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  RingWave wave = RingWave::Sine;
  if (ui_->sqrButton->isChecked()) wave = RingWave::Square;
  else if (ui_->triButton->isChecked()) wave = RingWave::Triangle;
  else if (ui_->sawButton->isChecked()) wave = RingWave::Saw;
  return RingRange(request, {rate_->Value(), wave}, progress);
}

}  // namespace tonemill::wave
