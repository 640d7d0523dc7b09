// What the five effect dialogs share: the launch values from the WAV editor, the number fields
// of their patch columns (checked by the patch layer, times in the editor's unit), the patch
// grid — row 0 protected, Add "New", Remove, Update, in-place edits checked by their column,
// a selected row loaded into the fields — read from the patch file on the first show and
// written back on OK, and OK's run of the library's export with the 500 ms gauge and Cancel.
// A dialog adds only its own controls.
#pragma once

#include "tonemill/ops/effectrun.h"
#include "tonemill/gui/widgets/dialog.h"
#include "tonemill/gui/widgets/NumberField.h"
#include "tonemill/gui/widgets/preview.h"
#include "tonemill/gui/wave/OperationRun.h"

#include <QStringList>

#include <map>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class TSpinButton;

namespace tonemill::effectdialogs {

class TEffectDlg : public ui::TDialog {
  Q_OBJECT
 public:
  EffectKind Kind() const { return kind_; }
  const LaunchValues& Launch() const { return launch_; }
  const EffectFields& Fields() const { return fields_; }
  // The grid's rows as patches, as OK writes them.
  std::vector<Patch> GridPatches() const;
  QTableWidget* PatchGrid() const { return grid_; }
  wave::TNumberField* Field(size_t column) const;
  wave::TOperationRun& Run() { return run_; }
  // How the last OK's run ended (nothing when none ran).
  const std::optional<ops::JobOutcome>& Outcome() const { return outcome_; }

  // Where Preview writes its file (the Temp directory); the system's temporary directory when
  // none is set.
  void SetPreviewDirectory(const QString& directory) { preview_.SetDirectory(directory); }
  ui::TPreview& Preview() { return preview_; }
  // What OK's output carries from the input (the editor's "Keep chunks and tags"); nothing by
  // default. The preview carries nothing.
  void SetKept(const KeptMetadata& keep) { keep_ = keep; }

 public slots:
  void OKbtnClick();
  void CancelBtnClick();
  void addBtnClick();
  void removeBtnClick();
  void updateBtnClick();
  // Loads the row into the fields (the system's StringGrid1SelectCell).
  void StringGrid1SelectCell(int row);
  // Runs the effect with the current fields on at most the first 10 seconds of the selection
  // into a file of its own and plays that; the target is not touched.
  void PreviewBtnClick();
  // Stops a preview that is playing (the settings it was made with are no longer shown).
  void StopPreview();

 protected:
  // The help context, the patch grid's headers and the number fields come from the effect's row
  // in the table of effects.
  TEffectDlg(QWidget* parent, EffectKind kind, const LaunchValues& launch);

  // The controls every form has: OKBtn, CancelBtn, HelpBtn, gauge, addBtn, removeBtn,
  // updateBtn and the hidden labels fromFile and toFile, found by name; `grid` is the patch grid
  // with the row's headers and then `moreHeaders`. Every number field the row names a control
  // for (controlEdit, controlSpin, controlUnit) is bound.
  void BindCommon(QTableWidget* grid, const QStringList& moreHeaders = {});
  // The number field of a patch column; `unit`, when given, names a time field's unit.
  void AddField(size_t column, QLineEdit* edit, TSpinButton* spin, QLabel* unit = nullptr,
                double step = 1);
  void FormActivate() override;
  void CancelRun() override { CancelBtnClick(); }
  void done(int result) override;

  // The dialog's own controls from fields_ (after a row is loaded), and back into fields_
  // (before the fields are stored or used); false stops after a message.
  virtual void ShowExtras() {}
  virtual bool TakeExtras() { return true; }
  // The job's own parts (the vocoder's control file), checked before anything else.
  virtual std::optional<Problem> PrepareJob(EffectJob&) { return std::nullopt; }

  EffectFields fields_;

 private:
  void ShowFields();
  Patch RowPatch(int row) const;
  void SetRow(int row, const Patch& patch);
  void CellChanged(QTableWidgetItem* item);
  // The check of a cell: the name (not empty), a value column, or a band cell.
  std::optional<Problem> CheckCell(int column, const std::string& text, std::string& shown) const;
  void EnableRowButtons();
  // The job OK and Preview run: the fields left and taken, the dialog's own parts prepared;
  // nothing after a message.
  std::optional<EffectJob> CurrentJob();

  EffectKind kind_;
  LaunchValues launch_;
  wave::TOperationRun run_;
  QTableWidget* grid_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* update_ = nullptr;
  std::map<size_t, wave::TNumberField*> numberFields_;
  std::vector<Patch> rows_;  // what the grid holds, for putting a refused cell back
  std::vector<Patch> read_;  // the file's patches as read: OK writes back only what changed since
  bool filling_ = false;
  std::optional<ops::JobOutcome> outcome_;
  ui::TPreview preview_;
  KeptMetadata keep_;
};

}  // namespace tonemill::effectdialogs
