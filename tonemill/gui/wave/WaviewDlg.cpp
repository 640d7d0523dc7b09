#include "WaviewDlg.h"

#include "ui_WaviewDlg.h"

#include "platform/messages.h"
#include "tonemill/gui/widgets/fittext.h"
#include "tonemill/gui/wave/WaveRuler.h"
#include "platform/qt/cursor.h"
#include "platform/qt/pump.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/ops/playback.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QPushButton>

namespace tonemill::wave {
namespace {



constexpr int kHelpViewer = 3110;
constexpr int kPlayTimerMs = 50;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TWAViewDlg::TWAViewDlg(QWidget* parent, bool msMode)
    : TDialog(parent, kHelpViewer), ui_(std::make_unique<Ui::WaviewDlg>()) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  (msMode ? ui_->msButton : ui_->sampleButton)->setChecked(true);
  ui_->curves->SetSource(&view_, nullptr);
  NoDefaultButton(this);

  // Zoom edits: a text is checked on a copy of the window, then applied.
  zoomH_ = new TNumberField(ui_->zoomHedit, ui_->zoomHspin, [this](const std::string& text, std::string& shown) {
    WaveView probe = view_;
    if (auto problem = probe.SetHorizontalZoom(text)) return problem;
    shown = WaveView::ZoomText(probe.HorizontalZoom());
    return std::optional<Problem>();
  });
  connect(zoomH_, &TNumberField::Changed, this, [this] {
    view_.SetHorizontalZoom(zoomH_->Text().toStdString());
    redraw();
  });
  zoomV_ = new TNumberField(ui_->zoomVedit, ui_->zoomVspin, [this](const std::string& text, std::string& shown) {
    WaveView probe = view_;
    if (auto problem = probe.SetVerticalZoom(text)) return problem;
    shown = WaveView::ZoomText(probe.VerticalZoom());
    return std::optional<Problem>();
  });
  connect(zoomV_, &TNumberField::Changed, this, [this] {
    view_.SetVerticalZoom(zoomV_->Text().toStdString());
    redraw();
  });
  // The mark's edits: a position inside the file.
  auto position = [this](bool start) {
    return [this, start](const std::string& text, std::string& shown) -> std::optional<Problem> {
      const std::optional<int64_t> frame = view_.FrameOf(text, MsMode());
      if (!frame) return Problem(start ? "Illegal start value!" : "Illegal end value!");
      shown = view_.PositionText(*frame, MsMode());
      return std::nullopt;
    };
  };
  start_ = new TNumberField(ui_->startEdit, ui_->startSpin, position(true));
  end_ = new TNumberField(ui_->endEdit, ui_->endSpin, position(false));
  connect(start_, &TNumberField::Changed, this, [this] {
    // Only a position typed or stepped marks; the text the mouse wrote does not.
    const std::string text = start_->Text().toStdString();
    const bool shownAlready = view_.Marking() != WaveView::Mark::None &&
                              text == view_.PositionText(view_.MarkStart(), MsMode());
    if (!shownAlready) view_.SetMarkStart(text, MsMode());
    ShowMarks();
  });
  connect(end_, &TNumberField::Changed, this, [this] {
    const std::string text = end_->Text().toStdString();
    const bool shownAlready = view_.Marking() == WaveView::Mark::Marked &&
                              text == view_.PositionText(view_.MarkEnd(), MsMode());
    if (!shownAlready) view_.SetMarkEnd(text, MsMode());
    ShowMarks();
  });

  connect(ui_->curves, &TWaveCurves::MouseMoved, this, &TWAViewDlg::curvesMouseMove);
  connect(ui_->curves, &TWaveCurves::Clicked, this, &TWAViewDlg::curvesClick);
  connect(ui_->curves, &TWaveCurves::DragStarted, this, &TWAViewDlg::curvesDragStart);
  connect(ui_->curves, &TWaveCurves::Dragged, this, &TWAViewDlg::curvesDrag);
  // A time ruler over the curves; a click on it plays from there to the end of the window.
  ruler_ = new TWaveRuler(this);
  ruler_->setObjectName("ruler");
  ruler_->SetSource(&view_, ui_->curves);
  ruler_->SetMsMode(msMode);
  ui_->layout159->insertWidget(0, ruler_);
  connect(ruler_, &TWaveRuler::PlayFrom, this, &TWAViewDlg::rulerClick);
  // The editor's Import, here too: the viewer usually covers the editor.
  auto* importBtn = new QPushButton(tr("Import"), this);
  importBtn->setObjectName("importBtn");
  ui_->layout158->insertWidget(ui_->layout158->indexOf(ui_->OKBtn), importBtn);
  connect(importBtn, &QPushButton::clicked, this, &TWAViewDlg::importBtnClick);
  // Enter in a field checks the field; it does not close the viewer through OK.
  NoDefaultButton(this);
  connect(ui_->curves, &TWaveCurves::Resized, this, [this] {
    if (summary_ && !drawing_) ui_->curves->Render();
  });
  const std::pair<QPushButton*, void (TWAViewDlg::*)()> buttons[] = {
      {ui_->zoomButton, &TWAViewDlg::zoomButtonClick},   {ui_->startButton, &TWAViewDlg::startButtonClick},
      {ui_->endButton, &TWAViewDlg::endButtonClick},     {ui_->leftBtn, &TWAViewDlg::leftBtnClick},
      {ui_->rightBtn, &TWAViewDlg::rightBtnClick},       {ui_->fastLeftBtn, &TWAViewDlg::fastLeftBtnClick},
      {ui_->fastRightBtn, &TWAViewDlg::fastRightBtnClick},
      {ui_->playSelectedBtn, &TWAViewDlg::playSelectedBtnClick},
      {ui_->playShownBtn, &TWAViewDlg::playShownBtnClick}, {ui_->playAllBtn, &TWAViewDlg::playAllBtnClick},
      {ui_->ResetBtn, &TWAViewDlg::ResetBtnClick},       {ui_->OKBtn, &TWAViewDlg::OKbtnClick},
      {ui_->HelpBtn, &TWAViewDlg::HelpBtnClick}};
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);
  connect(ui_->msButton, &QRadioButton::clicked, this, &TWAViewDlg::msButtonClick);
  connect(ui_->sampleButton, &QRadioButton::clicked, this, &TWAViewDlg::sampleButtonClick);
  connect(&player_, &app::TMediaPlayer::Notified, this, &TWAViewDlg::playerNotify);
  timer1_.setInterval(kPlayTimerMs);
  connect(&timer1_, &QTimer::timeout, this, &TWAViewDlg::Timer1Timer);
}

TWAViewDlg::~TWAViewDlg() {
  timer1_.stop();
  player_.Close();
  ui_->curves->SetSource(nullptr, nullptr);
}

bool TWAViewDlg::MsMode() const { return ui_->msButton->isChecked(); }

bool TWAViewDlg::Playing() const { return playing_ != nullptr; }

bool TWAViewDlg::loadFile(const QString& name) {
  StopPlaying();
  source_ = name;
  file_ = name;
  // Samples wider than 16 bits, floats, other layouts and other containers are drawn and played
  // from a 16-bit copy at the file's own rate: the same frames, at the same share of full scale.
  std::unique_ptr<QTemporaryDir> copyDir;
  if (ops::NeedsDecoding(name.toStdString())) {
    copyDir = std::make_unique<QTemporaryDir>();
    const QString copy = copyDir->filePath("shown.wav");
    if (!copyDir->isValid() || ops::DecodeForPlaying(name.toStdString(), copy.toStdString())) {
      copyDir.reset();
    } else {
      file_ = copy;
    }
  }
  const TWAVheader header(file_.toStdString());
  std::unique_ptr<WaveSummary> summary;
  if (header.Valid) {
    try {
      summary = std::make_unique<WaveSummary>(file_.toStdString());
    } catch (const EInOutError&) {
    }
  }
  QString error;
  if (!summary || summary->Frames() < 2 || !player_.Open(file_, error)) {
    platform::ShowError("Error reading " + name.toStdString() + "!");
    summary_.reset();
    ui_->curves->SetSource(&view_, nullptr);
    close();
    return false;
  }
  summary_ = std::move(summary);
  copyDir_ = std::move(copyDir);
  ui_->curves->SetSource(&view_, summary_.get());
  // Frames per ms as the editor computes them: total frames ÷ duration.
  const double frames = double(summary_->Frames());
  const double durationMs = frames / header.SampleRate * 1000;
  framesPerMs_ = frames / durationMs;
  view_.Reset(summary_->Frames(), header.BitsPerSample, framesPerMs_);
  // Every field as wide as the longest value it can show for this file, in either unit; the
  // cursor's readout too, so that the window keeps its size when it fills in.
  const int64_t last = summary_->Frames() - 1;
  const QStringList positions{Q(view_.PositionText(last, true)), Q(view_.PositionText(last, false))};
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->startEdit, ui_->endEdit, ui_->positionLabel})
    ui::FitText(w, positions);
  // The cursor's value at the file's own scale: its width's integers, or floats within ±1.
  const std::optional<WaveEncoding> own = EngineEncoding(TWAVheader(source_.toStdString()));
  valueFloat_ = own && own->isFloat;
  valueShift_ = own && !own->isFloat && own->format.bits > 16 ? own->format.bits - 16 : 0;
  ui::FitText(ui_->valueEdit, {ValueText(-32768)});
  ui::FitText(ui_->zoomHedit, {Q(WaveView::ZoomText(double(summary_->Frames())))});
  ui::FitText(ui_->zoomVedit, {Q(WaveView::ZoomText(128))});
  doReset();
  return true;
}

QString TWAViewDlg::ValueText(int32_t value) const {
  if (valueFloat_) return QString::number(double(value) / 32768, 'f', 5);
  return QString::number(int64_t(value) * (int64_t(1) << valueShift_));
}

void TWAViewDlg::doReset() {
  StopPlaying();
  if (!summary_) return;
  view_.Reset(view_.Frames(), summary_->Input().Format().bits, framesPerMs_);
  zoomV_->SetText(Q(WaveView::ZoomText(1)));
  zoomH_->SetText(Q(WaveView::ZoomText(1)));
  ShowMarks();
  ui_->playShownBtn->setEnabled(true);
  ui_->playAllBtn->setEnabled(true);
  redraw();
}

void TWAViewDlg::redraw() {
  if (!summary_ || drawing_) return;
  ruler_->update();
  const int level = summary_->LevelFor(view_.ShownFrames(), std::max(ui_->curves->width(), 1));
  if (level >= 0 && !summary_->Complete()) {
    // The summary of a long file is built once; Reset reads "Stop" meanwhile and stops it
    // (a later drawing goes on from where it stopped).
    drawing_ = true;
    ui_->ResetBtn->setText("Stop");
    {
      RunScope scope(*this, ui_->ResetBtn);
      platform::HourglassCursor hourglass;
      Progress progress;
      progress.pump = &platform::ProcessPendingEvents;
      // "Stop" cancels the build: the counter is pushed past its total.
      building_ = &progress;
      try {
        summary_->Build(progress);
      } catch (const EInOutError& e) {
        platform::ShowError(e.what());
      }
      building_ = nullptr;
    }
    ui_->ResetBtn->setText("Reset");
    drawing_ = false;
  }
  ui_->curves->Render();
  ui_->gauge->setValue(view_.Gauge());
}

void TWAViewDlg::ShowMarks() {
  const bool ms = MsMode();
  switch (view_.Marking()) {
    case WaveView::Mark::None:
      end_->SetText(QString());
      break;
    case WaveView::Mark::Started:
    case WaveView::Mark::Marked:
      start_->SetText(Q(view_.PositionText(view_.MarkStart(), ms)));
      end_->SetText(Q(view_.PositionText(view_.MarkEnd(), ms)));
      break;
  }
  UpdateCursorAndButtons();
  ui_->curves->update();
}

void TWAViewDlg::UpdateCursorAndButtons() {
  const WaveView::Mark mark = view_.Marking();
  ui_->curves->setCursor(mark == WaveView::Mark::None      ? Qt::CrossCursor
                         : mark == WaveView::Mark::Started ? Qt::SizeHorCursor
                                                           : Qt::ArrowCursor);
  if (playing_) return;
  const bool endControls = mark != WaveView::Mark::None;
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->endEdit, ui_->endSpin, ui_->endButton})
    w->setEnabled(endControls);
  ui_->playSelectedBtn->setEnabled(mark == WaveView::Mark::Marked && view_.MarkEnd() >= view_.MarkStart());
  ui_->zoomButton->setEnabled(mark == WaveView::Mark::Marked && view_.MarkEnd() > view_.MarkStart());
}

void TWAViewDlg::curvesMouseMove(int x, int y) {
  if (!summary_) return;
  const int w = ui_->curves->width();
  const int64_t frame = view_.FrameAt(x, w);
  const int32_t value = ui_->curves->ValueAt(y);
  ui_->curves->SetCross({x, y});
  ui_->positionLabel->setText(Q(view_.PositionText(frame, MsMode())));
  ui_->valueEdit->setText(ValueText(value));
  switch (view_.Marking()) {
    case WaveView::Mark::None: start_->SetText(Q(view_.PositionText(frame, MsMode()))); break;
    case WaveView::Mark::Started:
      view_.Follow(frame);
      end_->SetText(Q(view_.PositionText(frame, MsMode())));
      ui_->curves->update();
      break;
    case WaveView::Mark::Marked: break;
  }
}

void TWAViewDlg::curvesClick(int x, int) {
  if (!summary_ || playing_ || drawing_) return;
  view_.Click(view_.FrameAt(x, ui_->curves->width()));
  ShowMarks();
}

void TWAViewDlg::curvesDragStart(int fromX) {
  if (!summary_ || playing_ || drawing_) return;
  view_.Unmark();
  view_.Click(view_.FrameAt(fromX, ui_->curves->width()));
  ShowMarks();
}

void TWAViewDlg::curvesDrag(int fromX, int toX) {
  if (!summary_ || playing_ || drawing_) return;
  const int w = ui_->curves->width();
  view_.MarkDragged(view_.FrameAt(fromX, w), view_.FrameAt(qBound(0, toX, w - 1), w));
  ShowMarks();
  ui_->curves->update();
}

void TWAViewDlg::zoomButtonClick() {
  if (!view_.ZoomToMarked()) return;
  zoomH_->SetText(Q(WaveView::ZoomText(view_.HorizontalZoom())));
  ShowMarks();
  redraw();
}

void TWAViewDlg::startButtonClick() {
  if (const std::optional<int64_t> f = view_.FrameOf(start_->Text().toStdString(), MsMode())) {
    view_.ShowFrom(*f);
    redraw();
  }
}

void TWAViewDlg::endButtonClick() {
  if (const std::optional<int64_t> f = view_.FrameOf(end_->Text().toStdString(), MsMode())) {
    view_.ShowUntil(*f);
    redraw();
  }
}

void TWAViewDlg::ScrollAndDraw(int64_t frames) {
  view_.ScrollBy(frames);
  redraw();
}

void TWAViewDlg::leftBtnClick() { ScrollAndDraw(-view_.Step()); }
void TWAViewDlg::rightBtnClick() { ScrollAndDraw(view_.Step()); }
void TWAViewDlg::fastLeftBtnClick() { ScrollAndDraw(-view_.FastStep()); }
void TWAViewDlg::fastRightBtnClick() { ScrollAndDraw(view_.FastStep()); }

void TWAViewDlg::msButtonClick() {
  ruler_->SetMsMode(true);
  ShowMarks();
}
void TWAViewDlg::sampleButtonClick() {
  ruler_->SetMsMode(false);
  ShowMarks();
}

void TWAViewDlg::rulerClick(int64_t frame) {
  if (!summary_ || drawing_) return;
  if (playing_) StopPlaying();
  Play(ui_->playShownBtn, qBound<int64_t>(0, frame, view_.Last()), view_.Last());
}

std::optional<std::pair<double, double>> TWAViewDlg::MarkedRange() const {
  if (view_.Marking() != WaveView::Mark::Marked) return std::nullopt;
  return std::make_pair(view_.Position(view_.MarkStart(), MsMode()), view_.Position(view_.MarkEnd(), MsMode()));
}

void TWAViewDlg::paralyse(QPushButton* keep) {
  paralysed_.clear();
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w == keep || w == ui_->curves || !w->isEnabled() || w->isWindow()) continue;
    if (!qobject_cast<QAbstractButton*>(w) && !w->inherits("QLineEdit") && !w->inherits("TSpinButton")) continue;
    w->setEnabled(false);
    paralysed_.push_back(w);
  }
}

void TWAViewDlg::unParalyse() {
  for (QWidget* w : paralysed_) w->setEnabled(true);
  paralysed_.clear();
  UpdateCursorAndButtons();
}

void TWAViewDlg::Play(QPushButton* button, int64_t from, int64_t to) {
  if (playing_) {
    StopPlaying();
    return;
  }
  player_.Seek(from);
  if (!player_.Play(to + 1)) {
    platform::ShowError(player_.ErrorText().toStdString());
    QString error;
    player_.Open(file_, error);  // ready for the next try
    return;
  }
  playing_ = button;
  button->setText("Stop");
  paralyse(button);
  timer1_.start();
}

void TWAViewDlg::StopPlaying() {
  if (player_.GetMode() == app::TMediaPlayer::Mode::Playing) player_.Stop();
  if (playing_) playerNotify(app::TMediaPlayer::Notify::Aborted);
}

void TWAViewDlg::playSelectedBtnClick() {
  Play(ui_->playSelectedBtn, std::min(view_.MarkStart(), view_.MarkEnd()),
       std::max(view_.MarkStart(), view_.MarkEnd()));
}
void TWAViewDlg::playShownBtnClick() { Play(ui_->playShownBtn, view_.First(), view_.Last()); }
void TWAViewDlg::playAllBtnClick() { Play(ui_->playAllBtn, 0, view_.LastFrame()); }

void TWAViewDlg::playerNotify(app::TMediaPlayer::Notify notify) {
  if (!playing_) return;
  timer1_.stop();
  playing_ = nullptr;
  ui_->playSelectedBtn->setText("Play selected");
  ui_->playShownBtn->setText("Play shown");
  ui_->playAllBtn->setText("Play all");
  ui_->curves->SetPlayFrame(-1);
  unParalyse();
  if (notify == app::TMediaPlayer::Notify::Failure) {
    // The device failed: the controls are back, and the player is opened again for the next try.
    platform::ShowError(player_.ErrorText().toStdString());
    QString error;
    player_.Open(file_, error);
  }
}

void TWAViewDlg::Timer1Timer() { ui_->curves->SetPlayFrame(player_.Position()); }

void TWAViewDlg::ResetBtnClick() {
  if (drawing_) {
    CancelRun();
    return;
  }
  doReset();
}

void TWAViewDlg::CancelRun() {
  if (building_ && !building_->Cancelled()) building_->Cancel();
}

void TWAViewDlg::OKbtnClick() {
  // OK hands a marked range to the editor as Import does, then closes.
  if (MarkedRange()) emit ImportRequested();
  close();
}

void TWAViewDlg::importBtnClick() { emit ImportRequested(); }

void TWAViewDlg::closeEvent(QCloseEvent* event) {
  // While the summary is built, closing is a stop (the dialog's run rules).
  if (!drawing_) StopPlaying();
  TDialog::closeEvent(event);
}

}  // namespace tonemill::wave
