// TWAVscanDlg ("WAV Scan"): a WAV file's format, duration and per-channel statistics —
// minimum, maximum, RMS with its needle, saturated samples with their bar — from one pass over
// the data that starts when the dialog is shown, with the figures refreshed every 500 ms and a
// Cancel that stops the scan and closes the dialog.
#pragma once

#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/wave/OperationRun.h"
#include "tonemill/wave/wavscan.h"

#include <memory>
#include <optional>
#include <string>

namespace Ui {
class WavscanDlg;
}
class QLineEdit;
class QTemporaryDir;

namespace tonemill::wave {

class TWAVscanDlg : public ui::TDialog {
  Q_OBJECT
 public:
  explicit TWAVscanDlg(QWidget* parent);
  ~TWAVscanDlg() override;

  QLineEdit* fileEdit() const;
  // The header check, before the dialog is shown: false after its message. A file of another
  // container or encoding is decoded first, as the editor decodes it.
  bool fileOK();
  const std::optional<ScanResult>& Result() const { return result_; }
  const WavStats& Stats() const { return stats_; }

 public slots:
  // The scan itself (started just after the first show).
  void RunScan();
  void timerTimer();
  void CancelBtnClick();
  void OKbtnClick();

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }

 private:
  std::unique_ptr<Ui::WavscanDlg> ui_;
  // The message with the decoded samples' path named as the file the user chose.
  std::string Shown(std::string text) const;

  ScanSetup setup_;
  std::string name_;                       // the file chosen
  std::unique_ptr<QTemporaryDir> decoded_;  // its decoded samples, where it needs decoding
  WavStats stats_;
  TOperationRun run_;
  std::optional<ScanResult> result_;
  bool started_ = false;
  bool cancelled_ = false;
};

}  // namespace tonemill::wave
