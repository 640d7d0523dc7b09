#include "FadeDlg.h"

#include "ui_FadeDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TfadeDlg::TfadeDlg(QWidget* parent, const LaunchValues& launch)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::FadeDlg>()) {
  ui_->setupUi(this);
  BindCommon();
  const FadeFields f = FadeDialogFields();
  SetHelpContext(f.helpTopic);
  start_ = AddField(ui_->startFactorEdit, ui_->startFactorSpin, f.startFactor);
  end_ = AddField(ui_->endFactorEdit, ui_->endFactorSpin, f.endFactor);
}

TfadeDlg::~TfadeDlg() = default;

RangeResult TfadeDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  return FadeRange(request, {start_->Value(), end_->Value()}, progress);
}

}  // namespace tonemill::wave
