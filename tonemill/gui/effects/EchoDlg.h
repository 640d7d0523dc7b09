// TechoDlg ("Echo"): level, feedback and delay of the echo, with the patches of ECHO.INI.
#pragma once

#include "EffectDlg.h"

#include <memory>

namespace Ui {
class EchoDlg;
}

namespace tonemill::effectdialogs {

class TechoDlg : public TEffectDlg {
  Q_OBJECT
 public:
  TechoDlg(QWidget* parent, const LaunchValues& launch);
  ~TechoDlg() override;

 private:
  std::unique_ptr<Ui::EchoDlg> ui_;
};

}  // namespace tonemill::effectdialogs
