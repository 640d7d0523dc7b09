#include "RenderDlg.h"

#include "ui_RenderDlg.h"

#include "platform/messages.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/songjob.h"
#include "tonemill/ops/targets.h"
#include "tonemill/gui/render/songfront.h"
#include "tonemill/gui/widgets/containerbox.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/widgets/trackchannelgrid.h"

#include <QTableWidget>

namespace tonemill::render {
namespace {

std::string S(const QString& s) { return s.toStdString(); }

const char* Caption(TrenderDlg::Mode mode) {
  switch (mode) {
    case TrenderDlg::Mode::MidToLst: return "MID to LST";
    case TrenderDlg::Mode::MidToWav: return "MID to WAV";
    case TrenderDlg::Mode::MakeWavsForMid: return "Make WAVs for MID";
  }
  return "";
}

const DrumRow kDefaultRow{"ALL", "10"};

}  // namespace

TrenderDlg::TrenderDlg(QWidget* parent, Mode mode)
    : TDialog(parent, mode == Mode::MidToWav ? kHelpMidToWav : kHelpMidToLst),
      ui_(std::make_unique<Ui::RenderDlg>()),
      mode_(mode) {
  ui_->setupUi(this);
  setWindowTitle(Caption(mode));
  ui_->WAVfile->setEnabled(mode == Mode::MidToWav);
  // The song's container goes by its name; the box beside it offers the others.
  if (mode == Mode::MidToWav) containerBox_ = ui::TContainerBox::Beside(ui_->WAVfile);
  ui::FieldExit::Install(ui_->MIDfile, [this] { return MIDfileExit(); });
  ui::FieldExit::Install(ui_->LSTfile, [this] { return LSTfileExit(); });
  ui::FieldExit::Install(ui_->WAVfile, [this] { return WAVfileExit(); });
  grid_ = ui::TrackChannelGrid::Install(ui_->StringGrid1, kDefaultRow,
                                        [this] { EnableControls(); });
  connect(ui_->addButton, &QPushButton::clicked, this, &TrenderDlg::addButtonClick);
  connect(ui_->deleteButton, &QPushButton::clicked, this, &TrenderDlg::deleteButtonClick);
  connect(ui_->OKbutton, &QPushButton::clicked, this, &TrenderDlg::OKbuttonClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TrenderDlg::HelpBtnClick);
  EnableControls();
}

TrenderDlg::~TrenderDlg() = default;

QTableWidget* TrenderDlg::Grid() const { return ui_->StringGrid1; }

void TrenderDlg::SetFiles(const QString& mid, const QString& lst, const QString& wav) {
  ui_->MIDfile->setText(mid);
  ui_->LSTfile->setText(lst);
  ui_->WAVfile->setText(mode_ == Mode::MidToWav ? wav : QString());
  EnableControls();
}

void TrenderDlg::SetDirectories(const QString& prg, const QString& wav, const QString& dft) {
  ui_->PRGdir->setText(prg);
  ui_->WAVdir->setText(wav);
  ui_->DFTdir->setText(dft);
}

void TrenderDlg::FormActivate() {
  // Once, on the first show: a message box does not bring the first row back to ALL:10.
  grid_->SetRows({kDefaultRow});
  SetHelpContext(ui_->WAVfile->isEnabled() ? kHelpMidToWav : kHelpMidToLst);
  EnableControls();
  ui_->StringGrid1->setFocus();
  ui_->StringGrid1->setCurrentCell(0, 0);
}

ops::SongPaths TrenderDlg::CurrentPaths() const {
  return {S(ui_->MIDfile->text()), S(ui_->LSTfile->text()),
          mode_ == Mode::MidToWav ? S(ui_->WAVfile->text()) : std::string()};
}

bool TrenderDlg::MidiIsValid() const { return !ops::CheckMidiFile(CurrentPaths().mid); }

std::optional<std::string> TrenderDlg::ClashMessage() const {
  if (auto clash = ops::CheckSongPathClashes(CurrentPaths())) return clash->message;
  return std::nullopt;
}

void TrenderDlg::EnableControls() {
  const bool free = !grid_->HasBadCell();
  const ops::SongPaths paths = CurrentPaths();
  ui_->MIDfile->setEnabled(free);
  ui_->LSTfile->setEnabled(free);
  ui_->WAVfile->setEnabled(free && mode_ == Mode::MidToWav);
  if (containerBox_) containerBox_->setEnabled(free);
  ui_->addButton->setEnabled(free);
  ui_->deleteButton->setEnabled(free && ui_->StringGrid1->rowCount() >= 2);
  ui_->OKbutton->setEnabled(free && MidiIsValid() && IsValidFileName(paths.lst) &&
                            (mode_ != Mode::MidToWav || IsValidFileName(paths.wav)) &&
                            !ClashMessage());
}

bool TrenderDlg::MIDfileExit() {
  ui_->OKbutton->setEnabled(false);
  if (auto problem = ops::CheckMidiFile(CurrentPaths().mid)) {
    platform::ShowError(problem->BoxText());
    return false;
  }
  if (auto clash = ClashMessage()) {
    platform::ShowError(*clash);
    return false;
  }
  EnableControls();
  return true;
}

bool TrenderDlg::LSTfileExit() {
  ui_->OKbutton->setEnabled(false);
  if (auto clash = ClashMessage()) {
    platform::ShowError(*clash);
    return false;
  }
  EnableControls();
  return true;
}

bool TrenderDlg::WAVfileExit() { return LSTfileExit(); }

void TrenderDlg::StringGrid1SelectCell(int row, int column) { grid_->CheckCell(row, column); }
void TrenderDlg::addButtonClick() { grid_->AddRow(); }
void TrenderDlg::deleteButtonClick() { grid_->RemoveCurrentRow(); }

void TrenderDlg::OKbuttonClick() {
  // A field changed but never left is checked here, as leaving it would.
  EnableControls();
  if (!ui_->OKbutton->isEnabled() || !grid_->Complete()) return;
  std::vector<DrumRow> rows = grid_->Rows();
  RemoveRepeatedDrumRows(rows);
  grid_->SetRows(rows);

  ops::SongJob job;
  job.paths = CurrentPaths();
  job.prgDirectory = S(ui_->PRGdir->text());
  job.wavDirectory = S(ui_->WAVdir->text());
  job.dftDirectory = S(ui_->DFTdir->text());
  job.drums = DrumPairsFromRows(rows);
  job.format = format_;
  if (mode_ == Mode::MidToWav) {
    const std::optional<Container> container = containerBox_->Chosen();
    if (!container) {
      platform::ShowError(S(ui::TContainerBox::UnknownExtensionMessage(ui_->WAVfile->text())));
      return;
    }
    job.container = *container;
  }
  job.goal = mode_ == Mode::MidToLst          ? ops::SongJobGoal::List
             : mode_ == Mode::MakeWavsForMid ? ops::SongJobGoal::Samples
                                             : ops::SongJobGoal::Song;
  DialogSongFront front(this);
  const ops::SongJobOutcome outcome = job.Run(front);
  using Step = ops::SongJobOutcome::Step;
  if (outcome.end == ops::SongJobOutcome::End::Refused) {
    // The dialog stays open to put it right; a declined question has said why.
    if (outcome.problem) platform::ShowError(outcome.problem->BoxText());
    return;
  }
  // The sample check and the progress dialog have shown their own ends.
  if (outcome.problem && (outcome.step == Step::Conversion || outcome.step == Step::Song))
    platform::ShowError(outcome.problem->BoxText());
  accept();
}

}  // namespace tonemill::render
