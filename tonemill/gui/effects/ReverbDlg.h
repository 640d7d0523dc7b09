// TreverbDlg ("Reverb"): the late reverberation model with its decay hint, the duration, the wet
// levels and the twelve low-pass settings, with the patches of REVERB.INI.
#pragma once

#include "EffectDlg.h"

#include <memory>

namespace Ui {
class ReverbDlg;
}

namespace tonemill::effectdialogs {

class TreverbDlg : public TEffectDlg {
  Q_OBJECT
 public:
  TreverbDlg(QWidget* parent, const LaunchValues& launch);
  ~TreverbDlg() override;

 public slots:
  // An algorithm button: 1 chamber, 2 chapel, 3 hall, 4 custom.
  void AlgorithmClick(int algorithm);

 protected:
  void ShowExtras() override;

 private:
  std::unique_ptr<Ui::ReverbDlg> ui_;
};

}  // namespace tonemill::effectdialogs
