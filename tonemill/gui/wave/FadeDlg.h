// TfadeDlg: a linear gain ramp from a start factor to an end factor over the range.
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class FadeDlg;
}

namespace tonemill::wave {

class TfadeDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TfadeDlg(QWidget* parent, const LaunchValues& launch);
  ~TfadeDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::FadeDlg> ui_;
  TNumberField* start_;
  TNumberField* end_;
};

}  // namespace tonemill::wave
