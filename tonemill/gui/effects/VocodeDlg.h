// TVocodeDlg ("Vocoder"): amplification, time resolution and bands, the band table, the control
// file and "Prescan & normalize", with the patches of VOCODER.INI.
#pragma once

#include "EffectDlg.h"

#include <memory>

namespace Ui {
class VocodeDlg;
}

namespace tonemill::effectdialogs {

class TVocodeDlg : public TEffectDlg {
  Q_OBJECT
 public:
  TVocodeDlg(QWidget* parent, const LaunchValues& launch);
  ~TVocodeDlg() override;

 public slots:
  void equidistantBtnClick();

 protected:
  void ShowExtras() override;
  std::optional<Problem> PrepareJob(EffectJob& job) override;

 private:
  std::unique_ptr<Ui::VocodeDlg> ui_;
  void BandCellChanged(int row, int column);
  bool fillingBands_ = false;
};

}  // namespace tonemill::effectdialogs
