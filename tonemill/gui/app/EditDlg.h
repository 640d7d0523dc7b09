// TEditDlg ("Edit"): how a file is edited — as text in the text editor, or in the PRG editor,
// the MIDI track editor or the WAV editor — chosen by its extension whenever the file field is
// left; the "Text editor" button picks the editor program the settings keep.
#pragma once

#include "tonemill/files/settings.h"
#include "tonemill/ops/scanedit.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class EditDlg;
}

namespace tonemill::app {

// Starts the text editor the setting names on `file` in `directory`; false after a message.
bool OpenInTextEditor(const std::string& setting, const QString& file, const QString& directory);

class TEditDlg : public ui::TDialog {
  Q_OBJECT
 public:
  // `settings` is the main window's: the text editor chosen here goes into it.
  TEditDlg(QWidget* parent, const QString& file, const QString& wavDirectory,
           const QString& tempDirectory, Settings& settings);
  ~TEditDlg() override;

  ops::EditWay Way() const;
  // Picks the editor program (an open dialog); tests answer it themselves.
  std::function<QString(const QString& title, const QString& start)> pickProgram;
  // Shows the editor a way opens; tests replace it to drive the editor.
  std::function<void(QDialog&)> showDialog = [](QDialog& d) { d.exec(); };

 public slots:
  void fileEditExit();
  void editorBtnClick();
  void OKBtnClick();

 private:
  void OpenText(const QString& file);
  void OpenWav(const QString& file);
  void OpenPrgEditor(const QString& file);
  void OpenMidEditor(const QString& file);

  std::unique_ptr<Ui::EditDlg> ui_;
  // What the PRG editor is given.
  QString wavDirectory_, tempDirectory_;
  Settings& settings_;
};

}  // namespace tonemill::app
