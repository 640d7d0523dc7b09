// TextendDlg: inserts silence at the selection start, or appends it.
#pragma once

#include "RangeDlg.h"

#include <memory>

namespace Ui {
class ExtendDlg;
}

namespace tonemill::wave {

class TextendDlg : public TRangeDlg {
  Q_OBJECT
 public:
  TextendDlg(QWidget* parent, const LaunchValues& launch);
  ~TextendDlg() override;

 protected:
  RangeResult RunEngine(const RangeRequest& request, Progress& progress) override;

 private:
  std::unique_ptr<Ui::ExtendDlg> ui_;
  TNumberField* duration_;
};

}  // namespace tonemill::wave
