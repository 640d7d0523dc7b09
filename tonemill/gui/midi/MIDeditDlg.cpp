#include "MIDeditDlg.h"

#include "ui_MIDeditDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/songchecks.h"
#include "tonemill/ops/targets.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/widgets/trackchannelgrid.h"
#include "tonemill/midi/midscan.h"
#include "tonemill/gui/widgets/NumberField.h"

#include <QComboBox>
#include <QVBoxLayout>
#include <QTableWidget>

#include <filesystem>

namespace tonemill::midi {
namespace {

std::string S(const QString& s) { return s.toStdString(); }

const ops::PairRow kDefaultRow{"1", "1"};

// A name relative to the working directory stands for its full path.
bool LegalName(const std::string& name) {
  std::error_code ec;
  return !name.empty() && IsValidFileName(std::filesystem::absolute(name, ec).string());
}

}  // namespace

TMIDeditDlg::TMIDeditDlg(QWidget* parent, const QString& source, const QString& destination)
    : TDialog(parent, kHelpTrackEditor), ui_(std::make_unique<Ui::MIDeditDlg>()) {
  ui_->setupUi(this);
  // Made taller, the dialog gives the height to the pairs' table, not to the operation.
  ui_->leftLayout->setStretchFactor(ui_->pairGroup, 1);
  // Enter in a field or the table checks it and nothing more.
  wave::NoDefaultButton(this);
  ui_->Edit1->setText(source);
  ui_->Edit2->setText(destination);
  ui::FieldExit::Install(ui_->Edit1, [this] { return Edit1Exit(); });
  ui::FieldExit::Install(ui_->Edit2, [this] { return Edit2Exit(); });
  grid_ = ui::TrackChannelGrid::Install(ui_->StringGrid1, kDefaultRow,
                                        [this] { EnableControls(); });
  pairsBox_ = new QComboBox(ui_->pairGroup);
  pairsBox_->setObjectName("pairsBox");
  pairsBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  pairsBox_->setMinimumContentsLength(24);
  ui_->pairLayout->removeWidget(ui_->StringGrid1);
  auto* column = new QVBoxLayout;
  column->addWidget(pairsBox_);
  column->addWidget(ui_->StringGrid1);
  ui_->pairLayout->insertLayout(0, column, 1);
  connect(pairsBox_, &QComboBox::activated, this, &TMIDeditDlg::PairChosen);
  FillPairs();
  connect(ui_->addButton, &QPushButton::clicked, this, &TMIDeditDlg::addButtonClick);
  connect(ui_->deleteButton, &QPushButton::clicked, this, &TMIDeditDlg::deleteButtonClick);
  connect(ui_->OKbutton, &QPushButton::clicked, this, &TMIDeditDlg::OKbuttonClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TMIDeditDlg::HelpBtnClick);
  EnableControls();
}

TMIDeditDlg::~TMIDeditDlg() = default;

QTableWidget* TMIDeditDlg::Grid() const { return ui_->StringGrid1; }

void TMIDeditDlg::FormActivate() {
  grid_->SetRows({kDefaultRow});
  EnableControls();
  ui_->StringGrid1->setFocus();
  ui_->StringGrid1->setCurrentCell(0, 0);
}

bool TMIDeditDlg::SourceIsValid() const { return !ops::CheckMidiFile(S(ui_->Edit1->text())); }

void TMIDeditDlg::EnableControls() {
  const bool free = !grid_->HasBadCell();
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui_->Edit1, ui_->Edit2, ui_->muteButton, ui_->soloButton, ui_->addButton, ui_->noteBox,
           ui_->channelBox, ui_->polyBox, ui_->modulationBox, ui_->volumeBox, ui_->panBox,
           ui_->expressionBox, ui_->bendBox})
    w->setEnabled(free);
  ui_->deleteButton->setEnabled(free && ui_->StringGrid1->rowCount() > 1);
  const std::string source = S(ui_->Edit1->text()), destination = S(ui_->Edit2->text());
  ui_->OKbutton->setEnabled(free && SourceIsValid() && LegalName(destination) &&
                            !ops::CheckEditDestination(source, destination));
}

bool TMIDeditDlg::Edit1Exit() {
  ui_->OKbutton->setEnabled(false);
  if (std::optional<Problem> problem =
          ops::CheckEditSource(S(ui_->Edit1->text()), S(ui_->Edit2->text()))) {
    platform::ShowError(problem->BoxText());
    return false;
  }
  FillPairs();
  EnableControls();
  return true;
}

void TMIDeditDlg::FillPairs() {
  pairsBox_->clear();
  pairsBox_->addItem(tr("Pairs in the file..."));
  std::vector<std::pair<QString, QPoint>> pairs;
  ScanMidi(
      S(ui_->Edit1->text()), [](int, int) {},
      [&](int number, const TrackUse* use) {
        if (!use) return;
        for (int c = 0; c < 16; ++c) {
          const ChannelUse& channel = use->channels[size_t(c)];
          if (!channel.used) continue;
          QString instrument;
          for (int p = 0; p < 128 && instrument.isEmpty(); ++p)
            if (channel.programs[size_t(p)])
              instrument = QString::fromStdString(c == 9 ? DrumSetName(p) : std::string(ToneName(p)));
          if (instrument.isEmpty()) instrument = c == 9 ? tr("drums") : tr("no program change");
          const QString track = use->name.empty()
                                    ? tr("Track %1").arg(number)
                                    : tr("Track %1 (%2)").arg(number).arg(QString::fromStdString(use->name));
          pairs.push_back({tr("%1, channel %2: %3").arg(track).arg(c + 1).arg(instrument),
                           QPoint(number, c + 1)});
        }
      });
  for (const auto& [text, pair] : pairs) pairsBox_->addItem(text, pair);
  pairsBox_->setEnabled(!pairs.empty());
}

void TMIDeditDlg::PairChosen(int index) {
  const QPoint pair = pairsBox_->itemData(index).toPoint();
  pairsBox_->setCurrentIndex(0);
  if (pair.isNull() || grid_->HasBadCell()) return;
  QTableWidget* grid = ui_->StringGrid1;
  const int row = qMax(0, grid->currentRow());
  grid->item(row, 0)->setText(QString::number(pair.x()));
  grid->item(row, 1)->setText(QString::number(pair.y()));
}

bool TMIDeditDlg::Edit2Exit() {
  ui_->OKbutton->setEnabled(false);
  const std::string source = S(ui_->Edit1->text()), destination = S(ui_->Edit2->text());
  // A name that is no file name yet only keeps OK disabled.
  if (!LegalName(destination)) return true;
  if (std::optional<Problem> clash = ops::CheckEditDestination(source, destination)) {
    platform::ShowError(clash->BoxText());
    return false;
  }
  EnableControls();
  return true;
}

void TMIDeditDlg::StringGrid1SelectCell(int row, int column) { grid_->CheckCell(row, column); }
void TMIDeditDlg::addButtonClick() { grid_->AddRow(); }
void TMIDeditDlg::deleteButtonClick() { grid_->RemoveCurrentRow(); }

TrackEdit TMIDeditDlg::Edit() const {
  TrackEdit edit;
  edit.mute = ui_->muteButton->isChecked();
  edit.kinds.notes = ui_->noteBox->isChecked();
  edit.kinds.channelPressure = ui_->channelBox->isChecked();
  edit.kinds.polyPressure = ui_->polyBox->isChecked();
  edit.kinds.modulation = ui_->modulationBox->isChecked();
  edit.kinds.volume = ui_->volumeBox->isChecked();
  edit.kinds.pan = ui_->panBox->isChecked();
  edit.kinds.expression = ui_->expressionBox->isChecked();
  edit.kinds.bend = ui_->bendBox->isChecked();
  edit.pairs = ops::PairsFromRows(grid_->Rows());
  return edit;
}

void TMIDeditDlg::OKbuttonClick() {
  // A field changed but never left is checked here, as leaving it would.
  EnableControls();
  if (!ui_->OKbutton->isEnabled() || !grid_->Complete()) return;
  const std::string source = S(ui_->Edit1->text()), destination = S(ui_->Edit2->text());
  if (std::optional<Problem> unwritable = UnwritableTarget(destination)) {
    platform::ShowError(unwritable->BoxText());
    return;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwrite(destination);
  if (!overwrite) return;  // back to the dialog
  // The pairs as the engine gets them: repeated rows once, ALL as -1.
  const TrackEdit edit = Edit();
  std::optional<Problem> problem;
  {
    platform::HourglassCursor hourglass;
    problem = ops::ProblemOf(ops::EditTracks(source, destination, edit, *overwrite));
  }
  if (problem) platform::ShowError(problem->BoxText());
  accept();
}

}  // namespace tonemill::midi
