#include "AboutBox.h"

#include "ui_AboutBox.h"

#include "platform/filesystem.h"
#include "platform/system.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/ops/mainrules.h"
#include "tonemill/gui/widgets/mediaplayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tonemill::app {
namespace {

constexpr int kPictureMs = 2500;

}  // namespace

TAboutBox::TAboutBox(QWidget* parent, const QString& programDirectory,
                     const QString& currentDirectory)
    : TDialog(parent, kHelpAbout), ui_(std::make_unique<Ui::AboutBox>()),
      programDirectory_(programDirectory) {
  ui_->setupUi(this);
  ui_->Version->setText(tr("Version %1").arg(TONEMILL_VERSION));
  if (const auto memory = platform::QueryMemoryStatus()) {
    ui_->FreeRam->setText(QLocale().toString(qulonglong(FreeRamKb(memory->totalPhysical,
                                                                  memory->load))) + " kB");
    ui_->MemLoad->setText(QString::number(memory->load) + "%");
  }
  const QString disk = currentDirectory.isEmpty() ? programDirectory : currentDirectory;
  if (const auto free = platform::FreeDiskBytes(disk.toStdString()))
    ui_->FreeDisk->setText(QLocale().toString(qulonglong(*free / 1048576)) + " MB");
  connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  timer_.setInterval(kPictureMs);
  connect(&timer_, &QTimer::timeout, this, &TAboutBox::TimerTick);
  TimerTick();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::FormActivate() {
  timer_.start();
  const std::string intro = platform::FindFileIgnoringCase(
      (programDirectory_ + "/TMintro.WAV").toStdString());
  if (!QFileInfo::exists(QString::fromStdString(intro))) return;
  // A greeting, not an operation: without a sound device the box simply stays silent.
  intro_ = std::make_unique<TMediaPlayer>();
  QString error;
  if (intro_->Open(QString::fromStdString(intro), error)) intro_->Play();
}

void TAboutBox::TimerTick() {
  picture_ = NextPicture(picture_, QRandomGenerator::global()->generate());
  const qreal scale = devicePixelRatioF();
  QPixmap pixmap(QString(":/pictures/about%1.png").arg(picture_ + 1));
  const int side = fontMetrics().height() * 6;
  pixmap = pixmap.scaled(QSize(side, side) * scale, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  pixmap.setDevicePixelRatio(scale);
  ui_->ProgramIcon->setPixmap(pixmap);
}

}  // namespace tonemill::app
