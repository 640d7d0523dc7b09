#include "BandDlg.h"

#include "ui_BandDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TbandDlg::TbandDlg(QWidget* parent, const LaunchValues& launch, const QString& caption)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::BandDlg>()),
      notch_(!caption.startsWith('B')) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  BindCommon();
  const BandFields f = BandDialogFields(notch_, launch);
  SetHelpContext(f.helpTopic);
  center_ = AddField(ui_->centerEdit, ui_->centerSpin, f.center);
  width_ = AddField(ui_->widthEdit, ui_->widthSpin, f.width);
  amp_ = AddField(ui_->ampEdit, ui_->ampSpin, f.amplification);
}

TbandDlg::~TbandDlg() = default;

RangeResult TbandDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  return BandNotchRange(request, {center_->Value(), width_->Value(), amp_->Value(), notch_}, progress);
}

}  // namespace tonemill::wave
