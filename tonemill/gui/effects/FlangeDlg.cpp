#include "FlangeDlg.h"

#include "ui_FlangeDlg.h"

namespace tonemill::effectdialogs {

TflangeDlg::TflangeDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Flange, launch, 3070), ui_(std::make_unique<Ui::FlangeDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1, {"Original", "Effect", "Feedback %", "Offset ms", "Variation ms", "Rate Hz"});
  AddField(flange::kOriginal, ui_->originalEdit, ui_->originalSpin);
  AddField(flange::kEffect, ui_->effectEdit, ui_->effectSpin);
  AddField(flange::kFeedback, ui_->feedBackEdit, ui_->feedBackSpin);
  AddField(flange::kOffset, ui_->offsetEdit, ui_->offsetSpin, ui_->offsetUnit);
  AddField(flange::kVariation, ui_->variationEdit, ui_->variationSpin, ui_->variationUnit);
  AddField(flange::kRate, ui_->rateEdit, ui_->rateSpin);
}

TflangeDlg::~TflangeDlg() = default;

}  // namespace tonemill::effectdialogs
