// TPRGeditDlg ("PRG Edit"): one PRG instrument file as a table, a row per definition line with
// its comment lines below, the explanation of the selected field, a check of every cell as it
// is left, Copy to..., row operations, the sample player and the WAV viewer with its import.
// The table's two fixed cells (the "> " row marker and the "# " comment marker) are its row
// headers, so that they stay in view while the fields scroll.
#pragma once

#include "tonemill/prg/prgdocument.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QTableWidget;
namespace Ui {
class PRGeditDlg;
}
namespace tonemill::wave {
class TWAViewDlg;
}

namespace tonemill::prg {

constexpr int kHelpPrgEditor = 1000;

class TPRGeditDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TPRGeditDlg(QWidget* parent, const QString& prgFile, const QString& wavDirectory,
              const QString& tempDirectory);
  ~TPRGeditDlg() override;

  // Reads the file under the hourglass and shows its message afterwards; the dialog is shown
  // only when this succeeds.
  bool Load();

  const PrgDocument& Document() const { return document_; }
  QTableWidget* Grid() const;
  // The two fixed cells of a row: "> " on the selected row, "# " when it has comments.
  QString RowMarker(int row) const;
  QString CommentMarker(int row) const;
  bool HasBadCell() const { return badCell_.has_value(); }

  // How the sample player is shown; tests replace it.
  std::function<void(QDialog&)> showPlayer = [](QDialog& d) { d.exec(); };
  // The WAV viewer while it is open ("View sample" then reads "Import value").
  wave::TWAViewDlg* Viewer() const;

 public slots:
  // A cell's text was changed: it is checked as it is left.
  void StringGrid1SetEditText(int row, int column);
  void StringGrid1SelectCell(int row, int column);
  void Memo1Enter();
  void Memo1Exit();
  void sampleButtonClick();
  void controllerButtonClick();
  void envelopeButtonClick();
  void insertButtonClick();
  void AddButtonClick();
  void deleteButtonClick();
  void copyBtnClick();
  void playButtonClick();
  void viewButtonClick();
  void OKbuttonClick();

 protected:
  void FormActivate() override;
  void done(int result) override;

 private:
  void FillGrid();
  void ShowRow(int row);
  void ShowMarkers();
  void ShowExplanation();
  void EnableControls();
  void ScrollTo(PrgField field);
  void SelectCell(int row, int column);
  // Puts the memo's lines back into the row it shows, when they were changed.
  void CommitMemo();
  void Import();
  int CurrentRow() const;
  int CurrentColumn() const;

  std::unique_ptr<Ui::PRGeditDlg> ui_;
  QString prgFile_, wavDirectory_, tempDirectory_;
  PrgDocument document_;
  std::optional<std::pair<int, int>> badCell_;
  int memoRow_ = -1;  // the row whose comments the memo shows
  bool filling_ = false;
  QPointer<wave::TWAViewDlg> viewer_;
};

}  // namespace tonemill::prg
