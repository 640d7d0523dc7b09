#include "LohiDlg.h"

#include "ui_LohiDlg.h"

#include "tonemill/wave/effectparams.h"

namespace tonemill::wave {

TlohiDlg::TlohiDlg(QWidget* parent, const LaunchValues& launch, const QString& caption)
    : TRangeDlg(parent, launch, 0), ui_(std::make_unique<Ui::LohiDlg>()),
      lowPass_(!caption.startsWith('H')) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  BindCommon();
  const LowHighFields f = LowHighDialogFields(lowPass_, launch);
  SetHelpContext(f.helpTopic);
  cutoff_ = AddField(ui_->hhfEdit, ui_->hhfSpin, f.cutoff);
  amp_ = AddField(ui_->ampEdit, ui_->ampSpin, f.amplification);
}

TlohiDlg::~TlohiDlg() = default;

RangeResult TlohiDlg::RunEngine(const RangeRequest& request, Progress& progress) {
  return LowHighRange(request, {cutoff_->Value(), amp_->Value(), lowPass_}, progress);
}

}  // namespace tonemill::wave
