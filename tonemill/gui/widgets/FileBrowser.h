// TFileBrowser: the WAV dialogs' file picker — the folder, its files through a filter
// ("WAV (*.WAV)" or "All files (*.*)", case ignored) and its subfolders, entered by a double
// click. It starts in the folder of the file it is given, with that file selected.
#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class TExtFileListBox;

namespace tonemill::wave {

class TFileBrowser : public QWidget {
  Q_OBJECT
 public:
  explicit TFileBrowser(QWidget* parent = nullptr);

  // Lists the file's folder and selects the file (only the folder when it is one).
  void Start(const QString& path);
  void SetDirectory(const QString& directory);
  QString Directory() const;
  // The full path of the selected file, or empty.
  QString FileName() const;
  bool SelectFile(const QString& path);
  TExtFileListBox* List() const { return list_; }
  QComboBox* Filter() const { return filter_; }

 signals:
  // The selected file changed (the system's FileListBox1Change).
  void FileChange();
  // A file was double-clicked or Enter pressed on it.
  void FileActivated();

 private:
  QLabel* directory_;
  TExtFileListBox* list_;
  QComboBox* filter_;
};

}  // namespace tonemill::wave
