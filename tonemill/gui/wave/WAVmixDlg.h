// TWAVmixDlg ("WAV Mix"): mixes any number of WAV files into one of a chosen format. Sources
// are picked in the browser and listed in the grid with their left and right factors; every
// cell is checked when it is left and every row again at OK (a source deleted meanwhile is
// reported). Cancel of the overwrite question returns to the grid; Cancel during the mix stops
// the current source, mixes no further one and keeps a valid output.
#pragma once

#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/wave/OperationRun.h"
#include "tonemill/ops/operation.h"
#include "tonemill/wave/selection.h"
#include "tonemill/wave/wavmix.h"

#include <memory>
#include <optional>

namespace Ui {
class WAVmixDlg;
}

namespace tonemill::wave {

class TWAVmixDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TWAVmixDlg(QWidget* parent, const LaunchValues& launch);
  ~TWAVmixDlg() override;

  // The grid's rows as sources (factors as their cells read).
  std::vector<MixSource> Sources() const;
  // The output's encoding; nothing while the rate box holds no rate from 8000 to 192000 Hz.
  std::optional<WaveEncoding> Format() const;
  const std::optional<ops::JobOutcome>& Outcome() const { return outcome_; }
  TOperationRun& Run() { return run_; }

 public slots:
  void addButtonClick();
  void deleteButtonClick();
  // Leaving the edited cell for (row, column): false when the edited cell is refused.
  bool StringGrid1SelectCell(int row, int column);
  void toFileEditExit();
  void FileListBox1Change();
  void OKbtnClick();
  void CancelBtnClick();
  void Timer1Timer();
  void enableControls();
  void disableControls();

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }

 private:
  void AppendRow(const QString& file);
  // The check of one cell: the source's acceptance cascade, or a factor.
  std::optional<Problem> CheckCell(int row, int column) const;
  // Selects the cell (without checking the one before).
  void Select(int row, int column);

  std::unique_ptr<Ui::WAVmixDlg> ui_;
  LaunchValues launch_;
  TOperationRun run_;
  int editedRow_ = 0, editedColumn_ = 0;
  bool selecting_ = false;
  std::optional<ops::JobOutcome> outcome_;
};

}  // namespace tonemill::wave
