// The Track:Channel grid of the render dialog (drum pairs) and of the MIDI track editor (pairs
// to mute or solo): two columns of cells checked as they are left, rows added and removed, and
// a list that is complete only when no cell is empty. A bad entry keeps the selection until it
// is corrected; the dialog disables everything else meanwhile (`HasBadCell`).
#pragma once

#include "tonemill/render/drumlist.h"

#include <QObject>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QTableWidget;

namespace tonemill::ui {

class TrackChannelGrid : public QObject {
  Q_OBJECT
 public:
  // Takes over `table` (as its child) with one row `newRow`; `changed` runs after every check,
  // addition and removal, for the dialog to enable its controls.
  static TrackChannelGrid* Install(QTableWidget* table, DrumRow newRow,
                                   std::function<void()> changed);

  bool HasBadCell() const { return badCell_.has_value(); }
  std::vector<DrumRow> Rows() const;
  void SetRows(const std::vector<DrumRow>& rows);

  // Checks an edited cell: a bad one shows its message and stays selected; an empty one waits
  // for `Complete`.
  void CheckCell(int row, int column);
  // True when no cell is empty; otherwise says "Incomplete Track:Channel specification!" and
  // selects the first empty cell.
  bool Complete();
  // Appends a `newRow` once the list is complete; removes the current row while two are left.
  void AddRow();
  void RemoveCurrentRow();

 private:
  TrackChannelGrid(QTableWidget* table, DrumRow newRow, std::function<void()> changed);
  class CellDelegate;

  QTableWidget* table_;
  DrumRow newRow_;
  std::function<void()> changed_;
  std::optional<std::pair<int, int>> badCell_;
  bool filling_ = false;
  int checks_ = 0;  // cell checks run, so that the editor sees whether its text was checked
};

}  // namespace tonemill::ui
