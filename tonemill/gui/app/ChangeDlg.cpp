#include "ChangeDlg.h"

#include "ui_ChangeDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/fileoperations.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QFileInfo>

namespace tonemill::app {

TchangeDlg::TchangeDlg(QWidget* parent, bool move, const QString& from, const QString& to,
                       const std::array<QString, 7>& directories, Selector selector)
    : TDialog(parent, kHelpChange),
      ui_(std::make_unique<Ui::changeDlg>()),
      move_(move),
      directories_(directories) {
  ui_->setupUi(this);
  setWindowTitle(move ? tr("Move") : tr("Copy"));
  radios_ = {ui_->MIDRadio, ui_->LSTRadio, ui_->SongRadio, ui_->PRGRadio,
             ui_->WAVRadio, ui_->TempRadio, ui_->DFTRadio};
  QLabel* labels[] = {ui_->MIDLabel, ui_->LSTLabel, ui_->SongLabel, ui_->PRGLabel,
                      ui_->WAVLabel, ui_->TempLabel, ui_->DFTLabel};
  for (int i = 0; i < 7; ++i) {
    labels[i]->setText(directories[size_t(i)]);
    connect(radios_[size_t(i)], &QRadioButton::clicked, this, [this, i] { RadioClick(i); });
  }
  radios_[size_t(selector)]->setChecked(true);
  ui_->fromFile->setText(from);
  ui_->toFile->setText(to);
  fromRemembered_ = from;
  toRemembered_ = to;
  ui::FieldExit::Install(ui_->fromFile, [this] { return fromFileExit(); });
  ui::FieldExit::Install(ui_->toFile, [this] { return toFileExit(); });
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TchangeDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TchangeDlg::HelpBtnClick);
}

TchangeDlg::~TchangeDlg() = default;

bool TchangeDlg::CheckFrom(bool show) {
  const std::string from = ui_->fromFile->text().toStdString();
  if (std::optional<Problem> p = ops::CheckTransferSource(from)) {
    if (show) {
      platform::ShowError(p->BoxText());
      ui_->fromFile->setText(fromRemembered_);
    }
    return false;
  }
  return true;
}

bool TchangeDlg::CheckTo(bool show) {
  const std::string from = ui_->fromFile->text().toStdString();
  const std::string to = ui_->toFile->text().toStdString();
  if (std::optional<Problem> p = ops::CheckTransferTarget(from, to)) {
    if (show) {
      platform::ShowError(p->message);
      ui_->toFile->setText(toRemembered_);
    }
    return false;
  }
  return true;
}

bool TchangeDlg::fromFileExit() {
  if (!CheckFrom(true)) return false;
  fromRemembered_ = ui_->fromFile->text();
  return true;
}

bool TchangeDlg::toFileExit() {
  if (!CheckTo(true)) return false;
  toRemembered_ = ui_->toFile->text();
  return true;
}

void TchangeDlg::RadioClick(int selector) {
  const QString directory = directories_[size_t(selector)];
  const QString from = ui_->fromFile->text();
  const QFileInfo source(from);
  // The file's own directory as "to" is refused by the check below, as the system does.
  if (SameFile(directory.toStdString(), source.absolutePath().toStdString()))
    ui_->toFile->setText(directory);
  else
    ui_->toFile->setText(QString::fromStdString(WithBackslash(directory.toStdString())) +
                         source.fileName());
  toFileExit();
}

QString TchangeDlg::Target() const {
  return QString::fromStdString(
      ops::TransferTarget(ui_->fromFile->text().toStdString(), ui_->toFile->text().toStdString()));
}

void TchangeDlg::OKBtnClick() {
  // A field left with a bad entry has had its message, and the click that left it does not
  // reach OK (the message box takes it); a field never left is checked here.
  if (!CheckFrom(true) || !CheckTo(true)) return;
  {
    platform::HourglassCursor hourglass;
    done_ = ops::TransferFile(move_ ? ops::Transfer::Move : ops::Transfer::Copy,
                              ui_->fromFile->text().toStdString(),
                              ui_->toFile->text().toStdString());
  }
  accept();
}

}  // namespace tonemill::app
