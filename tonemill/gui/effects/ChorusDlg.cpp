#include "ChorusDlg.h"

#include "ui_ChorusDlg.h"

namespace tonemill::effectdialogs {

TchorusDlg::TchorusDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Chorus, launch), ui_(std::make_unique<Ui::ChorusDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1);
}

TchorusDlg::~TchorusDlg() = default;

}  // namespace tonemill::effectdialogs
