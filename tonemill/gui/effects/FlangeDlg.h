// TflangeDlg ("Flange"): the swept, fed-back delay, with the patches of FLANGE.INI.
#pragma once

#include "EffectDlg.h"

#include <memory>

namespace Ui {
class FlangeDlg;
}

namespace tonemill::effectdialogs {

class TflangeDlg : public TEffectDlg {
  Q_OBJECT
 public:
  TflangeDlg(QWidget* parent, const LaunchValues& launch);
  ~TflangeDlg() override;

 private:
  std::unique_ptr<Ui::FlangeDlg> ui_;
};

}  // namespace tonemill::effectdialogs
