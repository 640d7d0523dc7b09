#include "ExtendDlg.h"

#include "ui_ExtendDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TextendDlg::TextendDlg(QWidget* parent, const LaunchValues& launch)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::ExtendDlg>()) {
  ui_->setupUi(this);
  BindCommon();
  const ExtendFields f = ExtendDialogFields(launch);
  SetHelpContext(f.helpTopic);
  ui_->durationUnit->setText(launch.msMode ? "ms" : "samples");
  ui_->appendBox->setChecked(f.appendDefault);
  duration_ = AddField(ui_->durationEdit, ui_->durationSpin, f.duration);
}

TextendDlg::~TextendDlg() = default;

RangeResult TextendDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  const ExtendSettings s = ExtendSettingsOf(duration_->Value(), ui_->appendBox->isChecked(), Launch());
  return ExtendWav(request.input, request.output, s, progress);
}

}  // namespace tonemill::wave
