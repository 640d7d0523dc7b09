// TgateDlg: the noise gate with its attack and decay ramps.
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class GateDlg;
}

namespace tonemill::wave {

class TgateDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TgateDlg(QWidget* parent, const LaunchValues& launch);
  ~TgateDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::GateDlg> ui_;
  TNumberField* threshold_;
  TNumberField* attack_;
  TNumberField* decay_;
};

}  // namespace tonemill::wave
