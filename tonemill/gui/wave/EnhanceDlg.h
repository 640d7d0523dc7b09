// TenhanceDlg: Expand or Compress dynamic range, chosen by the caption the editor gives it ("Expand dynamic range" or "Compress dynamic range").
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class EnhanceDlg;
}

namespace tonemill::wave {

class TenhanceDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TenhanceDlg(QWidget* parent, const LaunchValues& launch, const QString& caption);
  ~TenhanceDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::EnhanceDlg> ui_;
  bool expand_;
  TNumberField* param_;
  TNumberField* amp_;
  TNumberField* time_;
};

}  // namespace tonemill::wave
