#include "PlaySmplDlg.h"

#include "ui_PlaySmplDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/playback.h"
#include "tonemill/ops/songjob.h"
#include "tonemill/ops/targets.h"
#include "tonemill/gui/render/RendStatDlg.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/widgets/fittext.h"
#include "tonemill/gui/prg/Keyboard.h"
#include "tonemill/gui/widgets/NumberField.h"
#include "tonemill/gui/widgets/SpinButton.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

namespace tonemill::wave {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

TNumberField::Check PlayerCheck(const PlayerField& field) {
  return [&field](const std::string& text, std::string& shown) -> std::optional<Problem> {
    const std::optional<std::string> value = PlayerFieldText(field, text);
    if (!value) return Problem(field.message);
    shown = *value;
    return std::nullopt;
  };
}

}  // namespace

TplaySampleDlg::TplaySampleDlg(QWidget* parent, const QString& wavDirectory,
                               const QString& tempDirectory, const QString& outputFile,
                               const QString& note, std::vector<PrgLine> rows, size_t row)
    : TDialog(parent, kHelpSamplePlayer),
      ui_(std::make_unique<Ui::PlaySmplDlg>()),
      wavDirectory_(wavDirectory),
      tempDirectory_(tempDirectory),
      rows_(std::move(rows)),
      row_(row) {
  ui_->setupUi(this);
  NoDefaultButton(this);
  ui_->fileEdit->setText(outputFile);
  ui::FieldExit::Install(ui_->fileEdit, [this] { return fileEditExit(); });
  noteExit_ = ui::FieldExit::Install(ui_->noteEdit, [this] { return noteEditExit(); });
  connect(ui_->noteSpin, &TSpinButton::UpClick, this, [this] {
    if (noteExit_->Leave()) noteSpinUpClick();
  });
  connect(ui_->noteSpin, &TSpinButton::DownClick, this, [this] {
    if (noteExit_->Leave()) noteSpinDownClick();
  });
  octave_ = new TNumberField(ui_->octaveEdit, nullptr,
                             [](const std::string& text, std::string& shown) -> std::optional<Problem> {
                               const std::optional<int> octave = OctaveOfText(text);
                               if (!octave) return Problem(kIllegalOctaveMessage);
                               shown = std::to_string(*octave);
                               return std::nullopt;
                             });
  connect(octave_, &TNumberField::Changed, this,
          [this] { SetKey(KeyInOctave(key_, *OctaveOfText(S(octave_->Text())))); });
  connect(ui_->octaveSpin, &TSpinButton::UpClick, this, [this] {
    if (octave_->Leave()) octaveSpinUpClick();
  });
  connect(ui_->octaveSpin, &TSpinButton::DownClick, this, [this] {
    if (octave_->Leave()) octaveSpinDownClick();
  });
  const std::pair<QLineEdit*, TSpinButton*> numberEdits[] = {
      {ui_->durationEdit, ui_->durationSpin}, {ui_->attackEdit, ui_->attackSpin},
      {ui_->pressureEdit, ui_->pressureSpin}, {ui_->releaseEdit, ui_->releaseSpin},
      {ui_->modulationEdit, ui_->modulationSpin}};
  const PlayerField* fields[] = {&kDurationField, &kAttackField, &kPressureField, &kReleaseField,
                                 &kModulationField};
  for (size_t i = 0; i < 5; ++i) {
    numbers_.push_back(new TNumberField(numberEdits[i].first, numberEdits[i].second, PlayerCheck(*fields[i])));
    numbers_.back()->SetText(fields[i]->initial);
  }

  // Beside Play: the gain the file is heard with.
  gainLabel_ = new QLabel(this);
  gainLabel_->setObjectName("gainLabel");
  ui::FitText(gainLabel_, {Q(ops::PreviewGainText(100.0))});
  if (auto* row = qobject_cast<QBoxLayout*>(ui::LayoutHolding(layout(), ui_->playButton)))
    row->insertWidget(row->indexOf(ui_->playButton) + 1, gainLabel_);

  ui_->Keys1->SetNoteWidth(18);
  // Made taller, the dialog gives the height to the keys (longer keys, finer velocities), not
  // to its groups of options.
  ui_->Keys1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  ui_->mainLayout->setStretchFactor(ui_->Keys1, 1);
  connect(ui_->Keys1, &TKeys::OnNoteOn, this, &TplaySampleDlg::KeysNoteOn);
  connect(ui_->writeButton, &QPushButton::clicked, this, &TplaySampleDlg::writeButtonClick);
  connect(ui_->playButton, &QPushButton::clicked, this, &TplaySampleDlg::playButtonClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TplaySampleDlg::HelpBtnClick);
  connect(&player_, &app::TMediaPlayer::Notified, this, &TplaySampleDlg::playerNotify);

  const int key = KeyOfNoteText(S(note));
  SetKey(key >= 0 ? key : 60);
  EnableFileButtons();
}

TplaySampleDlg::~TplaySampleDlg() = default;

TKeys* TplaySampleDlg::Keys() const { return ui_->Keys1; }

std::string TplaySampleDlg::Output() const { return S(ui_->fileEdit->text()); }

void TplaySampleDlg::SetKey(int key) {
  key_ = key;
  ui_->noteEdit->setText(Q(KeyName(key)));
  octave_->SetText(QString::number(key / 12));
}

void TplaySampleDlg::EnableFileButtons() {
  if (playing_) return;
  ui_->writeButton->setEnabled(IsValidFileName(Output()));
  ui_->playButton->setEnabled(QFileInfo(ui_->fileEdit->text()).isFile());
}

bool TplaySampleDlg::fileEditExit() {
  EnableFileButtons();
  return true;
}

bool TplaySampleDlg::noteEditExit() {
  const int key = KeyOfNoteText(S(ui_->noteEdit->text()));
  if (key < 0) {
    platform::ShowError(kIllegalNoteMessage);
    ui_->noteEdit->setText(Q(KeyName(key_)));
    return false;
  }
  SetKey(key);
  return true;
}

void TplaySampleDlg::noteSpinUpClick() {
  if (key_ < 127) SetKey(key_ + 1);
}
void TplaySampleDlg::noteSpinDownClick() {
  if (key_ > 0) SetKey(key_ - 1);
}
// The octave controls keep the note and may reach past g10, up to b10 (131).
void TplaySampleDlg::octaveSpinUpClick() {
  if (key_ / 12 < 10) SetKey(KeyInOctave(key_, key_ / 12 + 1));
}
void TplaySampleDlg::octaveSpinDownClick() {
  if (key_ / 12 > 0) SetKey(KeyInOctave(key_, key_ / 12 - 1));
}

void TplaySampleDlg::KeysNoteOn(int note, int) {
  SetKey(KeyInOctave(note, OctaveOfText(S(ui_->octaveEdit->text())).value_or(4)));
}

PlayedNote TplaySampleDlg::Note() const {
  PlayedNote note;
  note.key = key_;
  auto value = [this](size_t i) { return int(numbers_[i]->Value()); };
  note.duration = value(0);
  note.attack = value(1);
  note.pressure = value(2);
  note.release = value(3);
  note.modulation = value(4);
  return note;
}

SongFormat TplaySampleDlg::Format() const {
  SongFormat format;
  format.channels = ui_->monoButton->isChecked() ? 1 : 2;
  format.rate = ui_->rate11Button->isChecked()   ? 11025
                : ui_->rate22Button->isChecked() ? 22050
                                                 : 44100;
  format.bits = ui_->bits8Button->isChecked() ? 8 : 16;
  return format;
}

bool TplaySampleDlg::LeaveFields() {
  if (!noteExit_->Leave() || !octave_->Leave()) return false;
  for (TNumberField* f : numbers_)
    if (!f->Leave()) return false;
  return true;
}

// The song job of the one-note list: its render in the progress dialog, shown as the dialog's
// `showRender` says.
class TplaySampleDlg::PlayerFront : public ops::SongJobFront {
 public:
  explicit PlayerFront(TplaySampleDlg& dialog) : dialog_(dialog) {}
  ops::JobOutcome Render(const ops::RenderRequest& request, const ops::RenderStep& step) override {
    render::TstatDlg status(&dialog_, request, step);
    dialog_.showRender(status);
    return status.Outcome();
  }

 private:
  TplaySampleDlg& dialog_;
};

void TplaySampleDlg::writeButtonClick() {
  if (!LeaveFields()) return;
  const std::string output = Output();
  if (!IsValidFileName(output)) return;
  const std::vector<PrgLine> layers = LayersForNote(rows_, row_, ui_->layerBox->isChecked(), key_);
  if (layers.empty()) {
    platform::ShowError(NoLayerMessage(key_));
    return;
  }
  if (std::optional<Problem> problem = CheckPlayerOutput(output, layers, S(wavDirectory_))) {
    platform::ShowError(problem->BoxText());
    return;
  }
  if (std::optional<Problem> problem = UnwritableTarget(output)) {
    platform::ShowError(problem->BoxText());
    return;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwriteFile(output);
  if (!overwrite) return;
  const std::string list = PlayerListPath(S(tempDirectory_));
  {
    platform::HourglassCursor hourglass;
    if (!ReplaceFileAtomically(list, OneNoteList(layers, Note()))) {
      platform::ShowError("Can not open " + list + ".");
      return;
    }
  }
  ops::SongJob job;
  job.fromList = true;
  job.checkSamples = false;
  job.paths.lst = list;
  job.paths.wav = output;
  job.wavDirectory = S(wavDirectory_);
  job.format = Format();
  job.songOverwrite = *overwrite;
  PlayerFront front(*this);
  const ops::SongJobOutcome outcome = job.Run(front);
  if (outcome.problem) platform::ShowError(outcome.problem->BoxText());
  EnableFileButtons();
}

void TplaySampleDlg::playButtonClick() {
  if (playing_) {
    player_.Stop();
    playerNotify(app::TMediaPlayer::Notify::Aborted);
    return;
  }
  player_.Stop();
  player_.Close();
  // A file of another container or width (a render named .flac, a 24-bit sample) is heard
  // from its samples decoded to 16 bits, as the Play dialog hears it.
  QString played = ui_->fileEdit->text();
  decoded_.reset();
  if (ops::NeedsDecoding(Output())) {
    decoded_ = std::make_unique<QTemporaryDir>();
    std::optional<Problem> problem;
    if (!decoded_->isValid()) {
      problem = Problem(Output() + ": no room for its decoded samples", Output());
    } else {
      played = decoded_->filePath("decoded.wav");
      platform::HourglassCursor hourglass;
      problem = ops::DecodeForPlaying(Output(), S(played));
    }
    if (problem) {
      platform::ShowError(problem->BoxText());
      return;
    }
  }
  QString error;
  if (!player_.Open(played, error)) {
    platform::ShowError(S(error));
    return;
  }
  // The note is as loud as the instrument's row makes it, often too quiet to judge: it is heard
  // raised to just below full scale, by the gain shown, and the file stays as written.
  player_.SetGain(ops::PreviewGain(S(played)));
  gainLabel_->setText(Q(ops::PreviewGainText(player_.Gain())));
  playing_ = true;
  ui_->playButton->setText(tr("&Stop"));
  ui_->writeButton->setEnabled(false);
  if (!player_.Play()) {
    platform::ShowError(S(player_.ErrorText()));
    playerNotify(app::TMediaPlayer::Notify::Failure);
  }
}

void TplaySampleDlg::playerNotify(app::TMediaPlayer::Notify) {
  if (!playing_ || player_.GetMode() == app::TMediaPlayer::Mode::Playing) return;
  player_.Stop();
  playing_ = false;
  ui_->playButton->setText(tr("Play f&ile"));
  EnableFileButtons();
}

void TplaySampleDlg::done(int result) {
  player_.Stop();
  playing_ = false;
  player_.Close();
  TDialog::done(result);
}

}  // namespace tonemill::wave
