#include "ConvertDlg.h"

#include "ui_ConvertDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/dftconvert.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/songchecks.h"
#include "tonemill/ops/targets.h"
#include "tonemill/gui/render/RenderDlg.h"
#include "tonemill/gui/render/songfront.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>

namespace tonemill::app {
namespace {

using ops::Conversion;

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TConvertDlg::TConvertDlg(QWidget* parent, const QString& source,
                         const ops::ConversionDirectories& directories, Conversion conversion)
    : TDialog(parent, kHelpConvert),
      ui_(std::make_unique<Ui::ConvertDlg>()),
      directories_(directories),
      conversion_(conversion) {
  ui_->setupUi(this);
  operations_ = {ui_->MIDtoLSTbutton, ui_->LSTtoWAVbutton, ui_->MIDtoWAVbutton,
                 ui_->MID1to0Button,  ui_->WAVtoDFTbutton, ui_->DFTtoWAVbutton};
  for (int i = 0; i < 6; ++i)
    connect(operations_[size_t(i)], &QRadioButton::clicked, this, [this, i] { OperationClick(i); });
  const std::pair<QLabel*, const std::string*> labels[] = {
      {ui_->MIDdir, &directories.mid}, {ui_->LSTdir, &directories.lst},
      {ui_->songDir, &directories.song}, {ui_->PRGdir, &directories.prg},
      {ui_->WAVdir, &directories.wav}, {ui_->DFTdir, &directories.dft}};
  for (const auto& [label, text] : labels) label->setText(Q(*text));
  ui_->fromFile->setText(source);
  // Beyond the three rates and two widths of old: any rate from 8000 to 192000 Hz (48000 and
  // 96000 offered), 24 bits and float, and the song's container by its name.
  otherRate_ = new QRadioButton(tr("Other:"), ui_->rateGroup);
  otherRate_->setObjectName("otherRateButton");
  rateBox_ = new QComboBox(ui_->rateGroup);
  rateBox_->setObjectName("rateBox");
  rateBox_->setEditable(true);
  rateBox_->addItems({"48000", "96000"});
  rateBox_->setValidator(new QIntValidator(0, ops::kMaxSongRate, rateBox_));
  rateBox_->setInsertPolicy(QComboBox::NoInsert);
  // Room for six digits beside the arrow.
  rateBox_->setMinimumContentsLength(6);
  rateBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  if (auto* rates = qobject_cast<QBoxLayout*>(ui_->rateGroup->layout())) {
    auto* line = new QHBoxLayout;
    line->addWidget(otherRate_);
    line->addWidget(rateBox_, 1);
    rates->addLayout(line);
  }
  connect(rateBox_, &QComboBox::activated, otherRate_, [this] { otherRate_->setChecked(true); });
  connect(rateBox_->lineEdit(), &QLineEdit::textEdited, otherRate_, [this] { otherRate_->setChecked(true); });
  bits24_ = new QRadioButton(tr("24 bits"), ui_->sizeGroup);
  bits24_->setObjectName("twentyfourButton");
  bitsFloat_ = new QRadioButton(tr("Float"), ui_->sizeGroup);
  bitsFloat_->setObjectName("floatButton");
  if (auto* sizes = qobject_cast<QBoxLayout*>(ui_->sizeGroup->layout())) {
    sizes->addWidget(bits24_);
    sizes->addWidget(bitsFloat_);
  }
  containerBox_ = ui::TContainerBox::Beside(ui_->toFile);
  ui_->fourtyfourButton->setChecked(true);
  ui_->sixteenButton->setChecked(true);
  ui_->stereoButton->setChecked(true);
  SetVolumeText(Q(ops::VolumeText(1.0)));
  ui::FieldExit::Install(ui_->fromFile, [this] { return fromFileExit(); });
  ui::FieldExit::Install(ui_->toFile, [this] { return toFileExit(); });
  ui::FieldExit::Install(ui_->volumeEdit, [this] { return volumeEditExit(); });
  connect(ui_->volumeUp, &QToolButton::clicked, this, &TConvertDlg::volumeButtonUpClick);
  connect(ui_->volumeDown, &QToolButton::clicked, this, &TConvertDlg::volumeButtonDownClick);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TConvertDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TConvertDlg::HelpBtnClick);
  operations_[size_t(conversion)]->setChecked(true);
  ui_->toFile->setText(Q(ops::ProposedConversionTarget(conversion, S(source), directories_)));
  ui_->formatGroup->setEnabled(ops::RendersSong(conversion));
  containerBox_->setEnabled(ops::RendersSong(conversion));
  ui_->OKBtn->setEnabled(CheckSource(false) && CheckTarget(false));
}

TConvertDlg::~TConvertDlg() = default;

QRadioButton* TConvertDlg::OperationButton(Conversion conversion) const {
  return operations_[size_t(conversion)];
}

SongFormat TConvertDlg::Format() const {
  SongFormat format;
  format.rate = ui_->elevenButton->isChecked()     ? 11025
                : ui_->twentytwoButton->isChecked() ? 22050
                : otherRate_->isChecked()           ? ops::ParseSongRate(S(rateBox_->currentText())).value_or(0)
                                                    : 44100;
  format.bits = ui_->eightButton->isChecked() ? 8
                : bits24_->isChecked()        ? 24
                : bitsFloat_->isChecked()     ? ops::kFloatSongBits
                                              : 16;
  format.channels = ui_->monoButton->isChecked() ? 1 : 2;
  format.volume = volume_;
  return format;
}

void TConvertDlg::FormActivate() {
  // Only the file names gain from more room: the choices keep their width, the window its
  // height.
  for (QWidget* group : {static_cast<QWidget*>(ui_->operationGroup), ui_->formatGroup})
    group->setSizePolicy(QSizePolicy::Maximum, group->sizePolicy().verticalPolicy());
  ui_->choices->addStretch(1);
  KeepContentHeight();
  // A proposal can be the source itself ("MID 1 to 0" of a name like song0.mid).
  ui_->OKBtn->setEnabled(CheckSource(false) && CheckTarget(true));
}

bool TConvertDlg::CheckSource(bool show) {
  if (auto problem = ops::CheckConvertSource(S(ui_->fromFile->text()))) {
    if (show) platform::ShowError(problem->BoxText());
    return false;
  }
  return true;
}

bool TConvertDlg::CheckTarget(bool show) {
  const std::string target = S(ui_->toFile->text());
  // A name that cannot be a file only keeps OK disabled.
  if (!IsValidFileName(target)) return false;
  if (auto problem = ops::CheckConvertTarget(S(ui_->fromFile->text()), target)) {
    if (show) platform::ShowError(problem->message);
    return false;
  }
  return true;
}

bool TConvertDlg::fromFileExit() {
  ui_->OKBtn->setEnabled(false);
  if (!CheckSource(true)) return false;
  ui_->OKBtn->setEnabled(CheckTarget(false));
  return true;
}

bool TConvertDlg::toFileExit() {
  ui_->OKBtn->setEnabled(false);
  if (!CheckTarget(true)) return false;
  ui_->OKBtn->setEnabled(CheckSource(false));
  return true;
}

bool TConvertDlg::CheckRate(bool show) {
  if (!otherRate_->isChecked() || ops::ParseSongRate(S(rateBox_->currentText()))) return true;
  if (show) platform::ShowError(ops::kSongRateMessage);
  return false;
}

bool TConvertDlg::CheckContainer(bool show) {
  if (containerBox_->Chosen()) return true;
  if (show) platform::ShowError(S(ui::TContainerBox::UnknownExtensionMessage(ui_->toFile->text())));
  return false;
}

void TConvertDlg::SetVolumeText(const QString& text) {
  ui_->volumeEdit->setText(text);
  volumeRemembered_ = text;
  // The value kept is the one shown.
  if (std::optional<Real48> v = ops::ParseVolume(S(text))) volume_ = *v;
}

bool TConvertDlg::volumeEditExit() {
  const std::string text = S(ui_->volumeEdit->text());
  if (!ops::ParseVolume(text)) {
    platform::ShowError(ops::kIllegalVolumeMessage);
    ui_->volumeEdit->setText(volumeRemembered_);
    return false;
  }
  SetVolumeText(Q(ops::VolumeText(*ParseReal(text))));
  return true;
}

void TConvertDlg::volumeButtonUpClick() {
  if (auto text = ops::SteppedVolume(S(ui_->volumeEdit->text()), true)) SetVolumeText(Q(*text));
}

void TConvertDlg::volumeButtonDownClick() {
  if (auto text = ops::SteppedVolume(S(ui_->volumeEdit->text()), false)) SetVolumeText(Q(*text));
}

void TConvertDlg::OperationClick(int conversion) {
  conversion_ = Conversion(conversion);
  operations_[size_t(conversion)]->setChecked(true);
  ui_->toFile->setText(
      Q(ops::ProposedConversionTarget(conversion_, S(ui_->fromFile->text()), directories_)));
  ui_->formatGroup->setEnabled(ops::RendersSong(conversion_));
  containerBox_->setEnabled(ops::RendersSong(conversion_));
  ui_->OKBtn->setEnabled(CheckSource(false) && CheckTarget(true));
}

void TConvertDlg::OKBtnClick() {
  // The volume first: a song is not started with a value the field refuses.
  if (ops::RendersSong(conversion_) && (!volumeEditExit() || !CheckRate(true) || !CheckContainer(true))) return;
  // Fields changed but never left are checked here; the target is never the source.
  if (!CheckSource(true) || !CheckTarget(true)) {
    ui_->OKBtn->setEnabled(false);
    return;
  }
  const std::string source = S(ui_->fromFile->text()), target = S(ui_->toFile->text());
  switch (conversion_) {
    case Conversion::Mid1To0: {
      if (auto problem = ops::CheckUtilityTarget(source, target)) {
        platform::ShowError(problem->BoxText());
        return;
      }
      const std::optional<Overwrite> overwrite = ops::AskToOverwrite(target);
      if (!overwrite) return;
      std::optional<Problem> problem;
      {
        platform::HourglassCursor hourglass;
        problem = ops::ProblemOf(ops::MergeToFormat0(source, target, *overwrite));
      }
      if (problem) platform::ShowError(problem->BoxText());
      break;
    }
    case Conversion::WavToDft:
    case Conversion::DftToWav:
      if (!RunDftConversion()) return;
      break;
    case Conversion::MidToLst:
    case Conversion::MidToWav: RunRenderDialog(); break;
    case Conversion::LstToWav:
      if (!RunListRender()) return;
      break;
  }
  accept();
}

bool TConvertDlg::RunDftConversion() {
  const DftEntry entry = conversion_ == Conversion::WavToDft ? DftEntry::WavToDft : DftEntry::DftToWav;
  ops::JobOutcome outcome;
  ui_->CancelBtn->setEnabled(false);
  {
    platform::HourglassCursor hourglass;
    outcome = ops::ConvertDftFile(entry, S(ui_->fromFile->text()), S(ui_->toFile->text()));
  }
  // Cancel is live again whatever the end: after an error the dialog stays open.
  ui_->CancelBtn->setEnabled(true);
  if (outcome.end == ops::JobOutcome::End::Done) return true;
  if (auto problem = ops::ProblemOf(outcome)) platform::ShowError(problem->BoxText());
  return false;
}

void TConvertDlg::RunRenderDialog() {
  const bool song = conversion_ == Conversion::MidToWav;
  const QString target = ui_->toFile->text();
  render::TrenderDlg dialog(this, song ? render::TrenderDlg::Mode::MidToWav
                                       : render::TrenderDlg::Mode::MidToLst);
  const QString lst = song ? Q(ops::SongListForTarget(directories_.lst, S(target))) : target;
  dialog.SetFiles(ui_->fromFile->text(), lst, song ? target : QString());
  dialog.SetDirectories(ui_->PRGdir->text(), ui_->WAVdir->text(), ui_->DFTdir->text());
  dialog.SetFormat(Format());
  dialog.exec();
}

bool TConvertDlg::RunListRender() {
  ops::SongJob job;
  job.fromList = true;
  job.paths.lst = S(ui_->fromFile->text());
  job.paths.wav = S(ui_->toFile->text());
  job.wavDirectory = directories_.wav;
  job.dftDirectory = directories_.dft;
  job.format = Format();
  job.container = containerBox_->Chosen().value_or(Container::Wav);
  render::DialogSongFront front(this);
  const ops::SongJobOutcome outcome = job.Run(front);
  if (outcome.end != ops::SongJobOutcome::End::Refused) return true;
  // The dialog stays open; a declined question has said why.
  if (outcome.problem) platform::ShowError(outcome.problem->BoxText());
  return false;
}

}  // namespace tonemill::app
