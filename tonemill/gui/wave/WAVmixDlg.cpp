#include "WAVmixDlg.h"

#include "ui_WAVmixDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/gui/widgets/ExtFileListBox.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/gui/widgets/fieldexit.h"
#include "tonemill/gui/widgets/NumberField.h"

#include <QComboBox>
#include <QFileInfo>
#include <QIntValidator>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QHeaderView>

namespace tonemill::wave {
namespace {

constexpr int kHelpMixer = 3280;
enum Column { kFile, kLeft, kRight };

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TWAVmixDlg::TWAVmixDlg(QWidget* parent, const LaunchValues& launch)
    : TDialog(parent, kHelpMixer), ui_(std::make_unique<Ui::WAVmixDlg>()), launch_(launch) {
  ui_->setupUi(this);
  run_.SetGauge(ui_->gauge);
  NoDefaultButton(this);
  ui_->toFileEdit->setText(Q(launch.output));
  ui::FieldExit::Install(ui_->toFileEdit, [this] {
    toFileEditExit();
    return true;
  });
  QTableWidget* grid = ui_->StringGrid1;
  grid->setColumnCount(3);
  grid->setHorizontalHeaderLabels({"File", "Left", "Right"});
  grid->verticalHeader()->setVisible(false);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->horizontalHeader()->setSectionResizeMode(kFile, QHeaderView::Stretch);
  connect(grid, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
    if (!selecting_ && row >= 0) StringGrid1SelectCell(row, column);
  });
  connect(ui_->addButton, &QPushButton::clicked, this, &TWAVmixDlg::addButtonClick);
  connect(ui_->DeleteButton, &QPushButton::clicked, this, &TWAVmixDlg::deleteButtonClick);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TWAVmixDlg::OKbtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &TWAVmixDlg::CancelBtnClick);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TWAVmixDlg::HelpBtnClick);
  connect(ui_->browser, &TFileBrowser::FileChange, this, &TWAVmixDlg::FileListBox1Change);
  connect(ui_->browser, &TFileBrowser::FileActivated, this, &TWAVmixDlg::addButtonClick);
  connect(&run_.Timer(), &QTimer::timeout, this, &TWAVmixDlg::Timer1Timer);
  // Any rate the engines process; the usual ones beyond the three buttons are listed.
  for (int rate : {8000, 16000, 32000, 48000, 88200, 96000, 176400, 192000})
    ui_->rateBox->addItem(QString::number(rate));
  ui_->rateBox->setCurrentText("48000");
  ui_->rateBox->setValidator(new QIntValidator(0, kMaxEngineRate, ui_->rateBox));
  const auto other = [this] { ui_->otherRateButton->setChecked(true); };
  connect(ui_->rateBox, &QComboBox::textActivated, this, other);
  connect(ui_->rateBox->lineEdit(), &QLineEdit::textEdited, this, other);
  // Sources of the other containers are listed too, after the WAV files alone.
  ui_->browser->Filter()->insertItem(1, "Audio (*.WAV;*.FLAC;*.OGG;*.OPUS;*.MP3;*.AIF;*.AIFF)",
                                     QStringList{"*.WAV", "*.FLAC", "*.OGG", "*.OPUS", "*.MP3", "*.AIF", "*.AIFF"});
  if (const std::optional<Container> named = ContainerOfName(launch.input); named && *named != Container::Wav)
    ui_->browser->Filter()->setCurrentIndex(1);
  ui_->browser->Start(Q(launch.input));
}

TWAVmixDlg::~TWAVmixDlg() = default;

void TWAVmixDlg::FormActivate() {
  QTableWidget* grid = ui_->StringGrid1;
  grid->setRowCount(0);
  AppendRow(ui_->browser->FileName());
  Select(0, kFile);
  enableControls();
  FileListBox1Change();
}

void TWAVmixDlg::AppendRow(const QString& file) {
  QTableWidget* grid = ui_->StringGrid1;
  const int row = grid->rowCount();
  grid->insertRow(row);
  grid->setItem(row, kFile, new QTableWidgetItem(file));
  grid->setItem(row, kLeft, new QTableWidgetItem("1"));
  grid->setItem(row, kRight, new QTableWidgetItem("1"));
}

void TWAVmixDlg::Select(int row, int column) {
  selecting_ = true;
  ui_->StringGrid1->setCurrentCell(row, column);
  selecting_ = false;
  editedRow_ = row;
  editedColumn_ = column;
}

std::vector<MixSource> TWAVmixDlg::Sources() const {
  std::vector<MixSource> sources;
  const QTableWidget* grid = ui_->StringGrid1;
  for (int r = 0; r < grid->rowCount(); ++r) {
    MixSource s;
    s.path = S(grid->item(r, kFile)->text());
    CheckMixFactor(S(grid->item(r, kLeft)->text()), true, s.left);
    CheckMixFactor(S(grid->item(r, kRight)->text()), false, s.right);
    sources.push_back(s);
  }
  return sources;
}

std::optional<WaveEncoding> TWAVmixDlg::Format() const {
  WaveEncoding e;
  e.format.channels = ui_->monoButton->isChecked() ? 1 : 2;
  e.isFloat = ui_->floatButton->isChecked();
  e.format.bits = ui_->eightButton->isChecked()        ? 8
                  : ui_->twentyfourButton->isChecked() ? 24
                  : ui_->thirtytwoButton->isChecked() || e.isFloat ? 32
                                                                   : 16;
  if (ui_->otherRateButton->isChecked()) {
    bool ok = false;
    const int rate = ui_->rateBox->currentText().trimmed().toInt(&ok);
    if (!ok || rate < kMinEngineRate || rate > kMaxEngineRate) return std::nullopt;
    e.format.rate = rate;
  } else {
    e.format.rate = ui_->elevenButton->isChecked() ? 11025 : ui_->twentytwoButton->isChecked() ? 22050 : 44100;
  }
  return e;
}

std::optional<Problem> TWAVmixDlg::CheckCell(int row, int column) const {
  const QTableWidgetItem* item = ui_->StringGrid1->item(row, column);
  const std::string text = item ? S(item->text()) : std::string();
  double factor = 0;
  switch (column) {
    case kFile:
      // Another container goes to the mix decoded; only a clash with the output is refused here.
      if (!EnginesReadAsItIs(text)) return OutputIsInput(S(ui_->toFileEdit->text()), text, kCantOverwriteSource);
      return CheckMixSource(text, S(ui_->toFileEdit->text()));
    case kLeft: return CheckMixFactor(text, true, factor);
    default: return CheckMixFactor(text, false, factor);
  }
}

bool TWAVmixDlg::StringGrid1SelectCell(int row, int column) {
  if (editedRow_ < ui_->StringGrid1->rowCount()) {
    if (std::optional<Problem> problem = CheckCell(editedRow_, editedColumn_)) {
      // The bad cell stays selected; the new selection is refused.
      Select(editedRow_, editedColumn_);
      platform::ShowError(problem->BoxText());
      ui_->OKBtn->setEnabled(false);
      return false;
    }
  }
  Select(row, column);
  enableControls();
  return true;
}

void TWAVmixDlg::FileListBox1Change() {
  const std::string file = S(ui_->browser->FileName());
  // Any file the engines read, or one decoded for them.
  const TWAVheader header(file);
  bool readable = header.Found && EngineEncoding(header).has_value();
  if (header.Found && !readable) {
    std::string error;
    readable = SoundFile::OpenRead(file, error).IsOpen();
  }
  ui_->addButton->setEnabled(!run_.Running() && !file.empty() && readable &&
                             !SameFile(file, S(ui_->toFileEdit->text())));
}

void TWAVmixDlg::addButtonClick() {
  const QString file = ui_->browser->FileName();
  if (file.isEmpty()) return;
  if (SameFile(S(file), S(ui_->toFileEdit->text()))) {
    platform::ShowError(kCantOverwriteSource);
    return;
  }
  AppendRow(QFileInfo(file).absoluteFilePath());
  Select(ui_->StringGrid1->rowCount() - 1, kFile);
  enableControls();
}

void TWAVmixDlg::deleteButtonClick() {
  QTableWidget* grid = ui_->StringGrid1;
  if (grid->rowCount() < 2) return;
  const int row = std::max(0, grid->currentRow());
  selecting_ = true;
  grid->removeRow(row);
  selecting_ = false;
  Select(std::min(row, grid->rowCount() - 1), kFile);
  enableControls();
}

void TWAVmixDlg::toFileEditExit() {
  const std::string output = S(ui_->toFileEdit->text());
  bool ok = IsValidFileName(output);
  const QTableWidget* grid = ui_->StringGrid1;
  for (int r = 0; ok && r < grid->rowCount(); ++r) {
    if (SameFile(output, S(grid->item(r, kFile)->text()))) {
      ok = false;
      Select(r, kFile);  // the clashing row becomes the edited cell
    }
  }
  ui_->OKBtn->setEnabled(ok);
  FileListBox1Change();
}

void TWAVmixDlg::enableControls() {
  for (QWidget* w : findChildren<QWidget*>())
    if (qobject_cast<QAbstractButton*>(w) || w->inherits("QLineEdit") || w->inherits("QAbstractItemView") ||
        w->inherits("QComboBox"))
      w->setEnabled(true);
  ui_->DeleteButton->setEnabled(ui_->StringGrid1->rowCount() >= 2);
  FileListBox1Change();
  toFileEditExit();
}

void TWAVmixDlg::disableControls() {
  for (QWidget* w : findChildren<QWidget*>())
    if (w != ui_->CancelBtn && (qobject_cast<QAbstractButton*>(w) || w->inherits("QLineEdit") ||
                                w->inherits("QAbstractItemView") || w->inherits("QComboBox")))
      w->setEnabled(false);
}

void TWAVmixDlg::OKbtnClick() {
  // Every row again: a source may have gone since it was added.
  const QTableWidget* grid = ui_->StringGrid1;
  for (int r = 0; r < grid->rowCount(); ++r)
    for (int c : {kFile, kLeft, kRight})
      if (std::optional<Problem> problem = CheckCell(r, c)) {
        Select(r, c);
        platform::ShowError(problem->BoxText());
        ui_->OKBtn->setEnabled(false);
        return;
      }
  const std::optional<WaveEncoding> format = Format();
  if (!format) {
    platform::ShowError("Illegal sampling rate! (8000 to 192000 Hz)");
    ui_->rateBox->setFocus();
    return;
  }
  std::vector<MixSource> sources = Sources();
  std::vector<std::string> paths;
  // Sources of other containers are decoded into WAV files of their own width first.
  QTemporaryDir decoded;
  for (size_t i = 0; i < sources.size(); ++i) {
    MixSource& s = sources[i];
    paths.push_back(s.path);
    if (EnginesReadAsItIs(s.path)) continue;
    std::string error;
    std::optional<EngineInput> routed;
    if (decoded.isValid()) {
      platform::HourglassCursor hourglass;
      routed = RouteEngineInput(s.path, S(decoded.filePath(QString("source-%1.wav").arg(i))), error);
    } else {
      error = s.path + ": no room for its decoded samples";
    }
    if (!routed) {
      Select(int(i), kFile);
      platform::ShowError(error);
      return;
    }
    s.path = routed->path;
    paths.push_back(s.path);
  }
  const std::string output = S(ui_->toFileEdit->text());
  ops::OutputJob job = WaveOutputJob(output, paths, kCannotOpenMixOutput);
  if (const std::optional<ops::JobOutcome> refused = ops::PrepareOutput(job)) {
    // A refusal is reported; the question's Cancel returns to the grid.
    if (!refused->problem.message.empty()) platform::ShowError(refused->problem.BoxText());
    return;
  }
  {
    RunScope scope(*this, ui_->CancelBtn);
    platform::HourglassCursor hourglass;
    run_.Start();
    outcome_ = ops::RunOutputJob(job, run_.Counters(), [&](const std::string& path, Progress& progress) {
      const MixResult r = MixWavFilesAs(sources, path, *format, progress);
      return WaveWorkResult(output, r.cancelled, r.problem);
    });
    Timer1Timer();
    run_.Stop();
  }
  if (outcome_->end == ops::JobOutcome::End::Failed || outcome_->end == ops::JobOutcome::End::Incomplete)
    platform::ShowError(outcome_->problem.BoxText());
  accept();
}

void TWAVmixDlg::CancelBtnClick() {
  if (!run_.Running()) {
    reject();
    return;
  }
  // The current source stops and no further one is mixed: the grid keeps its first source.
  selecting_ = true;
  ui_->StringGrid1->setRowCount(1);
  selecting_ = false;
  run_.Cancel();
}

void TWAVmixDlg::Timer1Timer() {
  run_.timerTimer();
  // The source being mixed is the selected row.
  const QString item = Q(run_.Counters().item);
  QTableWidget* grid = ui_->StringGrid1;
  for (int r = 0; r < grid->rowCount(); ++r)
    if (grid->item(r, kFile)->text() == item && grid->currentRow() != r) {
      selecting_ = true;
      grid->setCurrentCell(r, kFile);
      selecting_ = false;
    }
}

}  // namespace tonemill::wave
