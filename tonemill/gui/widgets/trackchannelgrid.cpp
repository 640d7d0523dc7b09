#include "trackchannelgrid.h"

#include "platform/messages.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace tonemill::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// The cells' editor: Tab, Backtab and Enter hand the text in first, and when the cell is bad the
// editor stays open on it (the view would go on to the next cell and edit that one instead).
class TrackChannelGrid::CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(TrackChannelGrid* grid) : QStyledItemDelegate(grid->table_), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor->setProperty("gridCell", QPoint(index.column(), index.row()));
    return editor;
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter) {
        const QPoint cell = editor->property("gridCell").toPoint();
        const int checks = grid_->checks_;
        emit commitData(editor);
        if (grid_->badCell_ == std::pair(cell.y(), cell.x())) {
          // The same bad text handed in again changes no cell; it is checked all the same.
          if (grid_->checks_ == checks) grid_->CheckCell(cell.y(), cell.x());
          if (auto* line = qobject_cast<QLineEdit*>(editor)) line->selectAll();
          editor->setFocus();
          return true;
        }
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TrackChannelGrid* grid_;
};

TrackChannelGrid* TrackChannelGrid::Install(QTableWidget* table, DrumRow newRow,
                                            std::function<void()> changed) {
  return new TrackChannelGrid(table, std::move(newRow), std::move(changed));
}

TrackChannelGrid::TrackChannelGrid(QTableWidget* table, DrumRow newRow,
                                   std::function<void()> changed)
    : QObject(table), table_(table), newRow_(std::move(newRow)), changed_(std::move(changed)) {
  table->setHorizontalHeaderLabels({tr("Track (1-65535)"), tr("Channel (1-16)")});
  table->setItemDelegate(new CellDelegate(this));
  connect(table, &QTableWidget::cellChanged, this, &TrackChannelGrid::CheckCell);
  connect(table, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
    if (badCell_ && std::pair(row, column) != *badCell_)
      table_->setCurrentCell(badCell_->first, badCell_->second);
  });
  SetRows({newRow_});
}

std::vector<DrumRow> TrackChannelGrid::Rows() const {
  std::vector<DrumRow> rows;
  for (int r = 0; r < table_->rowCount(); ++r) {
    auto text = [&](int c) {
      const QTableWidgetItem* item = table_->item(r, c);
      const std::string s = item ? item->text().toStdString() : std::string();
      return s.substr(0, s.find_last_not_of(' ') + 1);
    };
    rows.push_back({text(0), text(1)});
  }
  return rows;
}

void TrackChannelGrid::SetRows(const std::vector<DrumRow>& rows) {
  filling_ = true;
  table_->setRowCount(int(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    table_->setItem(int(r), 0, new QTableWidgetItem(Q(rows[r].first)));
    table_->setItem(int(r), 1, new QTableWidgetItem(Q(rows[r].second)));
  }
  filling_ = false;
}

void TrackChannelGrid::CheckCell(int row, int column) {
  QTableWidgetItem* item = table_->item(row, column);
  if (filling_ || !item) return;
  ++checks_;
  std::string cell = item->text().toStdString();
  const std::string message = DrumCellIsEmpty(cell) ? "" : CheckDrumCell(cell, column == 0);
  if (message.empty()) {
    filling_ = true;
    item->setText(Q(DrumCellIsEmpty(cell) ? std::string() : cell));
    filling_ = false;
    if (badCell_ == std::pair(row, column)) badCell_.reset();
    changed_();
    return;
  }
  badCell_ = std::pair(row, column);
  changed_();
  table_->setCurrentCell(row, column);
  platform::ShowError(message);
}

bool TrackChannelGrid::Complete() {
  const std::optional<std::pair<size_t, int>> empty = FirstEmptyDrumCell(Rows());
  if (!empty) return true;
  platform::ShowError(kIncompleteDrumListMessage);
  table_->setFocus();
  table_->setCurrentCell(int(empty->first), empty->second);
  return false;
}

void TrackChannelGrid::AddRow() {
  if (badCell_ || !Complete()) return;
  std::vector<DrumRow> rows = Rows();
  rows.push_back(newRow_);
  SetRows(rows);
  table_->setFocus();
  table_->setCurrentCell(int(rows.size()) - 1, 0);
  changed_();
}

void TrackChannelGrid::RemoveCurrentRow() {
  const int row = table_->currentRow();
  if (badCell_ || table_->rowCount() < 2 || row < 0) return;
  table_->removeRow(row);
  changed_();
}

}  // namespace tonemill::ui
