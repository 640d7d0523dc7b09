#include "FileBrowser.h"

#include "tonemill/gui/widgets/ExtFileListBox.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace tonemill::wave {

TFileBrowser::TFileBrowser(QWidget* parent)
    : QWidget(parent), directory_(new QLabel(this)), list_(new TExtFileListBox(this)),
      filter_(new QComboBox(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  directory_->setObjectName("DirLabel");
  directory_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  directory_->setMinimumWidth(1);  // a long path does not widen the dialog
  list_->setObjectName("FileListBox1");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->ShowDate = list_->ShowTime = false;
  filter_->setObjectName("FilterComboBox2");
  filter_->addItem("WAV (*.WAV)", QStringList{"*.WAV"});
  filter_->addItem("All files (*.*)", QStringList{"*.*"});
  list_->SetMask({"*.WAV"});
  layout->addWidget(directory_);
  layout->addWidget(list_, 1);
  layout->addWidget(filter_);
  connect(list_, &QListWidget::currentItemChanged, this, &TFileBrowser::FileChange);
  connect(list_, &QListWidget::itemActivated, this, [this] {
    if (!FileName().isEmpty()) emit FileActivated();
  });
  connect(list_, &TExtFileListBox::DirectoryEntered, this, &TFileBrowser::SetDirectory);
  connect(filter_, &QComboBox::currentIndexChanged, this, [this](int index) {
    const QString selected = FileName();
    list_->SetMask(filter_->itemData(index).toStringList());
    if (!selected.isEmpty()) list_->SelectFile(selected);
    emit FileChange();
  });
}

void TFileBrowser::Start(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) {
    SetDirectory(info.absoluteFilePath());
    return;
  }
  SetDirectory(info.absolutePath());
  SelectFile(info.absoluteFilePath());
}

void TFileBrowser::SetDirectory(const QString& directory) {
  list_->SetDirectory(directory);
  directory_->setText(list_->Directory());
  directory_->setToolTip(list_->Directory());
  emit FileChange();
}

QString TFileBrowser::Directory() const { return list_->Directory(); }

QString TFileBrowser::FileName() const { return list_->FileName(); }

bool TFileBrowser::SelectFile(const QString& path) {
  const bool found = list_->SelectFile(path);
  emit FileChange();
  return found;
}

}  // namespace tonemill::wave
