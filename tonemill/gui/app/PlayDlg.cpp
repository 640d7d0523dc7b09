#include "PlayDlg.h"

#include "ui_PlayDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "platform/qt/pump.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/ops/playback.h"

#include <QDir>
#include <QFileInfo>

namespace tonemill::app {
namespace {

constexpr int kTimerMs = 100;

}  // namespace

TPlayDlg::TPlayDlg(QWidget* parent, const QString& file, const Settings& settings)
    : TDialog(parent, kHelpPlay), ui_(std::make_unique<Ui::PlayDlg>()), file_(file) {
  ui_->setupUi(this);
  const bool midi = QFileInfo(file).suffix().compare("mid", Qt::CaseInsensitive) == 0;
  setWindowTitle(midi ? "MID Play" : "WAV Play");
  ui_->FileLabel->setText(file);
  const std::string* fields[] = {&settings.MID, &settings.LST,  &settings.Song, &settings.PRG,
                                 &settings.WAV, &settings.Temp, &settings.DFT};
  for (size_t i = 0; i < 7; ++i) directories_[i] = QString::fromStdString(*fields[i]);
  ui_->CancelBtn->setVisible(false);
  ui_->StatusPanel->setText(ModeText(TMediaPlayer::Mode::NotReady));
  const std::pair<QPushButton*, void (TPlayDlg::*)()> buttons[] = {
      {ui_->PlayBtn, &TPlayDlg::PlayBtnClick},   {ui_->PauseBtn, &TPlayDlg::PauseBtnClick},
      {ui_->StopBtn, &TPlayDlg::StopBtnClick},   {ui_->PrevBtn, &TPlayDlg::PrevBtnClick},
      {ui_->StepBtn, &TPlayDlg::StepBtnClick},   {ui_->BackBtn, &TPlayDlg::BackBtnClick},
      {ui_->CloseBtn, &TPlayDlg::CloseBtnClick}, {ui_->CancelBtn, &TPlayDlg::CancelBtnClick},
      {ui_->HelpBtn, &TPlayDlg::HelpBtnClick}};
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);
  connect(&player_, &TMediaPlayer::Notified, this, &TPlayDlg::ShowNotify);
  // " Superseded " and " Aborted " tell how a play ended; the play that follows clears them.
  connect(&player_, &TMediaPlayer::Started, ui_->NotifyPanel, &QLabel::clear);
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, &TPlayDlg::TimerTick);
}

TPlayDlg::~TPlayDlg() { player_.Close(); }

void TPlayDlg::SetDirectory(Selector selector, const QString& directory) {
  directories_[size_t(selector)] = directory;
}

void TPlayDlg::FormActivate() {
  played_ = file_;
  const bool midi = QFileInfo(file_).suffix().compare("mid", Qt::CaseInsensitive) == 0;
  if ((midi && !RenderMidi()) || (!midi && ops::NeedsDecoding(file_.toStdString()) && !Decode())) {
    played_.clear();
    TimerTick();
    return;
  }
  QString error;
  if (!player_.Open(played_, error)) {
    platform::ShowError(error.toStdString());
    TimerTick();
    return;
  }
  timer_.start();
  PlayBtnClick();
}

void TPlayDlg::RenderPump(void* context) {
  auto* dialog = static_cast<TPlayDlg*>(context);
  SongProgress& p = *dialog->rendering_;
  const int32_t lines = p.lines() < 1 ? 1 : p.lines();
  dialog->ui_->Gauge->setMaximum(lines);
  dialog->ui_->Gauge->setValue(qBound(0, p.line(), lines));
  platform::ProcessPendingEvents(nullptr);
  if (dialog->cancelRequested_ && !p.counters.Cancelled()) p.counters.Cancel();
}

bool TPlayDlg::MakeScratch() {
  // Scratch files of this playing only, in the Temp directory when there is one; they go
  // with the dialog.
  const QString temp = directories_[size_t(Selector::Temp)];
  scratch_ = std::make_unique<QTemporaryDir>(
      (QFileInfo(temp).isDir() ? temp : QDir::tempPath()) + "/.play-XXXXXX");
  if (scratch_->isValid()) return true;
  platform::ShowError("Can't create a scratch directory in " + temp.toStdString());
  return false;
}

bool TPlayDlg::Decode() {
  // Another container, or a WAV file of another width: decoded into 16 bits at its own rate.
  if (!MakeScratch()) return false;
  const QString wav = scratch_->filePath("decoded.wav");
  std::optional<Problem> problem;
  {
    platform::HourglassCursor hourglass;
    problem = ops::DecodeForPlaying(file_.toStdString(), wav.toStdString());
  }
  if (problem) {
    platform::ShowError(problem->BoxText());
    return false;
  }
  played_ = wav;
  return true;
}

bool TPlayDlg::RenderMidi() {
  if (!MakeScratch()) return false;
  ops::PlaybackRender job{file_.toStdString(), scratch_->path().toStdString(),
                          directories_[size_t(Selector::PRG)].toStdString(),
                          directories_[size_t(Selector::WAV)].toStdString(),
                          directories_[size_t(Selector::DFT)].toStdString()};
  SongProgress progress;
  std::string wav;
  Problem problem;
  ops::PlaybackEnd end;
  ui_->CancelBtn->setVisible(true);
  ui_->StatusPanel->setText(tr(" Rendering "));
  {
    RunScope run(*this, ui_->CancelBtn);
    platform::HourglassCursor hourglass;
    rendering_ = &progress;
    end = ops::RenderForPlaying(job, progress, &TPlayDlg::RenderPump, this, wav, problem);
    rendering_ = nullptr;
  }
  ui_->CancelBtn->setVisible(false);
  ui_->Gauge->setValue(0);
  if (end == ops::PlaybackEnd::Failed) platform::ShowError(problem.BoxText());
  if (end != ops::PlaybackEnd::Ready) return false;
  played_ = QString::fromStdString(wav);
  return true;
}

void TPlayDlg::CancelBtnClick() { cancelRequested_ = true; }

void TPlayDlg::PlayBtnClick() {
  if (player_.GetMode() == TMediaPlayer::Mode::Paused) {
    player_.Resume();
  } else if (!player_.Play()) {
    platform::ShowError(player_.ErrorText().toStdString());
  }
  TimerTick();
}

void TPlayDlg::PauseBtnClick() {
  if (player_.GetMode() == TMediaPlayer::Mode::Paused)
    player_.Resume();
  else
    player_.Pause();
  TimerTick();
}

void TPlayDlg::StopBtnClick() {
  player_.Stop();
  TimerTick();
}

void TPlayDlg::PrevBtnClick() {
  player_.Seek(0);
  TimerTick();
}

void TPlayDlg::StepBtnClick() {
  player_.Seek(player_.Position() + player_.Length() / 10);
  TimerTick();
}

void TPlayDlg::BackBtnClick() {
  player_.Seek(player_.Position() - player_.Length() / 10);
  TimerTick();
}

void TPlayDlg::CloseBtnClick() {
  player_.Stop();
  accept();
}

void TPlayDlg::ShowNotify(TMediaPlayer::Notify notify) {
  ui_->NotifyPanel->setText(NotifyText(notify));
}

void TPlayDlg::TimerTick() {
  const TMediaPlayer::Mode mode = player_.GetMode();
  ui_->StatusPanel->setText(ModeText(mode));
  if (mode == TMediaPlayer::Mode::Playing)
    ui_->TimePanel->setText(QString::fromStdString(PlayClock(player_.PositionMs())));
  const qint64 length = player_.Length();
  ui_->Gauge->setMaximum(1000);
  ui_->Gauge->setValue(length > 0 ? int(player_.Position() * 1000 / length) : 0);
}

}  // namespace tonemill::app
