#include "EchoDlg.h"

#include "ui_EchoDlg.h"

namespace tonemill::effectdialogs {

TechoDlg::TechoDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Echo, launch, 3060), ui_(std::make_unique<Ui::EchoDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1, {"Level %", "Feedback %", "Delay ms"});
  AddField(echo::kLevel, ui_->levelEdit, ui_->levelSpin);
  AddField(echo::kFeedback, ui_->feedBackEdit, ui_->feedBackSpin);
  AddField(echo::kDelay, ui_->delayEdit, ui_->delaySpin, ui_->delayUnit);
}

TechoDlg::~TechoDlg() = default;

}  // namespace tonemill::effectdialogs
