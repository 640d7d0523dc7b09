// TMIDeditDlg ("MID Edit"): copies a MIDI file with chosen kinds of messages silenced on the
// Track:Channel pairs of its grid (Mute) or everywhere else (Solo).
#pragma once

#include "tonemill/midi/midedit.h"
#include "tonemill/ops/trackedit.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QTableWidget;
namespace Ui {
class MIDeditDlg;
}

namespace tonemill::ui {
class TrackChannelGrid;
}

namespace tonemill::midi {

constexpr int kHelpTrackEditor = 2000;

class TMIDeditDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TMIDeditDlg(QWidget* parent, const QString& source, const QString& destination);
  ~TMIDeditDlg() override;

  QTableWidget* Grid() const;
  // What OK hands the engine: the mode, the kinds and the rows of the grid.
  TrackEdit Edit() const;

 public slots:
  bool Edit1Exit();
  bool Edit2Exit();
  // A cell was edited: it is checked as it is left.
  void StringGrid1SelectCell(int row, int column);
  void addButtonClick();
  void deleteButtonClick();
  void OKbuttonClick();

 protected:
  void FormActivate() override;

 private:
  // The track:channel pairs the source uses, each with its instrument, offered above the grid;
  // choosing one puts it into the current row.
  void FillPairs();
  void PairChosen(int index);
  QComboBox* pairsBox_ = nullptr;
  void EnableControls();
  bool SourceIsValid() const;

  std::unique_ptr<Ui::MIDeditDlg> ui_;
  // The pairs; while a cell holds a bad entry everything but the grid, Cancel and Help waits
  // for it.
  ui::TrackChannelGrid* grid_ = nullptr;
};

}  // namespace tonemill::midi
