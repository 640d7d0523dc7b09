#include "WavscanDlg.h"

#include "ui_WavscanDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/files/numbers.h"
#include "tonemill/gui/widgets/fittext.h"
#include "tonemill/wave/loudness.h"

#include <QTemporaryDir>
#include <QTimer>

namespace tonemill::wave {
namespace {

constexpr int kHelpScan = 3290;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TWAVscanDlg::TWAVscanDlg(QWidget* parent) : TDialog(parent, kHelpScan), ui_(std::make_unique<Ui::WavscanDlg>()) {
  ui_->setupUi(this);
  run_.SetGauge(ui_->gauge);
  connect(&run_.Timer(), &QTimer::timeout, this, &TWAVscanDlg::timerTimer);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TWAVscanDlg::OKbtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &TWAVscanDlg::CancelBtnClick);
  ui_->OKBtn->setEnabled(false);
  ui_->leftHead->setStyleSheet("color: red");
  ui_->rightHead->setStyleSheet("color: blue");
  ui_->gaugeL->SetColor(Qt::red);
  ui_->gaugeR->SetColor(Qt::blue);
}

TWAVscanDlg::~TWAVscanDlg() = default;

QLineEdit* TWAVscanDlg::fileEdit() const { return ui_->fileEdit; }

std::string TWAVscanDlg::Shown(std::string text) const {
  if (setup_.name.empty() || setup_.name == name_) return text;
  for (size_t at = text.find(setup_.name); at != std::string::npos; at = text.find(setup_.name, at + name_.size()))
    text.replace(at, setup_.name.size(), name_);
  return text;
}

bool TWAVscanDlg::fileOK() {
  name_ = ui_->fileEdit->text().toStdString();
  std::string scanned = name_;
  decoded_.reset();
  if (!EnginesReadAsItIs(name_)) {
    decoded_ = std::make_unique<QTemporaryDir>();
    if (!decoded_->isValid()) {
      platform::ShowError(name_ + ": no room for its decoded samples");
      return false;
    }
    std::string error;
    std::optional<EngineInput> routed;
    {
      platform::HourglassCursor hourglass;
      routed = RouteEngineInput(name_, decoded_->filePath("decoded.wav").toStdString(), error);
    }
    if (!routed) {
      platform::ShowError(error);
      return false;
    }
    scanned = routed->path;
  }
  setup_.name = scanned;
  if (std::optional<Problem> problem = PrepareScan(scanned, setup_, stats_)) {
    platform::ShowError(Shown(problem->BoxText()));
    return false;
  }
  ui_->bitEdit->setText(QString::number(setup_.bits));
  ui_->rateEdit->setText(QString::number(setup_.rate));
  ui_->channelEdit->setText(QString::number(setup_.channels));
  ui_->sampleEdit->setText(QString::number(setup_.samples));
  ui_->msEdit->setText(Q(FormatFixed(setup_.durationMs, 2)));
  // Wide samples make long figures: the fields fit the width's most negative value.
  const std::string lowest = std::to_string(-int64_t(setup_.fullScale));
  for (QLineEdit* e : {ui_->minLedit, ui_->maxLedit, ui_->minRedit, ui_->maxRedit})
    ui::FitText(e, {Q(lowest + setup_.minSuffix)});
  return true;
}

void TWAVscanDlg::FormActivate() {
  // Nothing here gains from height.
  KeepContentHeight();
  // The window is drawn first; the scan starts from the event loop.
  QTimer::singleShot(0, this, &TWAVscanDlg::RunScan);
}

void TWAVscanDlg::RunScan() {
  if (started_) return;  // once, whether from the show or called directly
  started_ = true;
  {
    // Closing the window or Esc meanwhile is a Cancel.
    RunScope scope(*this, ui_->CancelBtn);
    platform::HourglassCursor hourglass;
    // The counter stops at the limit on a cancel, never beyond it.
    run_.Start(Progress::CancelMark::AtTotal);
    try {
      result_ = ScanWav(setup_, stats_, run_.Counters());
    } catch (const std::exception& e) {
      result_ = ScanResult{};
      platform::ShowError(Shown(e.what()));
    }
    // The loudness, a second pass over a file scanned to its end.
    if (LoudnessFigures loudness; !result_->cancelled && !result_->endsEarly && !cancelled_ &&
                                  !MeasureLoudness(setup_.name, loudness)) {
      ui_->integratedEdit->setText(Q(FormatLoudness(loudness.integrated, "LUFS")));
      ui_->rangeEdit->setText(Q(FormatLoudness(loudness.range, "LU")));
      ui_->truePeakEdit->setText(Q(FormatLoudness(loudness.truePeak, "dBTP")));
    }
  }
  timerTimer();  // the figures at the end; the timer keeps them fresh until the dialog closes
  ui_->OKBtn->setEnabled(true);
  ui_->CancelBtn->setEnabled(false);
  if (cancelled_) {
    run_.Stop();
    reject();
    return;
  }
  if (result_->endsEarly) platform::ShowError(Shown(PrematureEndMessage(setup_.name)));
}

void TWAVscanDlg::timerTimer() {
  run_.timerTimer();
  const int64_t scanned = result_ ? result_->scannedBytes : run_.Counters().done;
  const ScanFigures f = FiguresOf(setup_, stats_, scanned);
  ui_->gauge->setValue(result_ && !result_->cancelled ? 100 : f.progressGauge);
  struct Side {
    const ChannelFigures& figures;
    QLineEdit *min, *max, *rms, *satur;
    TNeedleGauge* gauge;
    QProgressBar* satGauge;
  };
  const Side sides[2] = {
      {f.left, ui_->minLedit, ui_->maxLedit, ui_->rmsLedit, ui_->saturLedit, ui_->gaugeL, ui_->satGaugeL},
      {f.right, ui_->minRedit, ui_->maxRedit, ui_->rmsRedit, ui_->saturRedit, ui_->gaugeR, ui_->satGaugeR}};
  for (int c = 0; c < setup_.channels && c < 2; ++c) {
    const Side& s = sides[c];
    s.min->setText(Q(s.figures.minimum));
    s.max->setText(Q(s.figures.maximum));
    s.rms->setText(Q(s.figures.rmsText));
    s.satur->setText(QString::number(s.figures.saturated));
    s.gauge->SetProgress(s.figures.rmsGauge);
    s.satGauge->setValue(s.figures.saturationGauge);
  }
}

void TWAVscanDlg::CancelBtnClick() {
  if (run_.Running() && !result_) {
    // The scan stops at its next test; the dialog then closes.
    cancelled_ = true;
    run_.Timer().stop();
    run_.Cancel();
    return;
  }
  reject();
}

void TWAVscanDlg::OKbtnClick() {
  run_.Stop();
  accept();
}

}  // namespace tonemill::wave
