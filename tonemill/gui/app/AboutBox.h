// The About box: free memory, memory load and free disk space; "TMintro.WAV" from the program
// directory played when it is there; one of nine pictures at a time, never the same twice in
// a row.
#pragma once

#include "tonemill/gui/widgets/dialog.h"

#include <QTimer>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace tonemill::app {

class TMediaPlayer;

class TAboutBox : public ui::TDialog {
  Q_OBJECT
 public:
  TAboutBox(QWidget* parent, const QString& programDirectory, const QString& currentDirectory);
  ~TAboutBox() override;

  int Picture() const { return picture_; }

 public slots:
  void TimerTick();

 protected:
  void FormActivate() override;

 private:
  std::unique_ptr<Ui::AboutBox> ui_;
  QString programDirectory_;
  QTimer timer_;
  int picture_ = -1;
  std::unique_ptr<TMediaPlayer> intro_;
};

}  // namespace tonemill::app
