#include "WAVeditDlg.h"

#include "ui_WAVeditDlg.h"

#include "RangeDlg.h"
#include "WAVmixDlg.h"
#include "WaviewDlg.h"
#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/gui/effects/ChorusDlg.h"
#include "tonemill/gui/effects/EchoDlg.h"
#include "tonemill/gui/effects/FlangeDlg.h"
#include "tonemill/gui/effects/ReverbDlg.h"
#include "tonemill/gui/effects/VocodeDlg.h"
#include "tonemill/effects/catalog.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/ops/targets.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/widgets/fittext.h"

#include <QGridLayout>

#include <filesystem>

namespace tonemill::wave {
namespace {

constexpr int kHelpEditor = 3000;

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Warn(const std::string& text) {
  platform::Show({platform::MessageKind::Warning, platform::Buttons::Ok, platform::Topic::Notice, text});
}

using MakeDialog = std::function<std::unique_ptr<QDialog>(const LaunchValues&)>;

template <class Dialog>
MakeDialog Make(QWidget* parent) {
  return [parent](const LaunchValues& launch) { return std::make_unique<Dialog>(parent, launch); };
}

// The library effects' dialogs have forms of their own (a patch grid, and the reverb's and the
// vocoder's own controls); every range operation's dialog is laid out from its row.
MakeDialog BespokeDialog(QWidget* parent, EffectKind kind) {
  namespace fx = effectdialogs;
  switch (kind) {
    case EffectKind::Echo: return Make<fx::TechoDlg>(parent);
    case EffectKind::Flange: return Make<fx::TflangeDlg>(parent);
    case EffectKind::Chorus: return Make<fx::TchorusDlg>(parent);
    case EffectKind::Reverb: return Make<fx::TreverbDlg>(parent);
    case EffectKind::Vocoder: return Make<fx::TVocodeDlg>(parent);
  }
  return {};
}

}  // namespace

TWAVeditDlg::TWAVeditDlg(QWidget* parent, const QString& input, const QString& output)
    : TDialog(parent, kHelpEditor), ui_(std::make_unique<Ui::WAVeditDlg>()) {
  ui_->setupUi(this);
  run_.SetGauge(ui_->gauge);
  ui_->fromFileEdit->setText(input);
  ui_->toFileEdit->setText(output);
  originals_.Add(input.toStdString());
  NoDefaultButton(this);
  ui::FieldExit::Install(ui_->fromFileEdit, [this] {
    fromFileEditExit();
    return true;
  });
  ui::FieldExit::Install(ui_->toFileEdit, [this] {
    toFileEditExit();
    return true;
  });
  start_ = new TNumberField(ui_->startTimeEdit, ui_->startSpin, [this](const std::string& text, std::string& shown) {
    double value = 0;
    const bool ms = ui_->msButton->isChecked();
    if (auto problem = CheckSelectionStart(text, selection_.end, ms, value)) return problem;
    shown = SelectionText(value, ms);
    return std::optional<Problem>();
  });
  end_ = new TNumberField(ui_->endTimeEdit, ui_->endSpin, [this](const std::string& text, std::string& shown) {
    double value = 0;
    const bool ms = ui_->msButton->isChecked();
    if (auto problem = CheckSelectionEnd(text, selection_.start, input_, ms, value)) return problem;
    shown = SelectionText(value, ms);
    return std::optional<Problem>();
  });
  connect(start_, &TNumberField::Changed, this, [this] { selection_.start = start_->Value(); });
  connect(end_, &TNumberField::Changed, this, [this] { selection_.end = end_->Value(); });

  connect(ui_->msButton, &QRadioButton::clicked, this, &TWAVeditDlg::msButtonClick);
  connect(ui_->sampleButton, &QRadioButton::clicked, this, &TWAVeditDlg::sampleButtonClick);
  const std::pair<QPushButton*, void (TWAVeditDlg::*)()> buttons[] = {
      {ui_->viewButton, &TWAVeditDlg::viewButtonClick}, {ui_->swapBtn, &TWAVeditDlg::swapBtnClick},
      {ui_->OKBtn, &TWAVeditDlg::OKBtnClick},           {ui_->CancelBtn, &TWAVeditDlg::CancelBtnClick},
      {ui_->HelpBtn, &TWAVeditDlg::HelpBtnClick}};
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);

  // Every effect's button by the name its row gives: the editor's own operations run at once,
  // the others open their dialog.
  // The mixer decodes its sources itself: it lists the input under its own name.
  std::vector<std::pair<QPushButton*, MakeDialog>> launchers = {
      {ui_->mixBtn, [this](const LaunchValues& launch) {
         LaunchValues own = launch;
         own.input = From().toStdString();
         return std::make_unique<TWAVmixDlg>(this, own);
       }}};
  for (const EffectEntry& e : Effects()) {
    QPushButton* button = findChild<QPushButton*>(e.launcher);
    if (!button) {
      // An effect the form has no button for gets one after the form's, five to a line.
      auto* grid = qobject_cast<QGridLayout*>(ui_->launcherGroup->layout());
      const int placed = grid->count();
      button = new QPushButton(QString::fromUtf8(e.caption ? e.caption : e.command), ui_->launcherGroup);
      button->setObjectName(e.launcher);
      grid->addWidget(button, placed / 5, placed % 5);
    }
    if (e.runByEditor) {
      connect(button, &QPushButton::clicked, this, [this, &e] { RunOperation(e); });
    } else if (e.family == EffectFamily::Range) {
      launchers.push_back({button, [this, &e](const LaunchValues& launch) {
                             return std::make_unique<TRangeDlg>(this, e, launch);
                           }});
    } else {
      launchers.push_back({button, BespokeDialog(this, e.kind)});
    }
  }
  for (const auto& launcher : launchers)
    connect(launcher.first, &QPushButton::clicked, this, [this, make = launcher.second] { Launch(make); });
}

TWAVeditDlg::~TWAVeditDlg() {
  // The viewer goes before the form it reports to.
  delete viewer_.data();
}

QString TWAVeditDlg::From() const { return ui_->fromFileEdit->text(); }
QString TWAVeditDlg::To() const { return ui_->toFileEdit->text(); }

QPushButton* TWAVeditDlg::Launcher(const QString& name) const { return findChild<QPushButton*>(name); }

void TWAVeditDlg::FormActivate() {
  const bool ms = ui_->msButton->isChecked();
  start_->SetText(ms ? "0.00" : "0");
  end_->SetText(ms ? "0.00" : "0");
  ui_->viewButton->setText(viewer_ ? "Import" : "View");
  disableLaunchers();
  fromFileEditExit();
  toFileEditExit();
  // Nothing here gains from more room but the file names: the groups keep their width beside
  // a stretch (their fields stay by their labels) and the window its height.
  ui_->layout167->insertStretch(ui_->layout167->indexOf(ui_->layout166), 1);
  KeepContentHeight();
}

void TWAVeditDlg::enableLaunchers() {
  for (QPushButton* b : ui_->launcherGroup->findChildren<QPushButton*>()) b->setEnabled(true);
}

void TWAVeditDlg::disableLaunchers() {
  for (QPushButton* b : ui_->launcherGroup->findChildren<QPushButton*>()) b->setEnabled(false);
}

void TWAVeditDlg::enableControls() {
  enableLaunchers();
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->startTimeEdit, ui_->endTimeEdit, ui_->startSpin,
                                                   ui_->endSpin, ui_->msButton, ui_->sampleButton,
                                                   ui_->viewButton})
    w->setEnabled(true);
  const bool stereo = input_.channels == 2;
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->leftBtn, ui_->rightBtn, ui_->bothBtn})
    w->setEnabled(stereo);
}

void TWAVeditDlg::disableControls() {
  disableLaunchers();
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->startTimeEdit, ui_->endTimeEdit, ui_->startSpin,
                                                   ui_->endSpin, ui_->msButton, ui_->sampleButton,
                                                   ui_->viewButton, ui_->leftBtn, ui_->rightBtn,
                                                   ui_->bothBtn, ui_->swapBtn})
    w->setEnabled(false);
}

void TWAVeditDlg::UpdateSwap() {
  // Swap makes the output the input: only a file the engines read, or one decoded for them, can
  // be that.
  const std::string to = To().toStdString();
  const TWAVheader header(to);
  bool readable = header.Found && EngineEncoding(header).has_value();
  if (header.Found && !readable) {
    std::string error;
    readable = SoundFile::OpenRead(to, error).IsOpen();
  }
  ui_->swapBtn->setEnabled(readable);
}

bool TWAVeditDlg::RouteInput(const std::string& from) {
  engineInput_ = from;
  if (EnginesReadAsItIs(from)) return true;
  // The same input, unchanged since, keeps its decoded samples.
  std::error_code ec;
  const auto stamp = std::filesystem::last_write_time(from, ec);
  if (decodedDir_ && decodedFrom_ == from && !ec && stamp == decodedStamp_) {
    engineInput_ = decodedDir_->filePath("decoded.wav").toStdString();
    return true;
  }
  decodedDir_ = std::make_unique<QTemporaryDir>();
  decodedFrom_.clear();
  std::string error;
  if (!decodedDir_->isValid()) {
    Warn(from + ": no room for its decoded samples");
    return false;
  }
  std::optional<EngineInput> routed;
  {
    platform::HourglassCursor hourglass;
    routed = RouteEngineInput(from, decodedDir_->filePath("decoded.wav").toStdString(), error);
  }
  if (!routed) {
    decodedDir_.reset();
    Warn(error);
    return false;
  }
  engineInput_ = routed->path;
  if (routed->decoded) {
    decodedFrom_ = from;
    decodedStamp_ = stamp;
  }
  return true;
}

void TWAVeditDlg::fromFileEditExit() {
  const std::string from = From().toStdString(), to = To().toStdString();
  EditorInput facts;
  const bool routed = RouteInput(from);
  std::optional<Problem> problem;
  if (routed) problem = CheckEditorInput(engineInput_, facts);
  if (!routed || problem) {
    if (problem) Warn(problem->message);
    inputOk_ = false;
    disableControls();
    UpdateSwap();
    CloseViewer();
    return;
  }
  input_ = facts;
  inputOk_ = true;
  for (QWidget* w : std::initializer_list<QWidget*>{ui_->startTimeEdit, ui_->endTimeEdit})
    ui::FitText(w, {Q(SelectionText(SelectionLimit(input_, true), true)),
                    Q(SelectionText(SelectionLimit(input_, false), false))});
  if (OutputIsInput(to, from, kCantOverwriteSource)) {
    Warn(kCantOverwriteSource);
    disableControls();
  } else if (IsValidFileName(to)) {
    enableControls();
  }
  // A new input: the whole of it is selected (the same one, left again, keeps its selection).
  const bool ms = ui_->msButton->isChecked();
  if (from != selectedInput_ || facts.totalFrames != selectedFrames_)
    selection_ = {0, SelectionLimit(input_, ms)};
  selectedInput_ = from;
  selectedFrames_ = facts.totalFrames;
  ShowSelection();
  // A mono file is processed as "Left", the whole signal.
  const bool stereo = input_.channels == 2;
  (stereo ? ui_->bothBtn : ui_->leftBtn)->setChecked(true);
  if (!stereo)
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->leftBtn, ui_->rightBtn, ui_->bothBtn})
      w->setEnabled(false);
  UpdateSwap();
}

void TWAVeditDlg::toFileEditExit() {
  const std::string from = From().toStdString(), to = To().toStdString();
  if (!IsValidFileName(to)) {
    ui_->swapBtn->setEnabled(false);
    disableLaunchers();
    return;
  }
  if (OutputIsInput(to, from, kCantOverwriteSource)) {
    Warn(kCantOverwriteSource);
    ui_->swapBtn->setEnabled(false);
    disableLaunchers();
    return;
  }
  if (inputOk_) enableControls();
  UpdateSwap();
}

void TWAVeditDlg::ShowSelection() {
  const bool ms = ui_->msButton->isChecked();
  start_->SetText(Q(SelectionText(selection_.start, ms)));
  end_->SetText(Q(SelectionText(selection_.end, ms)));
}

bool TWAVeditDlg::LeaveSelection() { return start_->Leave() && end_->Leave(); }

void TWAVeditDlg::msButtonClick() {
  if (!inputOk_) return;
  if (!LeaveSelection()) return;
  selection_ = ConvertSelection(selection_, input_, true);
  ShowSelection();
}

void TWAVeditDlg::sampleButtonClick() {
  if (!inputOk_) return;
  if (!LeaveSelection()) return;
  selection_ = ConvertSelection(selection_, input_, false);
  ShowSelection();
}

LaunchValues TWAVeditDlg::CurrentLaunch() const {
  const ChannelChoice choice = ui_->leftBtn->isChecked()    ? ChannelChoice::Left
                               : ui_->rightBtn->isChecked() ? ChannelChoice::Right
                                                            : ChannelChoice::Both;
  return EditorLaunch(engineInput_, To().toStdString(), input_, ui_->msButton->isChecked(),
                      selection_, choice);
}

KeptMetadata TWAVeditDlg::Kept() const { return {From().toStdString(), ui_->keepChunksBox->isChecked()}; }

void TWAVeditDlg::CloseViewer() {
  if (viewer_) {
    viewer_->close();
    viewer_ = nullptr;
  }
  ui_->viewButton->setText("View");
}

void TWAVeditDlg::Launch(const std::function<std::unique_ptr<QDialog>(const LaunchValues&)>& make) {
  if (!LeaveSelection()) return;
  CloseViewer();
  originals_.Add(From().toStdString());
  std::unique_ptr<QDialog> dialog = make(CurrentLaunch());
  if (auto* effect = qobject_cast<effectdialogs::TEffectDlg*>(dialog.get())) {
    effect->SetPreviewDirectory(tempDirectory_);
    effect->SetKept(Kept());
  } else if (auto* range = qobject_cast<TRangeDlg*>(dialog.get())) {
    range->SetPreviewDirectory(tempDirectory_);
    range->SetKept(Kept());
  }
  showDialog(*dialog);
  dialog.reset();
  UpdateSwap();
}

void TWAVeditDlg::RunOperation(const EffectEntry& operation) {
  if (!LeaveSelection()) return;
  CloseViewer();
  originals_.Add(From().toStdString());
  const LaunchValues launch = CurrentLaunch();
  ops::OutputJob job = WaveOutputJob(launch.output, {launch.input});
  if (const std::optional<ops::JobOutcome> refused = ops::PrepareOutput(job)) {
    if (!refused->problem.message.empty()) platform::ShowError(refused->problem.BoxText());
    return;
  }
  {
    RunScope scope(*this, ui_->CancelBtn);
    platform::HourglassCursor hourglass;
    run_.Start();
    const ops::OutputWork work = ops::CarryMetadata(job, Kept(), [&](const std::string& path, Progress& progress) {
      const RangeResult r =
          operation.run(tonemill::RangeOf(launch, path), DefaultValues(operation, launch), progress);
      return WaveWorkResult(launch.output, r, launch.input);
    });
    outcome_ = ops::RunOutputJob(job, run_.Counters(), work);
    run_.timerTimer();
    run_.Stop();
  }
  if (outcome_->end == ops::JobOutcome::End::Failed || outcome_->end == ops::JobOutcome::End::Incomplete)
    platform::ShowError(outcome_->problem.BoxText());
  UpdateSwap();
}

void TWAVeditDlg::cutBtnClick() { RunOperation(*FindEffect("cut")); }
void TWAVeditDlg::maximizeBtnClick() { RunOperation(*FindEffect("maximize")); }
void TWAVeditDlg::reverseBtnClick() { RunOperation(*FindEffect("reverse")); }

void TWAVeditDlg::viewButtonClick() {
  if (viewer_) {
    Import();
    return;
  }
  auto* viewer = new TWAViewDlg(this, ui_->msButton->isChecked());
  if (!viewer->loadFile(Q(engineInput_))) return;  // it closes itself
  viewer_ = viewer;
  // Its OK (or any close) sets the button back to "View".
  QPushButton* button = ui_->viewButton;  // the button itself, which may outlive ui_
  connect(viewer, &QObject::destroyed, button, [button] { button->setText("View"); });
  connect(viewer, &TWAViewDlg::ImportRequested, this, &TWAVeditDlg::Import);
  viewer->show();
  ui_->viewButton->setText("Import");
}

void TWAVeditDlg::Import() {
  const std::optional<std::pair<double, double>> range = viewer_->MarkedRange();
  if (!range) {
    platform::ShowError("Nothing is marked in WAView!");
    return;
  }
  SelectionValues s;
  if (std::optional<Problem> problem =
          ImportRange(range->first, range->second, viewer_->MsMode(), input_, ui_->msButton->isChecked(), s)) {
    platform::ShowError(problem->message);
    return;
  }
  selection_ = s;
  ShowSelection();
}

void TWAVeditDlg::swapBtnClick() {
  const QString from = From();
  ui_->fromFileEdit->setText(To());
  ui_->toFileEdit->setText(from);
  fromFileEditExit();
  toFileEditExit();
  // An open viewer shows the new input.
  if (viewer_ && inputOk_ && !viewer_->loadFile(Q(engineInput_))) viewer_ = nullptr;
  if (!viewer_) ui_->viewButton->setText("View");
}

void TWAVeditDlg::OKBtnClick() { accept(); }

void TWAVeditDlg::CancelBtnClick() {
  if (run_.Running())
    run_.Cancel();
  else
    reject();
}

void TWAVeditDlg::done(int result) {
  CloseViewer();
  TDialog::done(result);
}

}  // namespace tonemill::wave
