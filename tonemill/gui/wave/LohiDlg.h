// TlohiDlg: the low-pass or high-pass filter, chosen by the caption the editor gives it ("Low pass filter" or "High pass filter").
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class LohiDlg;
}

namespace tonemill::wave {

class TlohiDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TlohiDlg(QWidget* parent, const LaunchValues& launch, const QString& caption);
  ~TlohiDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::LohiDlg> ui_;
  bool lowPass_;
  TNumberField* cutoff_;
  TNumberField* amp_;
};

}  // namespace tonemill::wave
