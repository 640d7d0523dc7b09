// TTMmain: the main window. It keeps the seven working directories, lists the selected one,
// and starts every operation on the selected file or files. It owns the settings file.
#pragma once

#include "tonemill/ops/mainrules.h"
#include "tonemill/files/settings.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
namespace Ui {
class TMmain;
}

namespace tonemill::app {

// Help contexts of the main window and its dialogs.
enum HelpContext : int {
  kHelpContents = 1,
  kHelpMain = 10,
  kHelpChange = 20,
  kHelpGroupy = 30,
  kHelpPlay = 40,
  kHelpDirPick = 50,
  kHelpAbout = 60,
  kHelpVespera = 7000,
  kHelpLyrovox = 8000,
};

class TTMmain : public QMainWindow {
  Q_OBJECT
 public:
  // Reads (or first writes) the settings at `location`.
  explicit TTMmain(SettingsLocation location, QWidget* parent = nullptr);
  ~TTMmain() override;

  // Lists the file's directory as a place and selects the file (a file given at start).
  void OpenFile(const QString& path);

  const Settings& CurrentSettings() const { return settings_; }
  Selector CurrentSelector() const { return selector_; }
  QLineEdit* DirectoryField(Selector s) const { return fields_[size_t(s)]; }
  QRadioButton* SelectorButton(Selector s) const { return radios_[size_t(s)]; }

 public slots:
  void FormCreate();
  void SelectorClick(int selector);
  void DirExit(int selector);
  void BrowseClick(int selector);
  void FileListBoxClick();
  void FilterComboBoxChange(int index);
  void PlacesComboBoxChange(int index);
  void UpdateBtnClick();
  void PlayBtnClick();
  void ScanBtnClick();
  void EditBtnClick();
  void ConvertBtnClick();
  void PrintBtnClick();
  void CopyBtnClick();
  void MoveBtnClick();
  void DeleteBtnClick();
  void VSBtnClick();
  void LXBtnClick();
  void AboutBtnClick();
  void HelpBtnClick();
  void ExitBtnClick();
  // Files dropped onto the list: Copy into the listed directory.
  void DropFiles(const QStringList& files);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void SelectDirectory(const QString& directory);
  void DisableOperations();
  void SetCaptions();
  void Transfer(bool move);
  // Re-reads the list after an operation and selects the file selected before, if still there.
  void Refresh(const QString& previous);
  // The song pipeline's operations: Convert of a file, "Make WAVs" of the selected PRG files,
  // and "Make WAVs" of a MIDI file (the samples its song needs).
  QString CurrentFile() const;
  void ConvertFile(const QString& file);
  void MakeWavsForPrgFiles();
  void MakeWavsForMidi(const QString& file);
  // The WAV workshop's operations: Scan (the statistics of a WAV file, the listing of a MIDI
  // file) and Edit (the Edit dialog and the editor it opens).
  void ScanFile(const QString& file);
  void EditFile(const QString& file);
  void SaveFields();
  QString Resolved(const std::string& text) const;

  std::unique_ptr<Ui::TMmain> ui_;
  SettingsLocation location_;
  Settings settings_;
  // Puts the window where TM.INI says it was, within the screen it is on now.
  void RestorePlace();
  void SavePlace();
  std::map<std::string, std::string> storedPlace_;  // the window keys as read
  Settings loaded_;  // as read, so that a directory left unchanged is written back as it was
  Selector selector_ = Selector::MID;
  std::array<QLineEdit*, 7> fields_{};
  std::array<QRadioButton*, 7> radios_{};
  std::array<QToolButton*, 7> browse_{};
  std::array<QString, 7> resolvedAtStart_;
};

}  // namespace tonemill::app
