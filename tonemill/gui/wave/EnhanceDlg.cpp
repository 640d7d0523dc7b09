#include "EnhanceDlg.h"

#include "ui_EnhanceDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TenhanceDlg::TenhanceDlg(QWidget* parent, const LaunchValues& launch, const QString& caption)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::EnhanceDlg>()),
      expand_(caption.startsWith('E')) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  BindCommon();
  const EnhanceFields f = EnhanceDialogFields(expand_, launch);
  SetHelpContext(f.helpTopic);
  ui_->paramLabel->setText(expand_ ? "Expansion" : "Compression");
  ui_->timeUnit->setText(launch.msMode ? "ms" : "samples");
  param_ = AddField(ui_->paramEdit, ui_->paramSpin, f.parameter);
  amp_ = AddField(ui_->ampEdit, ui_->ampSpin, f.amplification);
  time_ = AddField(ui_->timeEdit, ui_->timeSpin, f.time);
}

TenhanceDlg::~TenhanceDlg() = default;

RangeResult TenhanceDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  const EnhanceSettings s = EnhanceSettingsOf(expand_, param_->Value(), amp_->Value(), time_->Value(), Launch());
  return ExpandRange(request, s, progress);
}

}  // namespace tonemill::wave
