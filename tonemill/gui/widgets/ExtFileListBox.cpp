#include "ExtFileListBox.h"

#include "tonemill/ops/mainrules.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// Draws the name as the list does, then the columns right-aligned at the positions the
// offset rules give. A name that would reach the first column is shortened with "…".
class ColumnDelegate : public QStyledItemDelegate {
 public:
  explicit ColumnDelegate(TExtFileListBox* list) : QStyledItemDelegate(list), list_(list) {}

  struct Layout {
    QStyleOptionViewItem item;
    std::vector<std::pair<QRect, QString>> columns;
  };

  Layout Arrange(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Layout layout{option, {}};
    QStyleOptionViewItem& item = layout.item;
    initStyleOption(&item, index);
    if (index.data(TExtFileListBox::kDirectoryRole).toBool()) return layout;
    const QFontMetrics m(option.font);
    // The name column starts where the style puts the text and is as wide as the sample name
    // or the longest listed name.
    const QWidget* view = option.widget;
    const QStyle* style = view ? view->style() : QApplication::style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    int right = text.left() + qMax(m.horizontalAdvance("XXXXXXXX.XXX"), longestName_) +
                2 * style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view);
    const QDateTime when = index.data(TExtFileListBox::kTimeRole).toDateTime();
    struct Column {
      bool show;
      int offset, pos;
      QString text, sample;
    };
    const QLocale locale;
    const Column columns[] = {
        {list_->ShowSize, list_->SizeOffset, list_->SizePos,
         QString::fromStdString(tonemill::SizeText(
             index.data(TExtFileListBox::kSizeRole).toULongLong(), list_->Separator)),
         list_->Separator ? "888,888,888" : "888888888"},
        {list_->ShowDate, list_->DateOffset, list_->DatePos,
         locale.toString(when.date(), QLocale::ShortFormat),
         locale.toString(QDate::currentDate(), QLocale::ShortFormat)},
        {list_->ShowTime, list_->TimeOffset, list_->TimePos,
         locale.toString(when.time(), QLocale::ShortFormat),
         locale.toString(QTime::currentTime(), QLocale::ShortFormat)},
    };
    int firstLeft = INT_MAX;
    for (const Column& c : columns) {
      if (!c.show) continue;
      const int width = m.horizontalAdvance(c.sample);
      right = tonemill::ColumnRight(c.offset, c.pos, option.rect.right(), right, width);
      const QRect r(right - width, option.rect.top(), width, option.rect.height());
      // The first column's left edge is where its widest figure starts; the figure shown may
      // be narrower, so the name stops before the figure actually drawn.
      firstLeft = qMin(firstLeft, right - m.horizontalAdvance(c.text));
      layout.columns.push_back({r, c.text});
    }
    if (firstLeft != INT_MAX) {
      const int room = firstLeft - m.horizontalAdvance("  ") - text.left();
      if (m.horizontalAdvance(item.text) > room) item.text = m.elidedText(item.text, Qt::ElideRight, qMax(room, 0));
    }
    return layout;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const Layout layout = Arrange(option, index);
    const QWidget* view = option.widget;
    const QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &layout.item, painter, view);
    painter->save();
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected
                                             ? QPalette::HighlightedText
                                             : QPalette::Text));
    for (const auto& [r, text] : layout.columns) painter->drawText(r, Qt::AlignRight | Qt::AlignVCenter, text);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics m(option.font);
    s.setWidth(s.width() + m.horizontalAdvance("  888,888,888  00.00.0000  00:00  "));
    return s;
  }

  void SetLongestName(int width) { longestName_ = width; }

 private:
  TExtFileListBox* list_;
  int longestName_ = 0;
};

}  // namespace

TExtFileListBox::TExtFileListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setItemDelegate(new ColumnDelegate(this));
  setUniformItemSizes(true);
  // Files dropped from a file manager are copied in (the window decides how).
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  connect(this, &QListWidget::itemDoubleClicked, this, &TExtFileListBox::Enter);
}

void TExtFileListBox::SetMask(const QStringList& patterns) {
  patterns_ = patterns;
  Update();
}

bool TExtFileListBox::SetDirectory(const QString& directory) {
  directory_ = directory;
  clear();
  if (!QFileInfo(directory).isDir() || !QFileInfo(directory).isReadable()) return false;
  Update();
  return true;
}

void TExtFileListBox::Update() {
  QStringList selected = SelectedFiles();
  const QString current = currentItem() ? currentItem()->data(kPathRole).toString() : QString();
  clear();
  if (directory_.isEmpty()) return;
  QDir dir(directory_);
  QFileInfoList entries =
      dir.entryInfoList(QDir::AllEntries | QDir::NoDot | QDir::System | QDir::Hidden, QDir::NoSort);
  // Directories first ("[..]" at the top), each group in natural order: 0, 1, 2, 10, 100.
  std::sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
    if (a.isDir() != b.isDir()) return a.isDir();
    if ((a.fileName() == "..") != (b.fileName() == "..")) return a.fileName() == "..";
    return tonemill::NaturalLess(a.fileName().toStdString(), b.fileName().toStdString());
  });
  std::vector<std::string> patterns;
  for (const QString& p : patterns_) patterns.push_back(p.toStdString());
  const QFontMetrics m(font());
  int longest = 0;
  for (const QFileInfo& info : entries) {
    const QString name = info.fileName();
    const bool isDir = info.isDir();
    if (isDir) {
      if (name != ".." && name.startsWith('.')) continue;
      if (name == ".." && dir.isRoot()) continue;
    } else if (!tonemill::MatchesFilter(name.toStdString(), patterns)) {
      continue;
    }
    auto* item = new QListWidgetItem(isDir ? "[" + name + "]" : name, this);
    item->setData(kPathRole, isDir ? QDir::cleanPath(dir.absoluteFilePath(name))
                                   : dir.absoluteFilePath(name));
    item->setData(kDirectoryRole, isDir);
    item->setData(kSizeRole, QVariant::fromValue<qulonglong>(isDir ? 0 : info.size()));
    item->setData(kTimeRole, info.lastModified());
    item->setIcon(style()->standardIcon(isDir ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    if (!isDir) longest = qMax(longest, m.horizontalAdvance(name));
  }
  static_cast<ColumnDelegate*>(itemDelegate())->SetLongestName(longest);
  for (int i = 0; i < count(); ++i) {
    QListWidgetItem* it = item(i);
    const QString path = it->data(kPathRole).toString();
    if (path == current) setCurrentItem(it, QItemSelectionModel::NoUpdate);
    if (selected.contains(path)) it->setSelected(true);
  }
}

QString TExtFileListBox::FileName() const {
  const QListWidgetItem* it = currentItem();
  if (!it || it->data(kDirectoryRole).toBool()) return {};
  return it->data(kPathRole).toString();
}

QStringList TExtFileListBox::SelectedFiles() const {
  QStringList files;
  for (int i = 0; i < count(); ++i) {
    const QListWidgetItem* it = item(i);
    if (it->isSelected() && !it->data(kDirectoryRole).toBool())
      files << it->data(kPathRole).toString();
  }
  return files;
}

QString TExtFileListBox::ShownText(int row) const {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QModelIndex index = model()->index(row, 0);
  option.rect = visualRect(index);
  return static_cast<ColumnDelegate*>(itemDelegate())->Arrange(option, index).item.text;
}

bool TExtFileListBox::SelectFile(const QString& path) {
  for (int i = 0; i < count(); ++i) {
    QListWidgetItem* it = item(i);
    if (!it->data(kDirectoryRole).toBool() && it->data(kPathRole).toString() == path) {
      setCurrentItem(it, QItemSelectionModel::ClearAndSelect);
      scrollToItem(it);
      return true;
    }
  }
  return false;
}

void TExtFileListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem() &&
      currentItem()->data(kDirectoryRole).toBool()) {
    Enter(currentItem());
    return;
  }
  QListWidget::keyPressEvent(event);
}

namespace {

// The local files among what is dragged: regular files only.
QStringList DraggedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << QFileInfo(url.toLocalFile()).absoluteFilePath();
  return files;
}

}  // namespace

void TExtFileListBox::dragEnterEvent(QDragEnterEvent* event) {
  if (isEnabled() && !DraggedFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TExtFileListBox::dragMoveEvent(QDragMoveEvent* event) {
  if (isEnabled() && !DraggedFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TExtFileListBox::dropEvent(QDropEvent* event) {
  const QStringList files = DraggedFiles(event->mimeData());
  if (!isEnabled() || files.isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit FilesDropped(files);
}

void TExtFileListBox::Enter(QListWidgetItem* item) {
  if (item && item->data(kDirectoryRole).toBool())
    emit DirectoryEntered(item->data(kPathRole).toString());
}
