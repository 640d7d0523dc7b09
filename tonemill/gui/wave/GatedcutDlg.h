// TgatedCutDlg: removes the quiet frames of the range (all of them, or with Prune only those before the first and after the last loud one).
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class GatedcutDlg;
}

namespace tonemill::wave {

class TgatedCutDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TgatedCutDlg(QWidget* parent, const LaunchValues& launch);
  ~TgatedCutDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::GatedcutDlg> ui_;
  TNumberField* threshold_;
};

}  // namespace tonemill::wave
