#include "EffectDlg.h"

#include "tonemill/effects/catalog.h"
#include "tonemill/gui/widgets/SpinButton.h"
#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/numbers.h"
#include "tonemill/ops/targets.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace tonemill::effectdialogs {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TEffectDlg::TEffectDlg(QWidget* parent, EffectKind kind, const LaunchValues& launch)
    : TDialog(parent, EffectOf(kind).helpContext), kind_(kind), launch_(launch), run_(nullptr, this) {
  fields_ = FieldsFromPatch(kind, DefaultPatch(LayoutOf(kind)), launch);
}

void TEffectDlg::BindCommon(QTableWidget* grid, const QStringList& moreHeaders) {
  grid_ = grid;
  ok_ = findChild<QPushButton*>("OKBtn");
  cancel_ = findChild<QPushButton*>("CancelBtn");
  remove_ = findChild<QPushButton*>("removeBtn");
  update_ = findChild<QPushButton*>("updateBtn");
  run_.SetGauge(findChild<QProgressBar*>("gauge"));
  connect(ok_, &QPushButton::clicked, this, &TEffectDlg::OKbtnClick);
  connect(cancel_, &QPushButton::clicked, this, &TEffectDlg::CancelBtnClick);
  connect(findChild<QPushButton*>("HelpBtn"), &QPushButton::clicked, this, &TEffectDlg::HelpBtnClick);
  connect(findChild<QPushButton*>("addBtn"), &QPushButton::clicked, this, &TEffectDlg::addBtnClick);
  connect(remove_, &QPushButton::clicked, this, &TEffectDlg::removeBtnClick);
  connect(update_, &QPushButton::clicked, this, &TEffectDlg::updateBtnClick);
  connect(preview_.AddButton(*this, ok_), &QPushButton::clicked, this, &TEffectDlg::PreviewBtnClick);
  // Enter in an edit runs its check; it does not press OK.
  wave::NoDefaultButton(this);
  for (const char* name : {"fromFile", "toFile"}) findChild<QLabel*>(name)->setVisible(false);
  findChild<QLabel*>("fromFile")->setText(Q(launch_.input));
  findChild<QLabel*>("toFile")->setText(Q(launch_.output));

  // The row's headers in column order, then the form's own.
  const EffectEntry& effect = EffectOf(kind_);
  std::map<size_t, QString> rowHeaders;
  for (const EffectField& f : effect.fields)
    if (f.kind == FieldKind::Number && f.header) rowHeaders[f.column] = QString::fromUtf8(f.header);
  QStringList headers{"Name"};
  for (const auto& [column, header] : rowHeaders) headers << header;
  headers << moreHeaders;
  grid_->setColumnCount(int(headers.size()));
  grid_->setHorizontalHeaderLabels(headers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->setVisible(false);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(grid_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previousRow, int) {
            if (!filling_ && row != previousRow && row >= 0) StringGrid1SelectCell(row);
          });
  connect(grid_, &QTableWidget::itemChanged, this, &TEffectDlg::CellChanged);

  for (const EffectField& f : effect.fields) {
    if (f.kind != FieldKind::Number || !f.control) continue;
    const QString control = QString::fromUtf8(f.control);
    AddField(f.column, findChild<QLineEdit*>(control + "Edit"), findChild<TSpinButton*>(control + "Spin"),
             f.unit == FieldUnit::Time ? findChild<QLabel*>(control + "Unit") : nullptr, f.step);
  }
}

void TEffectDlg::AddField(size_t column, QLineEdit* edit, TSpinButton* spin, QLabel* unit, double step) {
  auto* field = new wave::TNumberField(edit, spin, [this, column](const std::string& text, std::string& shown) {
    EffectFields probe = fields_;
    if (std::optional<Problem> problem = SetField(probe, column, text, launch_)) return problem;
    shown = FieldText(probe, column, launch_);
    return std::optional<Problem>();
  }, step);
  connect(field, &wave::TNumberField::Changed, this, [this, column, field] {
    fields_.values[column] = field->Value();
    StopPreview();
  });
  numberFields_[column] = field;
  if (unit) unit->setText(launch_.msMode ? "ms" : "samples");
}

wave::TNumberField* TEffectDlg::Field(size_t column) const {
  const auto it = numberFields_.find(column);
  return it == numberFields_.end() ? nullptr : it->second;
}

void TEffectDlg::ShowFields() {
  for (const auto& [column, field] : numberFields_) field->SetText(Q(FieldText(fields_, column, launch_)));
  ShowExtras();
}

void TEffectDlg::FormActivate() {
  const PatchLayout& layout = LayoutOf(kind_);
  std::vector<Patch> patches;
  Problem problem;
  if (!ReadPatches(PatchFilePath(kind_), layout, patches, problem)) {
    platform::ShowError(problem.BoxText());
    patches = {DefaultPatch(layout)};
  }
  read_ = patches;
  filling_ = true;
  grid_->setRowCount(0);
  rows_.clear();
  for (const Patch& p : patches) {
    grid_->insertRow(grid_->rowCount());
    rows_.push_back(p);
    SetRow(grid_->rowCount() - 1, p);
  }
  filling_ = false;
  grid_->setCurrentCell(0, 0);
  StringGrid1SelectCell(0);
}

void TEffectDlg::SetRow(int row, const Patch& patch) {
  const bool wasFilling = filling_;
  filling_ = true;
  QStringList texts{Q(patch.name)};
  for (const std::string& v : patch.values) texts << Q(v);
  // A band table goes column-wise: every band's first value, then every band's second, ...
  const size_t bandColumns = LayoutOf(kind_).bandColumns.size();
  for (size_t c = 0; c < bandColumns; ++c)
    for (const auto& band : patch.bands) texts << Q(band.at(c));
  for (int c = 0; c < texts.size() && c < grid_->columnCount(); ++c) {
    auto* item = new QTableWidgetItem(texts[c]);
    // The first patch is protected.
    if (row == 0) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(row, c, item);
  }
  rows_[size_t(row)] = patch;
  filling_ = wasFilling;
}

Patch TEffectDlg::RowPatch(int row) const { return rows_.at(size_t(row)); }

std::vector<Patch> TEffectDlg::GridPatches() const { return rows_; }

std::optional<Problem> TEffectDlg::CheckCell(int column, const std::string& text, std::string& shown) const {
  const PatchLayout& layout = LayoutOf(kind_);
  const size_t values = layout.columns.size();
  if (column == 0) {
    if (text.find_first_not_of(" _") == std::string::npos) return Problem("Illegal patch name!");
    shown = text;
    return std::nullopt;
  }
  if (size_t(column) <= values) {
    const size_t c = size_t(column) - 1;
    if (auto problem = CheckPatchCell(kind_, c, text, launch_)) return problem;
    shown = layout.columns[c].keepText ? text : ColumnText(layout.columns[c], *ParseReal(text));
    return std::nullopt;
  }
  const PatchColumn& band = layout.bandColumns.at((size_t(column) - 1 - values) / size_t(layout.bandLines));
  if (!ColumnAccepts(band, text)) return Problem(band.message);
  shown = band.keepText ? text : ColumnText(band, *ParseReal(text));
  return std::nullopt;
}

void TEffectDlg::CellChanged(QTableWidgetItem* item) {
  if (filling_) return;
  const int row = item->row(), column = item->column();
  Patch patch = rows_.at(size_t(row));
  std::string shown;
  if (std::optional<Problem> problem = CheckCell(column, item->text().toStdString(), shown)) {
    platform::ShowError(problem->BoxText());
    SetRow(row, patch);  // the cell's text before the edit
    return;
  }
  const PatchLayout& layout = LayoutOf(kind_);
  const size_t values = layout.columns.size();
  if (column == 0) {
    patch.name = shown;
  } else if (size_t(column) <= values) {
    patch.values[size_t(column) - 1] = shown;
  } else {
    const size_t index = size_t(column) - 1 - values, lines = size_t(layout.bandLines);
    patch.bands.at(index % lines).at(index / lines) = shown;
  }
  SetRow(row, patch);
  if (row == grid_->currentRow()) StringGrid1SelectCell(row);
}

void TEffectDlg::StringGrid1SelectCell(int row) {
  if (row < 0 || row >= grid_->rowCount()) return;
  StopPreview();
  fields_ = FieldsFromPatch(kind_, RowPatch(row), launch_);
  ShowFields();
  EnableRowButtons();
}

void TEffectDlg::EnableRowButtons() {
  const int row = grid_->currentRow();
  remove_->setEnabled(row > 0 && grid_->rowCount() >= 2);
  update_->setEnabled(row > 0);
}

void TEffectDlg::addBtnClick() {
  for (const auto& [column, field] : numberFields_)
    if (!field->Leave()) return;
  if (!TakeExtras()) return;
  const int row = grid_->rowCount();
  grid_->insertRow(row);
  rows_.push_back(PatchFromFields(fields_, "New", launch_));
  SetRow(row, rows_.back());
  grid_->setCurrentCell(row, 0);
  EnableRowButtons();
}

void TEffectDlg::removeBtnClick() {
  const int row = grid_->currentRow();
  if (row <= 0 || grid_->rowCount() < 2) return;
  filling_ = true;
  grid_->removeRow(row);
  rows_.erase(rows_.begin() + row);
  filling_ = false;
  const int next = std::min(row, grid_->rowCount() - 1);
  grid_->setCurrentCell(next, 0);
  StringGrid1SelectCell(next);
}

void TEffectDlg::updateBtnClick() {
  const int row = grid_->currentRow();
  if (row <= 0) return;
  for (const auto& [column, field] : numberFields_)
    if (!field->Leave()) return;
  if (!TakeExtras()) return;
  const Patch current = PatchFromFields(fields_, rows_[size_t(row)].name, launch_);
  SetRow(row, current);
}

std::optional<EffectJob> TEffectDlg::CurrentJob() {
  for (const auto& [column, field] : numberFields_)
    if (!field->Leave()) return std::nullopt;
  if (!TakeExtras()) return std::nullopt;
  EffectJob job;
  job.kind = kind_;
  job.launch = launch_;
  job.fields = fields_;
  job.keep = keep_;
  if (std::optional<Problem> problem = PrepareJob(job)) {
    platform::ShowError(problem->BoxText());
    return std::nullopt;
  }
  return job;
}

void TEffectDlg::OKbtnClick() {
  std::optional<EffectJob> current = CurrentJob();
  if (!current) return;
  StopPreview();
  EffectJob& job = *current;
  // The patch list is kept whatever follows: this dialog's additions, updates and removals, over
  // whatever others saved since it was read.
  if (Problem problem;
      !ApplyPatchChange(PatchFilePath(kind_), LayoutOf(kind_), ChangeBetween(read_, rows_), problem))
    platform::ShowError(problem.BoxText());
  ops::OutputJob output = EffectOutputJob(job);
  if (const std::optional<ops::JobOutcome> refused = ops::PrepareOutput(output)) {
    // A refusal returns to the fields; the question's Cancel closes the dialog.
    if (refused->problem.message.empty()) reject();
    else platform::ShowError(refused->problem.BoxText());
    return;
  }
  job.overwrite = output.overwrite;
  {
    RunScope scope(*this, cancel_);
    platform::HourglassCursor hourglass;
    run_.Start();
    outcome_ = RunEffect(job, run_.Counters(), &wave::TOperationRun::Pump, nullptr);
    run_.timerTimer();
    run_.Stop();
  }
  if (outcome_->end == ops::JobOutcome::End::Failed) platform::ShowError(outcome_->problem.BoxText());
  accept();
}

void TEffectDlg::PreviewBtnClick() {
  std::optional<EffectJob> current = CurrentJob();
  if (!current) return;
  StopPreview();
  const EffectPreview preview = PreviewOf(*current, preview_.File().toStdString());
  if (std::optional<Problem> problem = CheckEffectJob(preview.job)) {
    platform::ShowError(problem->BoxText());
    return;
  }
  std::optional<ops::JobOutcome> outcome;
  {
    RunScope scope(*this, cancel_);
    platform::HourglassCursor hourglass;
    run_.Start();
    outcome = RunEffect(preview.job, run_.Counters(), &wave::TOperationRun::Pump, nullptr);
    run_.timerTimer();
    run_.Stop();
  }
  preview_.PlayOutcome(*outcome, preview.firstFrame, preview.endFrame, launch_.totalFrames);
}

void TEffectDlg::StopPreview() { preview_.Stop(); }

void TEffectDlg::done(int result) {
  preview_.Remove();
  TDialog::done(result);
}

void TEffectDlg::CancelBtnClick() {
  if (run_.Running())
    run_.Cancel();
  else
    reject();
}

}  // namespace tonemill::effectdialogs
