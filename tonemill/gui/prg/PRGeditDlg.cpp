#include "PRGeditDlg.h"

#include "ui_PRGeditDlg.h"

#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/paths.h"
#include "platform/filesystem.h"
#include "tonemill/gui/widgets/NumberField.h"
#include "tonemill/gui/prg/PlaySmplDlg.h"
#include "tonemill/gui/wave/WaviewDlg.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

namespace tonemill::prg {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

std::vector<std::string> Lines(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(S(line));
  return lines;
}

QString Text(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& l : lines) list << Q(l);
  return list.join('\n');
}

}  // namespace

TPRGeditDlg::TPRGeditDlg(QWidget* parent, const QString& prgFile, const QString& wavDirectory,
                         const QString& tempDirectory)
    : TDialog(parent, kHelpPrgEditor),
      ui_(std::make_unique<Ui::PRGeditDlg>()),
      prgFile_(prgFile),
      wavDirectory_(wavDirectory),
      tempDirectory_(tempDirectory) {
  ui_->setupUi(this);
  // Enter in a field or the table checks it and nothing more.
  wave::NoDefaultButton(this);
  ui_->PRGdir->setText(prgFile);
  ui_->PRGdir->setToolTip(prgFile);
  ui_->WAVdir->setText(wavDirectory);
  auto* temp = new QLabel(tempDirectory, this);
  temp->setObjectName("tempDir");
  temp->hide();

  QTableWidget* grid = ui_->StringGrid1;
  grid->setColumnCount(kPrgColumns);
  for (int c = 0; c < kPrgColumns; ++c)
    grid->setHorizontalHeaderItem(c, new QTableWidgetItem(ColumnHeader(c)));
  // The two fixed cells in a fixed-pitch font, so that the markers line up.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  grid->verticalHeader()->setFont(fixed);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid->verticalHeader()->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance("> # ") + 8);

  connect(grid, &QTableWidget::cellChanged, this, &TPRGeditDlg::StringGrid1SetEditText);
  connect(grid, &QTableWidget::currentCellChanged, this,
          [this](int row, int column, int, int) { StringGrid1SelectCell(row, column); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    // A message box or another window taking the focus is not the user moving on.
    if (!now || now->window() != this) return;
    if (old == ui_->Memo1 && now != ui_->Memo1) Memo1Exit();
    if (now == ui_->Memo1)
      Memo1Enter();
    else
      ShowExplanation();
  });
  connect(ui_->sampleButton, &QPushButton::clicked, this, &TPRGeditDlg::sampleButtonClick);
  connect(ui_->controllerButton, &QPushButton::clicked, this, &TPRGeditDlg::controllerButtonClick);
  connect(ui_->envelopeButton, &QPushButton::clicked, this, &TPRGeditDlg::envelopeButtonClick);
  connect(ui_->insertButton, &QPushButton::clicked, this, &TPRGeditDlg::insertButtonClick);
  connect(ui_->AddButton, &QPushButton::clicked, this, &TPRGeditDlg::AddButtonClick);
  connect(ui_->deleteButton, &QPushButton::clicked, this, &TPRGeditDlg::deleteButtonClick);
  connect(ui_->copyBtn, &QPushButton::clicked, this, &TPRGeditDlg::copyBtnClick);
  connect(ui_->playButton, &QPushButton::clicked, this, &TPRGeditDlg::playButtonClick);
  connect(ui_->viewButton, &QPushButton::clicked, this, &TPRGeditDlg::viewButtonClick);
  connect(ui_->OKbutton, &QPushButton::clicked, this, &TPRGeditDlg::OKbuttonClick);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->HelpBtn, &QPushButton::clicked, this, &TPRGeditDlg::HelpBtnClick);
  for (QAbstractButton* b : {ui_->allBtn, ui_->sameBaseNoteBtn, ui_->sameNoteBtn})
    connect(b, &QAbstractButton::toggled, this, [this] { EnableControls(); });
}

TPRGeditDlg::~TPRGeditDlg() {
  // The viewer goes before the form it reports to.
  delete viewer_.data();
}

QTableWidget* TPRGeditDlg::Grid() const { return ui_->StringGrid1; }
wave::TWAViewDlg* TPRGeditDlg::Viewer() const { return viewer_; }

bool TPRGeditDlg::Load() {
  PrgDocumentLoad load;
  {
    platform::HourglassCursor hourglass;
    load = LoadPrgDocument(S(prgFile_), S(wavDirectory_));
  }
  if (!load.loaded) {
    if (!load.message.empty()) platform::ShowError(load.message);
    return false;
  }
  document_ = std::move(load.document);
  FillGrid();
  SelectCell(0, 0);
  return true;
}

void TPRGeditDlg::FormActivate() {
  ui_->StringGrid1->setFocus();
  SelectCell(0, 0);
  ShowExplanation();
}

void TPRGeditDlg::FillGrid() {
  filling_ = true;
  QTableWidget* grid = ui_->StringGrid1;
  grid->setRowCount(int(document_.rows.size()));
  for (int r = 0; r < grid->rowCount(); ++r)
    for (int c = 0; c < kPrgColumns; ++c) {
      auto* item = new QTableWidgetItem(Q(document_.rows[size_t(r)].cells[size_t(c)]));
      if (!ColumnIsEditable(c)) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
      grid->setItem(r, c, item);
    }
  // Eight pixels per character of the header, and never less than the header or a value needs.
  const QFontMetrics headerMetrics = grid->horizontalHeader()->fontMetrics(), metrics = grid->fontMetrics();
  for (int c = 0; c < kPrgColumns; ++c) {
    const QString header = ColumnHeader(c);
    int width = std::max(8 * int(header.size()), headerMetrics.horizontalAdvance(header) + 12);
    for (int r = 0; r < grid->rowCount(); ++r)
      width = std::max(width, metrics.horizontalAdvance(grid->item(r, c)->text()) + 12);
    grid->setColumnWidth(c, width);
  }
  filling_ = false;
  ShowMarkers();
}

void TPRGeditDlg::ShowRow(int row) {
  filling_ = true;
  for (int c = 0; c < kPrgColumns; ++c)
    if (QTableWidgetItem* item = ui_->StringGrid1->item(row, c))
      item->setText(Q(document_.rows[size_t(row)].cells[size_t(c)]));
  filling_ = false;
}

QString TPRGeditDlg::RowMarker(int row) const {
  return row == CurrentRow() ? QStringLiteral("> ") : QString();
}

QString TPRGeditDlg::CommentMarker(int row) const {
  return row >= 0 && size_t(row) < document_.rows.size() && !document_.rows[size_t(row)].comments.empty()
             ? QStringLiteral("# ")
             : QString();
}

void TPRGeditDlg::ShowMarkers() {
  QTableWidget* grid = ui_->StringGrid1;
  for (int r = 0; r < grid->rowCount(); ++r) {
    const QString marker = (RowMarker(r).isEmpty() ? QStringLiteral("  ") : RowMarker(r)) +
                           (CommentMarker(r).isEmpty() ? QStringLiteral("  ") : CommentMarker(r));
    QTableWidgetItem* header = grid->verticalHeaderItem(r);
    if (!header) grid->setVerticalHeaderItem(r, header = new QTableWidgetItem);
    header->setText(marker);
  }
}

int TPRGeditDlg::CurrentRow() const { return ui_->StringGrid1->currentRow(); }
int TPRGeditDlg::CurrentColumn() const { return ui_->StringGrid1->currentColumn(); }

void TPRGeditDlg::SelectCell(int row, int column) {
  if (row < 0 || row >= ui_->StringGrid1->rowCount()) return;
  ui_->StringGrid1->setCurrentCell(row, column);
  StringGrid1SelectCell(row, column);
}

void TPRGeditDlg::ShowExplanation() {
  QWidget* focus = QApplication::focusWidget();
  const bool tableFocused = focus && (focus == ui_->StringGrid1 || ui_->StringGrid1->isAncestorOf(focus));
  const int column = CurrentColumn();
  ui_->Label4->setText(tableFocused && column >= 0 ? ColumnExplanation(column) : kNoSelectionText);
}

void TPRGeditDlg::StringGrid1SelectCell(int row, int column) {
  // A bad entry keeps its cell selected until it is corrected.
  if (badCell_ && std::pair(row, column) != *badCell_) {
    QMetaObject::invokeMethod(
        this, [this] { if (badCell_) ui_->StringGrid1->setCurrentCell(badCell_->first, badCell_->second); },
        Qt::QueuedConnection);
    return;
  }
  if (row != memoRow_) {
    CommitMemo();
    memoRow_ = row;
    ui_->Memo1->setPlainText(row >= 0 ? Text(document_.rows[size_t(row)].comments) : QString());
    ui_->Memo1->document()->setModified(false);
  }
  ShowMarkers();
  ShowExplanation();
  EnableControls();
  (void)column;
}

void TPRGeditDlg::StringGrid1SetEditText(int row, int column) {
  QTableWidgetItem* item = ui_->StringGrid1->item(row, column);
  if (filling_ || !item || row < 0 || size_t(row) >= document_.rows.size()) return;
  const CellEdit edit = EditCell(document_.rows[size_t(row)], column, S(item->text()), S(wavDirectory_));
  if (!edit.message.empty()) {
    badCell_ = std::pair(row, column);
    EnableControls();
    ui_->StringGrid1->setCurrentCell(row, column);
    platform::ShowError(edit.message);
    return;
  }
  if (badCell_ == std::pair(row, column)) badCell_.reset();
  document_.rows[size_t(row)] = edit.row;
  ShowRow(row);
  EnableControls();
}

void TPRGeditDlg::Memo1Enter() { ui_->Label4->setText(kCommentFieldText); }

void TPRGeditDlg::Memo1Exit() {
  CommitMemo();
  ShowExplanation();
}

void TPRGeditDlg::CommitMemo() {
  if (!ui_->Memo1->document()->isModified() || memoRow_ < 0 ||
      size_t(memoRow_) >= document_.rows.size())
    return;
  // An empty memo removes the comments and the marker.
  document_.rows[size_t(memoRow_)].comments = Lines(ui_->Memo1->toPlainText());
  ui_->Memo1->document()->setModified(false);
  ShowMarkers();
}

void TPRGeditDlg::ScrollTo(PrgField field) {
  QTableWidget* grid = ui_->StringGrid1;
  grid->horizontalScrollBar()->setValue(grid->horizontalHeader()->sectionPosition(ColumnOfField(field)));
}

void TPRGeditDlg::sampleButtonClick() { ScrollTo(PrgField::KeyRange); }
void TPRGeditDlg::controllerButtonClick() { ScrollTo(PrgField::VelocitySens); }
void TPRGeditDlg::envelopeButtonClick() { ScrollTo(PrgField::Attack); }

void TPRGeditDlg::EnableControls() {
  const bool free = !badCell_;
  const int column = CurrentColumn();
  const bool viewing = !viewer_.isNull();
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui_->Memo1, ui_->sampleButton, ui_->controllerButton, ui_->envelopeButton,
           ui_->insertButton, ui_->AddButton, ui_->allBtn, ui_->sameBaseNoteBtn, ui_->sameNoteBtn,
           ui_->playButton, ui_->OKbutton})
    w->setEnabled(free);
  ui_->deleteButton->setEnabled(free && ui_->StringGrid1->rowCount() > 1);
  ui_->copyBtn->setEnabled(free && column >= 0 && CopyAllowed(column) &&
                           ui_->StringGrid1->rowCount() > 1);
  ui_->viewButton->setText(viewing ? tr("&Import value") : tr("&View sample"));
  ui_->viewButton->setEnabled(free && (!viewing || (column >= 0 && ImportAllowed(column))));
}

void TPRGeditDlg::insertButtonClick() {
  const int row = CurrentRow();
  if (badCell_ || row < 0) return;
  CommitMemo();
  document_.rows.insert(document_.rows.begin() + row + 1, document_.rows[size_t(row)]);
  FillGrid();
  SelectCell(row, ColumnOfField(PrgField::KeyRange));
}

void TPRGeditDlg::AddButtonClick() {
  const int row = CurrentRow();
  if (badCell_ || row < 0) return;
  CommitMemo();
  document_.rows.insert(document_.rows.begin() + row + 1, document_.rows[size_t(row)]);
  FillGrid();
  memoRow_ = -1;  // the new row shows its own copy of the comments
  SelectCell(row + 1, ColumnOfField(PrgField::KeyRange));
}

void TPRGeditDlg::deleteButtonClick() {
  const int row = CurrentRow();
  if (badCell_ || row < 0 || document_.rows.size() < 2) return;
  const int column = std::max(0, CurrentColumn());
  document_.rows.erase(document_.rows.begin() + row);
  memoRow_ = -1;  // its comments go with it
  ui_->Memo1->document()->setModified(false);
  FillGrid();
  SelectCell(std::min(row, int(document_.rows.size()) - 1), column);
}

void TPRGeditDlg::copyBtnClick() {
  const int row = CurrentRow(), column = CurrentColumn();
  if (badCell_ || row < 0 || column < 0 || !CopyAllowed(column)) return;
  const CopyTargets targets = ui_->allBtn->isChecked()       ? CopyTargets::All
                              : ui_->sameNoteBtn->isChecked() ? CopyTargets::SameKey
                                                              : CopyTargets::SameBaseKey;
  std::string message;
  {
    platform::HourglassCursor hourglass;
    message = CopyCell(document_, size_t(row), column, targets, S(wavDirectory_));
  }
  if (!message.empty()) {
    platform::ShowError(message);
    return;
  }
  for (int r = 0; r < ui_->StringGrid1->rowCount(); ++r) ShowRow(r);
}

void TPRGeditDlg::playButtonClick() {
  const int row = CurrentRow();
  if (badCell_ || row < 0) return;
  PrgDocument single;
  single.rows = {document_.rows[size_t(row)]};
  if (const std::optional<IncompleteCell> incomplete = FirstIncompleteCell(single);
      incomplete || single.rows[0].Empty()) {
    platform::ShowError(incomplete ? incomplete->message : "Error reading Key range!");
    return;
  }
  std::vector<PrgLine> lines;
  for (const PrgRow& r : document_.rows) lines.push_back(LineOfRow(r));
  const QString output = Q(WithBackslash(S(tempDirectory_)) + "Temp.WAV");
  wave::TplaySampleDlg player(this, wavDirectory_, tempDirectory_, output,
                              Q(KeyName(lines[size_t(row)].keyLow)), lines, size_t(row));
  showPlayer(player);
}

void TPRGeditDlg::viewButtonClick() {
  if (viewer_) {
    Import();
    return;
  }
  const int row = CurrentRow();
  if (badCell_ || row < 0) return;
  const std::string name = document_.rows[size_t(row)].Cell(PrgField::WavFile);
  if (name.empty()) {
    platform::ShowError("Key range " + document_.rows[size_t(row)].Cell(PrgField::KeyRange) +
                        ". Error reading WAV filename: ");
    return;
  }
  // The viewer counts in samples, the unit of the positions it gives.
  auto* viewer = new wave::TWAViewDlg(this, false);
  if (!viewer->loadFile(Q(platform::FindFileIgnoringCase(SampleFileName(S(wavDirectory_), name)))))
    return;  // it closes itself
  viewer_ = viewer;
  // Its OK (or any close) turns the button back into "View sample".
  QPushButton* button = ui_->viewButton;  // the button itself, which may outlive ui_
  connect(viewer, &QObject::destroyed, button, [button] {
    button->setText(tr("&View sample"));
    button->setEnabled(true);
  });
  viewer->show();
  EnableControls();
}

void TPRGeditDlg::Import() {
  const int row = CurrentRow(), column = CurrentColumn();
  if (!viewer_ || badCell_ || row < 0 || !ImportAllowed(column)) return;
  const std::optional<std::pair<double, double>> range = viewer_->MarkedRange();
  if (!range) {
    platform::ShowError("Nothing is marked in WAView!");
    return;
  }
  std::string message;
  const std::optional<std::string> text = ImportedText(
      column, range->first, range->second, viewer_->MsMode(), viewer_->FramesPerMs(), message);
  if (!text) {
    platform::ShowError(message);
    return;
  }
  // Checked as a typed value is when its cell is left.
  ui_->StringGrid1->item(row, column)->setText(Q(*text));
}

void TPRGeditDlg::OKbuttonClick() {
  if (badCell_) return;
  CommitMemo();
  if (const std::optional<IncompleteCell> incomplete = FirstIncompleteCell(document_)) {
    SelectCell(int(incomplete->row), incomplete->column);
    platform::ShowError(incomplete->message);
    return;
  }
  if (const std::optional<Problem> problem = SavePrgDocument(S(prgFile_), document_)) {
    platform::ShowError(problem->BoxText());
    return;
  }
  accept();
}

void TPRGeditDlg::done(int result) {
  if (viewer_) viewer_->close();  // Cancel and OK take the viewer along
  TDialog::done(result);
}

}  // namespace tonemill::prg
