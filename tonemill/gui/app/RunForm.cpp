#include "RunForm.h"

#include "ui_RunForm.h"

#include "platform/messages.h"
#include "platform/qt/shell.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tonemill::app {

TrunForm::TrunForm(QWidget* parent, const QString& caption, int helpContext,
                   const QString& findTitle, const QString& program,
                   const RunParameters& parameters)
    : TDialog(parent, helpContext),
      ui_(std::make_unique<Ui::runForm>()),
      findTitle_(findTitle),
      parameters_(parameters) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  ui_->ProgramEdit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  ui_->ProgramEdit->setText(program);
  ui_->ParamEdit->setText(QString::fromStdString(parameters.first));
  ui_->PassDirsCheck->setChecked(parameters.passDirectories);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TrunForm::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TrunForm::HelpBtnClick);
  connect(ui_->FindBtn, &QPushButton::clicked, this, &TrunForm::FindBtnClick);
  connect(ui_->ProgramEdit, &QLineEdit::textChanged, this, &TrunForm::ShowCommand);
  connect(ui_->ParamEdit, &QLineEdit::textChanged, this, &TrunForm::ShowCommand);
  connect(ui_->PassDirsCheck, &QCheckBox::toggled, this, &TrunForm::ShowCommand);
  ShowCommand();
}

TrunForm::~TrunForm() = default;

QString TrunForm::Program() const { return ui_->ProgramEdit->text().trimmed(); }

RunParameters TrunForm::Parameters() const {
  RunParameters p = parameters_;
  p.first = ui_->ParamEdit->text().toStdString();
  p.passDirectories = ui_->PassDirsCheck->isChecked();
  return p;
}

QString TrunForm::StartablePath(const QString& program) {
  if (QFileInfo::exists(program) || !program.endsWith(".exe", Qt::CaseInsensitive)) return program;
  const QString bare = program.left(program.size() - 4);
  return QFileInfo::exists(bare) ? bare : program;
}

void TrunForm::ShowCommand() {
  ui_->ParamStringLabel->setText(Program() + " " +
                                 QString::fromStdString(ParameterString(Parameters())));
}

void TrunForm::FindBtnClick() {
  const QString start = QFileInfo(Program()).absolutePath();
  const QString chosen = QFileDialog::getOpenFileName(this, findTitle_, start,
                                                      tr("EXE files (*.EXE);;All files (*)"));
  if (!chosen.isEmpty()) ui_->ProgramEdit->setText(chosen);
}

void TrunForm::OKBtnClick() {
  QStringList arguments;
  for (const std::string& a : ParameterList(Parameters())) arguments << QString::fromStdString(a);
  QString error;
  if (!platform::RunProgram(StartablePath(Program()), arguments, QDir::currentPath(), error)) {
    platform::ShowError(error.toStdString());
    return;
  }
  accept();
}

}  // namespace tonemill::app
