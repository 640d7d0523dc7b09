#include "VocodeDlg.h"

#include "ui_VocodeDlg.h"

#include "platform/messages.h"
#include "tonemill/files/wavheader.h"

#include <QHeaderView>

namespace tonemill::effectdialogs {
namespace {

const char* const kBandRows[5] = {"Center, Hz (ctl)", "Width,  Hz (ctl)", "Center, Hz (car)",
                                  "Width,  Hz (car)", "Weight"};

// The band table's columns of the patch grid, after the row's.
QStringList BandHeaders() {
  QStringList headers;
  const char* short_[5] = {"Ctl centre", "Ctl width", "Car centre", "Car width", "Weight"};
  for (const char* what : short_)
    for (int b = 1; b <= 32; ++b) headers << QString("%1 %2").arg(what).arg(b);
  return headers;
}

}  // namespace

TVocodeDlg::TVocodeDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Vocoder, launch), ui_(std::make_unique<Ui::VocodeDlg>()) {
  ui_->setupUi(this);
  BindCommon(ui_->StringGrid2, BandHeaders());
  QTableWidget* bands = ui_->StringGrid1;
  bands->setRowCount(5);
  bands->setColumnCount(32);
  QStringList rows, columns;
  for (const char* r : kBandRows) rows << r;
  for (int b = 1; b <= 32; ++b) columns << QString::number(b);
  bands->setVerticalHeaderLabels(rows);
  bands->setHorizontalHeaderLabels(columns);
  bands->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  bands->setCornerButtonEnabled(false);
  connect(bands, &QTableWidget::cellChanged, this, &TVocodeDlg::BandCellChanged);
  connect(ui_->equidistantBtn, &QPushButton::clicked, this, &TVocodeDlg::equidistantBtnClick);
  ui_->controlBrowser->Start(QString::fromStdString(launch.input));
}

TVocodeDlg::~TVocodeDlg() = default;

void TVocodeDlg::ShowExtras() {
  fillingBands_ = true;
  for (int b = 0; b < 32 && size_t(b) < fields_.bands.size(); ++b)
    for (int r = 0; r < 5; ++r)
      ui_->StringGrid1->setItem(r, b, new QTableWidgetItem(QString::fromStdString(fields_.bands[size_t(b)][size_t(r)])));
  fillingBands_ = false;
}

void TVocodeDlg::BandCellChanged(int row, int column) {
  if (fillingBands_) return;
  const std::string text = ui_->StringGrid1->item(row, column)->text().toStdString();
  if (std::optional<Problem> problem = SetBandCell(fields_, size_t(column), size_t(row), text))
    platform::ShowError(problem->BoxText());
  ShowExtras();  // the value as kept, or the one before a refused edit
}

void TVocodeDlg::equidistantBtnClick() {
  if (Field(vocoder::kBands) && !Field(vocoder::kBands)->Leave()) return;
  MakeEquidistant(fields_);
  ShowExtras();
}

std::optional<Problem> TVocodeDlg::PrepareJob(EffectJob& job) {
  job.controlFile = ui_->controlBrowser->FileName().toStdString();
  job.normalize = ui_->normBox->isChecked();
  if (!TWAVheader(job.controlFile).Valid)
    return Problem("Error reading control file " + job.controlFile + "!", job.controlFile);
  return std::nullopt;
}

}  // namespace tonemill::effectdialogs
