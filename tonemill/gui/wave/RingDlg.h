// TringDlg: ring modulation with a sine, square, triangle or saw wave.
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class RingDlg;
}

namespace tonemill::wave {

class TringDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TringDlg(QWidget* parent, const LaunchValues& launch);
  ~TringDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::RingDlg> ui_;
  TNumberField* rate_;
};

}  // namespace tonemill::wave
