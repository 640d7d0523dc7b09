#include "ChorusDlg.h"

#include "ui_ChorusDlg.h"

namespace tonemill::effectdialogs {

TchorusDlg::TchorusDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Chorus, launch, 3080), ui_(std::make_unique<Ui::ChorusDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1, {"Original", "Effect", "Offset ms", "Variation ms", "Rate Hz"});
  AddField(chorus::kOriginal, ui_->originalEdit, ui_->originalSpin);
  AddField(chorus::kEffect, ui_->effectEdit, ui_->effectSpin);
  AddField(chorus::kOffset, ui_->offsetEdit, ui_->offsetSpin, ui_->offsetUnit);
  AddField(chorus::kVariation, ui_->variationEdit, ui_->variationSpin, ui_->variationUnit);
  AddField(chorus::kRate, ui_->rateEdit, ui_->rateSpin);
}

TchorusDlg::~TchorusDlg() = default;

}  // namespace tonemill::effectdialogs
