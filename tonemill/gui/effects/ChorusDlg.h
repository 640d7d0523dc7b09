// TchorusDlg ("Chorus"): the swept delay without feedback, with the patches of CHORUS.INI.
#pragma once

#include "EffectDlg.h"

#include <memory>

namespace Ui {
class ChorusDlg;
}

namespace tonemill::effectdialogs {

class TchorusDlg : public TEffectDlg {
  Q_OBJECT
 public:
  TchorusDlg(QWidget* parent, const LaunchValues& launch);
  ~TchorusDlg() override;

 private:
  std::unique_ptr<Ui::ChorusDlg> ui_;
};

}  // namespace tonemill::effectdialogs
