#include "RendStatDlg.h"

#include "ui_RendStatDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "platform/qt/pump.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/render/renderdisplay.h"

#include <optional>

namespace tonemill::render {
namespace {

constexpr int kTimerMs = 100;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TstatDlg::TstatDlg(QWidget* parent, const ops::RenderRequest& request, ops::RenderStep step)
    : TDialog(parent, kHelpRenderStatus),
      ui_(std::make_unique<Ui::RendStatDlg>()),
      step_(std::move(step)) {
  ui_->setupUi(this);
  ui_->LSTfile->setText(Q(request.listName));
  ui_->WAVfile->setText(Q(request.wavPath));
  ui_->WAVdir->setText(Q(request.sampleDirectory));
  ui_->OKBtn->setEnabled(false);
  ui_->HelpBtn->setEnabled(false);
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, &TstatDlg::timerTimer);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &TstatDlg::CancelBtnClick);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TstatDlg::OKBtnClick);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TstatDlg::HelpBtnClick);
}

TstatDlg::TstatDlg(QWidget* parent, const QString& lstFile, const QString& wavFile,
                   const QString& wavDirectory, const SongFormat& format, Overwrite overwrite)
    : TstatDlg(parent,
               ops::RenderRequest{lstFile.toStdString(), lstFile.toStdString(),
                                  wavFile.toStdString(), wavDirectory.toStdString(), format,
                                  overwrite},
               nullptr) {
  const ops::RenderRequest request{lstFile.toStdString(), lstFile.toStdString(),
                                   wavFile.toStdString(), wavDirectory.toStdString(), format,
                                   overwrite};
  step_ = [request](SongProgress& progress, platform::PumpFunction pump, void* context,
                    SongRenderResult* library) {
    return ops::RenderSong(request, progress, pump, context, library);
  };
}

TstatDlg::~TstatDlg() = default;

void TstatDlg::RenderPump(void* context) {
  auto* dialog = static_cast<TstatDlg*>(context);
  platform::ProcessPendingEvents(nullptr);
  emit dialog->Pumped();
}

void TstatDlg::FormActivate() {
  // Right after the show has finished, so that the window has its size and is drawn before the
  // long call starts.
  QMetaObject::invokeMethod(this, &TstatDlg::Render, Qt::QueuedConnection);
}

void TstatDlg::Render() {
  if (!isVisible() || end_ != End::NotRun) return;
  ++renders_;
  SongRenderResult library;
  {
    RunScope run(*this, ui_->CancelBtn);
    platform::HourglassCursor hourglass;
    timer_.start();
    outcome_ = step_(progress_, &TstatDlg::RenderPump, this, &library);
    timer_.stop();
  }
  const ops::JobOutcome& outcome = outcome_;
  ui_->CancelBtn->setEnabled(false);
  timerTimer();
  if (library.binding != SongRenderResult::Binding::Called) {
    end_ = End::LibraryMissing;
  } else if (outcome.end != ops::JobOutcome::End::Done &&
             outcome.end != ops::JobOutcome::End::Cancelled) {
    end_ = End::Error;
  } else {
    // A cancel that landed on a "]" also ends with line = lines; the pressed button tells.
    end_ = !cancelPressed_ && progress_.line() == progress_.lines() ? End::Done : End::Aborted;
  }
  ShowEnd();
  if (end_ == End::LibraryMissing || end_ == End::Error) platform::ShowError(outcome.problem.BoxText());
  ui_->OKBtn->setEnabled(true);
  ui_->HelpBtn->setEnabled(true);
  ui_->OKBtn->setFocus();
}

void TstatDlg::ShowEnd() {
  const int32_t lines = std::max<int32_t>(progress_.lines(), 1);
  int32_t line = progress_.line();
  switch (end_) {
    case End::NotRun:
    case End::LibraryMissing: return;
    case End::Done: ui_->status->setText(tr("Done")); break;
    case End::Error: ui_->status->setText(tr("ERROR")); break;
    case End::Aborted:
      ui_->status->setText(tr("Aborted"));
      // The counter was pushed to the total by the cancel: show the line the render reached.
      if (progress_.counters.Cancelled()) line = LinesReachedAfterCancel(progress_);
      break;
  }
  ui_->lineLabel->setText(QString::number(line) + "/" + QString::number(lines));
  ui_->gauge->setValue(int(std::min<int64_t>(int64_t(line) * 100 / lines, 100)));
}

void TstatDlg::timerTimer() {
  const RenderDisplay d = DisplayOf(progress_);
  ui_->lineLabel->setText(Q(d.lineText));
  if (d.allocating) {
    ui_->status->setText(tr("Allocating"));
    return;
  }
  ui_->status->setText(tr("Rendering"));
  ui_->instrument->setText(Q(d.instrument));
  ui_->baseNote->setText(Q(d.baseNote));
  if (!d.currentNote.empty()) ui_->currentNote->setText(Q(d.currentNote));
  ui_->gauge->setValue(d.percent);
  ui_->gauge->repaint();
}

void TstatDlg::CancelBtnClick() {
  if (!Running()) return;
  cancelPressed_ = true;
  progress_.counters.Cancel();
}

void TstatDlg::OKBtnClick() { accept(); }

}  // namespace tonemill::render
