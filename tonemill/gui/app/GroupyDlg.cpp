#include "GroupyDlg.h"

#include "ui_GroupyDlg.h"

#include "platform/qt/cursor.h"
#include "tonemill/gui/app/TMmain.h"

#include <QDir>
#include <QFileInfo>

namespace tonemill::app {

TgroupyDlg::TgroupyDlg(QWidget* parent, bool move, const QStringList& files,
                       const QString& source, const std::array<QString, 7>& directories,
                       Selector selector)
    : TDialog(parent, kHelpGroupy),
      ui_(std::make_unique<Ui::groupyDlg>()),
      move_(move),
      files_(files),
      source_(source),
      directories_(directories) {
  ui_->setupUi(this);
  setWindowTitle(move ? tr("Group Move") : tr("Group Copy"));
  ui_->CountLabel->setText(tr("%n file(s) from %1", nullptr, int(files.size())).arg(source));
  radios_ = {ui_->MIDRadio, ui_->LSTRadio, ui_->SongRadio, ui_->PRGRadio,
             ui_->WAVRadio, ui_->TempRadio, ui_->DFTRadio};
  QLabel* labels[] = {ui_->MIDLabel, ui_->LSTLabel, ui_->SongLabel, ui_->PRGLabel,
                      ui_->WAVLabel, ui_->TempLabel, ui_->DFTLabel};
  for (int i = 0; i < 7; ++i) {
    labels[i]->setText(directories[size_t(i)]);
    connect(radios_[size_t(i)], &QRadioButton::clicked, this, [this, i] { RadioClick(i); });
  }
  connect(ui_->DirList, &QListWidget::itemDoubleClicked, this, &TgroupyDlg::DirListDblClick);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TgroupyDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TgroupyDlg::HelpBtnClick);
  radios_[size_t(selector)]->setChecked(true);
  SetDestination(directories[size_t(selector)]);
}

TgroupyDlg::~TgroupyDlg() = default;

void TgroupyDlg::SetDestination(const QString& directory) {
  destination_ = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
  ui_->DirLabel->setText(destination_);
  ui_->DirList->clear();
  const QDir dir(destination_);
  const bool exists = dir.exists();
  if (exists) {
    if (!dir.isRoot()) ui_->DirList->addItem("[..]");
    for (const QString& d : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
      ui_->DirList->addItem("[" + d + "]");
  }
  ui_->OKBtn->setEnabled(exists && !ops::SameDirectory(destination_.toStdString(),
                                                        source_.toStdString()));
}

void TgroupyDlg::RadioClick(int selector) { SetDestination(directories_[size_t(selector)]); }

void TgroupyDlg::DirListDblClick() {
  const QListWidgetItem* item = ui_->DirList->currentItem();
  if (!item) return;
  const QString name = item->text().mid(1, item->text().size() - 2);
  SetDestination(QDir(destination_).filePath(name));
}

void TgroupyDlg::OKBtnClick() {
  if (!ui_->OKBtn->isEnabled()) return;
  std::vector<std::string> files;
  for (const QString& f : files_) files.push_back(f.toStdString());
  {
    platform::HourglassCursor hourglass;
    outcome_ = ops::TransferGroup(move_ ? ops::Transfer::Move : ops::Transfer::Copy, files,
                                  destination_.toStdString());
  }
  accept();
}

}  // namespace tonemill::app
