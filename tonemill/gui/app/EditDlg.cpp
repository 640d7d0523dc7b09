#include "EditDlg.h"

#include "ui_EditDlg.h"

#include "platform/messages.h"
#include "platform/qt/shell.h"
#include "tonemill/files/paths.h"
#include "tonemill/gui/midi/MIDeditDlg.h"
#include "tonemill/gui/prg/PRGeditDlg.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/wave/WAVeditDlg.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tonemill::app {
namespace {

constexpr int kHelpEdit = 70;

}  // namespace

bool OpenInTextEditor(const std::string& setting, const QString& file, const QString& directory) {
  // Without an editor the user still learns where the file is (the scan's report, say).
  const std::string where = "The file is " + QFileInfo(file).absoluteFilePath().toStdString() + ".";
  QStringList command = platform::TextEditorCommand(QString::fromStdString(setting));
  if (command.isEmpty()) {
    platform::ShowError("No text editor is known; choose one with the Edit dialog's \"Text editor\" button.",
                        where);
    return false;
  }
  const QString program = command.takeFirst();
  QString error;
  if (!platform::RunProgram(program, command << file, directory, error)) {
    platform::ShowError(error.toStdString(), where);
    return false;
  }
  return true;
}

TEditDlg::TEditDlg(QWidget* parent, const QString& file, const QString& wavDirectory,
                   const QString& tempDirectory, Settings& settings)
    : TDialog(parent, kHelpEdit), ui_(std::make_unique<Ui::EditDlg>()), wavDirectory_(wavDirectory),
      tempDirectory_(tempDirectory), settings_(settings) {
  ui_->setupUi(this);
  ui_->fileEdit->setText(file);
  ui::FieldExit::Install(ui_->fileEdit, [this] {
    fileEditExit();
    return true;
  });
  connect(ui_->editorBtn, &QPushButton::clicked, this, &TEditDlg::editorBtnClick);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TEditDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &TEditDlg::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TEditDlg::HelpBtnClick);
  // Enter presses OK, not the picker's button.
  ui_->editorBtn->setAutoDefault(false);
  ui_->OKBtn->setDefault(true);
  pickProgram = [this](const QString& title, const QString& start) {
    // Programs here seldom end in ".EXE": the picker keeps that filter and opens on all files.
    QFileDialog picker(this, title, QFileInfo(start).absolutePath());
    picker.setFileMode(QFileDialog::ExistingFile);
    picker.setDefaultSuffix("EXE");
    picker.setNameFilters({"EXE files (*.EXE *.exe)", "All files (*)"});
    picker.selectNameFilter("All files (*)");
    picker.selectFile(start);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return QString();
    return picker.selectedFiles().front();
  };
  fileEditExit();
}

TEditDlg::~TEditDlg() = default;

void TEditDlg::fileEditExit() {
  const std::string file = ui_->fileEdit->text().toStdString();
  QRadioButton* buttons[] = {ui_->textButton, ui_->prgButton, ui_->midButton, ui_->wavButton};
  buttons[int(ops::EditWayFor(file))]->setChecked(true);
  ui_->OKBtn->setEnabled(IsValidFileName(file));
}

ops::EditWay TEditDlg::Way() const {
  if (ui_->prgButton->isChecked()) return ops::EditWay::Prg;
  if (ui_->midButton->isChecked()) return ops::EditWay::Mid;
  if (ui_->wavButton->isChecked()) return ops::EditWay::Wav;
  return ops::EditWay::Text;
}

void TEditDlg::editorBtnClick() {
  // Starts in the current editor's folder, with its name lower-cased.
  const QFileInfo current(QString::fromStdString(settings_.textEditor));
  const QString start = QDir(current.absolutePath()).filePath(current.fileName().toLower());
  const QString chosen = pickProgram("Text editor", start);
  if (chosen.isEmpty()) return;
  settings_.textEditor = QFileInfo(chosen).absoluteFilePath().toStdString();
}

void TEditDlg::OKBtnClick() {
  fileEditExit();
  if (!ui_->OKBtn->isEnabled()) return;
  const QString file = ui_->fileEdit->text();
  hide();
  switch (Way()) {
    case ops::EditWay::Text: OpenText(file); break;
    case ops::EditWay::Prg: OpenPrgEditor(file); break;
    case ops::EditWay::Mid: OpenMidEditor(file); break;
    case ops::EditWay::Wav: OpenWav(file); break;
  }
  accept();
}

void TEditDlg::OpenText(const QString& file) {
  OpenInTextEditor(settings_.textEditor, file, QFileInfo(file).absolutePath());
}

void TEditDlg::OpenWav(const QString& file) {
  const QString output = QString::fromStdString(ops::WavEditorOutput(file.toStdString()));
  wave::TWAVeditDlg editor(parentWidget(), file, output);
  editor.SetTempDirectory(tempDirectory_);
  showDialog(editor);
}

void TEditDlg::OpenPrgEditor(const QString& file) {
  prg::TPRGeditDlg editor(parentWidget(), file, wavDirectory_, tempDirectory_);
  // Load runs under the hourglass; the editor shows only what loaded.
  if (editor.Load()) showDialog(editor);
}

void TEditDlg::OpenMidEditor(const QString& file) {
  const QString destination = QString::fromStdString(ops::TrackEditorOutput(file.toStdString()));
  midi::TMIDeditDlg editor(parentWidget(), file, destination);
  showDialog(editor);
}

}  // namespace tonemill::app
