#include "FlangeDlg.h"

#include "ui_FlangeDlg.h"

namespace tonemill::effectdialogs {

TflangeDlg::TflangeDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Flange, launch), ui_(std::make_unique<Ui::FlangeDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid1);
}

TflangeDlg::~TflangeDlg() = default;

}  // namespace tonemill::effectdialogs
