// TExtFileListBox: a multi-select file list that lists one directory through a filter and
// draws up to three right-aligned columns after each file name: size, date and time.
// Directory entries ("[name]", "[..]") get no columns; a double click enters them.
#pragma once

#include <QListWidget>
#include <QStringList>

class TExtFileListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TExtFileListBox(QWidget* parent = nullptr);

  bool ShowSize = true, ShowDate = true, ShowTime = true;
  bool Separator = true;  // sizes as "###,###,###"
  int SizeOffset = 2, DateOffset = 2, TimeOffset = 2;
  int SizePos = 0, DatePos = 5, TimePos = 5;

  // Lists `directory` through the patterns ("*.MID"; case is ignored, dot-files never show).
  // False when the directory cannot be read; the list is then empty.
  bool SetDirectory(const QString& directory);
  void SetMask(const QStringList& patterns);
  // Lists the directory again, keeping the selection of the names still there.
  void Update();

  QString Directory() const { return directory_; }
  // The full path of the current file, or empty when the current entry is no file.
  QString FileName() const;
  // The full paths of the selected files, in list order.
  QStringList SelectedFiles() const;
  // Makes the file with this full path current and selected; false when it is not listed.
  bool SelectFile(const QString& path);
  // The entry's name as drawn at the list's present width (shortened before the columns).
  QString ShownText(int row) const;

  static constexpr int kPathRole = Qt::UserRole;
  static constexpr int kSizeRole = Qt::UserRole + 1;
  static constexpr int kDirectoryRole = Qt::UserRole + 2;
  static constexpr int kTimeRole = Qt::UserRole + 3;

 signals:
  // A directory entry was entered by a double click or Enter.
  void DirectoryEntered(const QString& directory);
  // Files were dropped onto the list from outside (a file manager): their full paths.
  void FilesDropped(const QStringList& files);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Enter(QListWidgetItem* item);

  QString directory_;
  QStringList patterns_{"*.*"};
};
