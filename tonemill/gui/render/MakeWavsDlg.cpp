#include "MakeWavsDlg.h"

#include "ui_MakeWavsDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "platform/qt/pump.h"
#include "tonemill/ops/dftconvert.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/render/provisioning.h"

#include <QApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QTableWidget>

namespace tonemill::render {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The normal cursor while the dialog waits for the user inside a check that shows the hourglass.
class ArrowWhileWaiting {
 public:
  ArrowWhileWaiting() : active_(QApplication::overrideCursor() != nullptr) {
    if (active_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileWaiting() {
    if (active_) QApplication::restoreOverrideCursor();
  }
  ArrowWhileWaiting(const ArrowWhileWaiting&) = delete;
  ArrowWhileWaiting& operator=(const ArrowWhileWaiting&) = delete;

 private:
  bool active_;
};

}  // namespace

TmakeWAVsDlg::TmakeWAVsDlg(QWidget* parent, SampleList& list, Progress& progress)
    : TDialog(parent, kHelpMakeWavs),
      ui_(std::make_unique<Ui::MakeWavsDlg>()),
      list_(&list),
      progress_(&progress) {
  Init();
}

TmakeWAVsDlg::TmakeWAVsDlg(QWidget* parent, const QString& prgDirectory,
                           const QString& wavDirectory, const QString& dftDirectory)
    : TDialog(parent, kHelpMakeWavs),
      ui_(std::make_unique<Ui::MakeWavsDlg>()),
      ownList_(std::make_unique<SampleList>(wavDirectory.toStdString(), dftDirectory.toStdString())),
      ownProgress_(std::make_unique<Progress>()),
      list_(ownList_.get()),
      progress_(ownProgress_.get()) {
  Init();
  ui_->PRGdir->setText(prgDirectory);
  ui_->WAVdir->setText(wavDirectory);
  ui_->DFTdir->setText(dftDirectory);
}

TmakeWAVsDlg::~TmakeWAVsDlg() = default;

void TmakeWAVsDlg::Init() {
  ui_->setupUi(this);
  // The third column says why a row is "Yes" or "No".
  ui_->StringGrid1->setHorizontalHeaderLabels({tr("Make"), tr("File"), tr("Why")});
  ui_->StringGrid1->installEventFilter(this);
  connect(ui_->StringGrid1, &QTableWidget::cellClicked, this, &TmakeWAVsDlg::StringGrid1Click);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &TmakeWAVsDlg::OKBtnClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &TmakeWAVsDlg::CancelBtnClick);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TmakeWAVsDlg::HelpBtnClick);
  FillGrid();
}

QTableWidget* TmakeWAVsDlg::Grid() const { return ui_->StringGrid1; }

void TmakeWAVsDlg::FillGrid() {
  const std::vector<SampleRow>& rows = list_->Rows();
  ui_->StringGrid1->setRowCount(int(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    auto* make = new QTableWidgetItem(rows[i].make ? tr("Yes") : tr("No"));
    auto* file = new QTableWidgetItem(Q(rows[i].name));
    auto* why = new QTableWidgetItem(Q(ops::SampleRowReason(rows[i])));
    for (QTableWidgetItem* item : {make, file, why}) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    ui_->StringGrid1->setItem(int(i), 0, make);
    ui_->StringGrid1->setItem(int(i), 1, file);
    ui_->StringGrid1->setItem(int(i), 2, why);
  }
  // Room for "Yes" and "No" with the header's margins, and rows as tall as a line of text.
  ui_->StringGrid1->setColumnWidth(0, fontMetrics().horizontalAdvance(tr("Make")) * 2);
  ui_->StringGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

bool TmakeWAVsDlg::loadPRG(const QStringList& names) {
  std::vector<std::string> files;
  for (const QString& name : names) files.push_back(name.toStdString());
  std::optional<Problem> problem;
  {
    platform::HourglassCursor hourglass;
    problem = LoadPrgSamples(files, ui_->PRGdir->text().toStdString(), *list_);
  }
  FillGrid();
  if (!problem) return true;
  platform::ShowError(problem->BoxText());
  return false;
}

void TmakeWAVsDlg::StringGrid1Click(int row, int column) {
  if (Running() || column != 0 || row < 0 || row >= int(list_->Rows().size())) return;
  list_->Toggle(size_t(row));
  const SampleRow& sample = list_->Rows()[size_t(row)];
  ui_->StringGrid1->item(row, 0)->setText(sample.make ? tr("Yes") : tr("No"));
  ui_->StringGrid1->item(row, 2)->setText(Q(ops::SampleRowReason(sample)));
}

bool TmakeWAVsDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->StringGrid1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      StringGrid1Click(ui_->StringGrid1->currentRow(), ui_->StringGrid1->currentColumn());
      return true;  // Enter toggles; it does not press OK
    }
  }
  return TDialog::eventFilter(watched, event);
}

void TmakeWAVsDlg::MakePump(void* context) {
  auto* dialog = static_cast<TmakeWAVsDlg*>(context);
  const int row = dialog->progress_->done;
  if (row >= 0 && row < dialog->ui_->StringGrid1->rowCount()) {
    dialog->ui_->StringGrid1->setCurrentCell(row, 0);
    dialog->ui_->StringGrid1->scrollToItem(dialog->ui_->StringGrid1->item(row, 0));
  }
  platform::ProcessPendingEvents(nullptr);
  emit dialog->Pumped();
}

void TmakeWAVsDlg::OKBtnClick() {
  if (Running()) return;
  {
    RunScope run(*this, ui_->CancelBtn);
    progress_->pump = &TmakeWAVsDlg::MakePump;
    progress_->pumpContext = this;
    // A Cancel pressed before OK has already closed the dialog.
    outcome_ = MakeSamples(*list_, *progress_, ops::DftSampleConversion());
    outcome_.cancelled = outcome_.cancelled || cancelled_;
    progress_->pump = nullptr;
    progress_->pumpContext = nullptr;
  }
  if (cancelled_)
    reject();
  else
    accept();
}

void TmakeWAVsDlg::CancelBtnClick() {
  cancelled_ = true;
  outcome_.cancelled = true;
  if (Running()) {
    progress_->Cancel();  // the loop stops before the next sample
    return;
  }
  reject();
}

void MakeSamplesWithDialog(QWidget* parent, ops::SampleMaking& making) {
  making.make = [parent](SampleList& list, Progress& progress) {
    ArrowWhileWaiting arrow;
    TmakeWAVsDlg dialog(parent, list, progress);
    dialog.exec();
    return dialog.Outcome();
  };
}

void ShowSampleProblem(const Problem& problem, const ops::SampleMaking& making) {
  if (making.cancelled) return;  // the user's Cancel needs no message
  const bool missing = problem.message == kSamplesMissingMessage;
  platform::Show({missing ? platform::MessageKind::Information : platform::MessageKind::Error,
                  platform::Buttons::Ok, platform::Topic::Notice, problem.BoxText()});
}

}  // namespace tonemill::render
