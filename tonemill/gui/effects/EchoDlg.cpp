#include "EchoDlg.h"

#include "ui_EchoDlg.h"

namespace tonemill::effectdialogs {

TechoDlg::TechoDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Echo, launch), ui_(std::make_unique<Ui::EchoDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1);
}

TechoDlg::~TechoDlg() = default;

}  // namespace tonemill::effectdialogs
