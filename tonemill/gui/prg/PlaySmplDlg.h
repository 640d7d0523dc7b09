// TplaySampleDlg ("Play sample"): one note of an instrument of the PRG editor, chosen by name,
// by octave or on the keyboard, rendered into a WAV file through the song renderer (a one-note
// "Temp.LST" in the Temp directory and the render progress dialog) and played. With "All
// layers" every row whose key range holds the note sounds it, at most six.
#pragma once

#include "tonemill/gui/widgets/mediaplayer.h"
#include "tonemill/prg/prgline.h"
#include "tonemill/prg/sampleplay.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QTemporaryDir;

namespace Ui {
class PlaySmplDlg;
}

namespace tonemill {
struct SongFormat;
}
namespace tonemill::ui {
class FieldExit;
}

namespace tonemill::wave {

class TNumberField;
class TKeys;

constexpr int kHelpSamplePlayer = 1100;

class TplaySampleDlg : public ui::TDialog {
  Q_OBJECT
 public:
  // The WAV and Temp directories, the output file, the note (a key name), the instrument's
  // rows and the selected one.
  TplaySampleDlg(QWidget* parent, const QString& wavDirectory, const QString& tempDirectory,
                 const QString& outputFile, const QString& note, std::vector<PrgLine> rows,
                 size_t row);
  ~TplaySampleDlg() override;

  int Key() const { return key_; }
  PlayedNote Note() const;
  SongFormat Format() const;
  TKeys* Keys() const;
  app::TMediaPlayer& Player() { return player_; }
  // How the render progress dialog is shown; tests replace it.
  std::function<void(QDialog&)> showRender = [](QDialog& d) { d.exec(); };

 public slots:
  bool fileEditExit();
  bool noteEditExit();
  void noteSpinUpClick();
  void noteSpinDownClick();
  void octaveSpinUpClick();
  void octaveSpinDownClick();
  void KeysNoteOn(int note, int velocity);
  void writeButtonClick();
  void playButtonClick();
  void playerNotify(app::TMediaPlayer::Notify notify);

 protected:
  void done(int result) override;

 private:
  class PlayerFront;
  void SetKey(int key);
  bool LeaveFields();
  void EnableFileButtons();
  std::string Output() const;

  std::unique_ptr<Ui::PlaySmplDlg> ui_;
  QString wavDirectory_, tempDirectory_;
  std::vector<PrgLine> rows_;
  size_t row_;
  int key_ = 60;
  ui::FieldExit* noteExit_ = nullptr;
  TNumberField* octave_ = nullptr;
  std::vector<TNumberField*> numbers_;  // duration, attack, pressure, release, modulation
  // The samples of a file the player does not read as it is (another container or width),
  // decoded for playing; it goes after the player that reads it.
  std::unique_ptr<QTemporaryDir> decoded_;
  app::TMediaPlayer player_;
  QLabel* gainLabel_ = nullptr;  // the gain the file is played with
  bool playing_ = false;
};

}  // namespace tonemill::wave
