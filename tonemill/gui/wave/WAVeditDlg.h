// TWAVeditDlg ("WAV Edit"): the hub of the WAV work. It holds an input, an output and a
// selection (in ms or samples, on the left, right or both channels), runs Cut, Maximize and
// Reverse itself, launches every effect dialog and the mixer with the launch values of the
// selection, swaps input and output to go on with a result, and opens the viewer, whose marked
// range it imports.
#pragma once

#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/widgets/NumberField.h"
#include "tonemill/gui/wave/OperationRun.h"
#include "tonemill/gui/wave/WaviewDlg.h"
#include "tonemill/ops/keptmetadata.h"
#include "tonemill/ops/operation.h"
#include "tonemill/ops/targets.h"
#include "tonemill/wave/rangeframe.h"
#include "tonemill/wave/selection.h"

#include <QPointer>
#include <QTemporaryDir>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class WAVeditDlg;
}
namespace tonemill {
struct EffectEntry;
}
class QPushButton;

namespace tonemill::wave {

class TWAVeditDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TWAVeditDlg(QWidget* parent, const QString& input, const QString& output);
  ~TWAVeditDlg() override;

  // The launch values the launchers hand over now.
  LaunchValues CurrentLaunch() const;
  bool InputValid() const { return inputOk_; }
  TWAViewDlg* Viewer() const { return viewer_; }
  QPushButton* Launcher(const QString& name) const;
  // What the operations carry from the input: its chunks and tags, always for an input the
  // canonical WAV files do not describe, for the others when "Keep chunks and tags" is checked.
  KeptMetadata Kept() const;
  // How the last Cut, Maximize or Reverse ended.
  const std::optional<ops::JobOutcome>& Outcome() const { return outcome_; }
  TOperationRun& Run() { return run_; }
  // The Temp directory, where the effect dialogs' previews go.
  void SetTempDirectory(const QString& directory) { tempDirectory_ = directory; }
  // Opens a launcher's dialog; tests replace it to drive the dialog before it is shown.
  std::function<void(QDialog&)> showDialog = [](QDialog& d) { d.exec(); };

 public slots:
  void fromFileEditExit();
  void toFileEditExit();
  void msButtonClick();
  void sampleButtonClick();
  void viewButtonClick();
  void swapBtnClick();
  void OKBtnClick();
  void CancelBtnClick();
  void cutBtnClick();
  void maximizeBtnClick();
  void reverseBtnClick();
  void enableControls();
  void disableControls();
  void enableLaunchers();
  void disableLaunchers();

 protected:
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }
  void done(int result) override;

 private:
  QString tempDirectory_;
  // A launcher: the viewer closes, the dialog gets the launch values, and Swap follows the
  // output afterwards.
  void Launch(const std::function<std::unique_ptr<QDialog>(const LaunchValues&)>& make);
  // Cut, Maximize or Reverse on the selection.
  void RunOperation(const EffectEntry& operation);
  bool LeaveSelection();
  void ShowSelection();
  void UpdateSwap();
  void CloseViewer();
  void Import();
  QString From() const;
  QString To() const;
  // Routes the input into the engines: `engineInput_` is the input itself, or its samples
  // decoded into a WAV file of their own width in decodedDir_. False (and said why) when the
  // input cannot be decoded.
  bool RouteInput(const std::string& from);

  std::unique_ptr<Ui::WAVeditDlg> ui_;
  EditorInput input_;
  std::string engineInput_;  // the file the engines and the viewer read
  std::unique_ptr<QTemporaryDir> decodedDir_;
  std::string decodedFrom_;  // the input decodedDir_ holds the samples of, as it was then
  std::filesystem::file_time_type decodedStamp_;
  bool inputOk_ = false;  // the input passed its check
  SelectionValues selection_;
  std::string selectedInput_;  // the input the selection belongs to
  int64_t selectedFrames_ = 0;
  TNumberField* start_ = nullptr;
  TNumberField* end_ = nullptr;
  TOperationRun run_;
  QPointer<TWAViewDlg> viewer_;
  std::optional<ops::JobOutcome> outcome_;
  // The input it was opened on and the input of every run: the files Enter must not replace.
  ops::OriginalInputs originals_;
};

}  // namespace tonemill::wave
