// TbandDlg: the band-pass or notch filter, chosen by the caption the editor gives it ("Band pass filter" or "Notch filter").
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class BandDlg;
}

namespace tonemill::wave {

class TbandDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TbandDlg(QWidget* parent, const LaunchValues& launch, const QString& caption);
  ~TbandDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::BandDlg> ui_;
  bool notch_;
  TNumberField* center_;
  TNumberField* width_;
  TNumberField* amp_;
};

}  // namespace tonemill::wave
