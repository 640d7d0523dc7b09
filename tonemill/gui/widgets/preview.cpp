#include "preview.h"

#include "platform/messages.h"
#include "tonemill/ops/playback.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace tonemill::ui {
namespace {

// The box layout under `layout` that holds `widget`, and its index there.
QBoxLayout* BoxHolding(QLayout* layout, QWidget* widget, int& index) {
  if (!layout) return nullptr;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget) {
      index = i;
      return qobject_cast<QBoxLayout*>(layout);
    }
    if (QBoxLayout* inner = BoxHolding(item->layout(), widget, index)) return inner;
  }
  return nullptr;
}

}  // namespace

QPushButton* TPreview::AddButton(QDialog& dialog, QPushButton* ok) {
  auto* button = new QPushButton(tr("Preview"), ok->parentWidget());
  button->setObjectName("PreviewBtn");
  button->setToolTip(tr("Plays the effect on the first 10 seconds of the selection"));
  int at = 0;
  if (QBoxLayout* row = BoxHolding(dialog.layout(), ok, at)) row->insertWidget(at, button);
  for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
    connect(edit, &QLineEdit::textEdited, this, &TPreview::Stop);
  for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
    if (b->isCheckable()) connect(b, &QAbstractButton::toggled, this, &TPreview::Stop);
  return button;
}

QString TPreview::File() {
  if (file_.isEmpty()) {
    const QString directory = directory_.isEmpty() ? QDir::tempPath() : directory_;
    file_ = QDir(directory).filePath(
        QString("preview-%1-%2.wav").arg(QCoreApplication::applicationPid()).arg(quintptr(this), 0, 16));
  }
  return file_;
}

void TPreview::PlayOutcome(const ops::JobOutcome& outcome, int64_t first, int64_t inputEnd,
                           int64_t inputFrames) {
  if (outcome.end == ops::JobOutcome::End::Failed) {
    platform::ShowError(outcome.problem.BoxText());
    return;
  }
  if (outcome.end == ops::JobOutcome::End::Cancelled) return;
  if (QString error; !Play(first, inputEnd, inputFrames, error)) platform::ShowError(error.toStdString());
}

bool TPreview::Play(int64_t first, int64_t inputEnd, int64_t inputFrames, QString& error) {
  // A file wider than the sound device takes is heard through a 16-bit copy of the same frames.
  QString played = File();
  if (ops::NeedsDecoding(played.toStdString())) {
    played = File() + ".16.wav";
    if (const std::optional<Problem> problem = ops::DecodeForPlaying(File().toStdString(), played.toStdString())) {
      error = QString::fromStdString(problem->BoxText());
      return false;
    }
  }
  if (!player_.Open(played, error)) return false;
  const int64_t end =
      inputFrames > 0 ? player_.Length() - std::max<int64_t>(0, inputFrames - inputEnd) : inputEnd;
  player_.Seek(first);
  if (player_.Play(std::max(first, end))) return true;
  error = player_.ErrorText();
  return false;
}

void TPreview::Remove() {
  player_.Close();
  if (file_.isEmpty()) return;
  QFile::remove(file_);
  QFile::remove(file_ + ".16.wav");
}

}  // namespace tonemill::ui
