#include "DirPickDlg.h"

#include "ui_DirPickDlg.h"

#include "platform/messages.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>

namespace tonemill::app {

TdirPickDlg::TdirPickDlg(QWidget* parent, const QString& caption, const QString& start)
    : TDialog(parent, kHelpDirPick),
      ui_(std::make_unique<Ui::dirPickDlg>()),
      model_(new QFileSystemModel(this)),
      start_(QDir::cleanPath(QFileInfo(start).absoluteFilePath())) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath("/");
  ui_->DirTree->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) ui_->DirTree->hideColumn(c);
  connect(ui_->DirTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) { ui_->DirEdit->setText(model_->filePath(index)); });
  ui::FieldExit::Install(ui_->DirEdit, [this] { return DirEditExit(); });
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TdirPickDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TdirPickDlg::HelpBtnClick);
  SetDirectory(start_);
}

TdirPickDlg::~TdirPickDlg() = default;

void TdirPickDlg::SetDirectory(const QString& directory) {
  ui_->DirEdit->setText(directory);
  const QModelIndex index = model_->index(directory);
  if (index.isValid()) {
    ui_->DirTree->setCurrentIndex(index);
    ui_->DirTree->scrollTo(index);
  }
}

QString TdirPickDlg::Directory() const {
  return QDir::cleanPath(QFileInfo(ui_->DirEdit->text()).absoluteFilePath());
}

bool TdirPickDlg::Changed() const { return !SameFile(Directory().toStdString(), start_.toStdString()); }

bool TdirPickDlg::DirEditExit() {
  if (!QFileInfo(Directory()).isDir()) {
    platform::ShowError("Can't find directory " + ui_->DirEdit->text().toStdString());
    return false;
  }
  SetDirectory(Directory());
  return true;
}

void TdirPickDlg::OKBtnClick() {
  if (!QFileInfo(Directory()).isDir()) {
    platform::ShowError("Can't find directory " + ui_->DirEdit->text().toStdString());
    return;
  }
  accept();
}

}  // namespace tonemill::app
