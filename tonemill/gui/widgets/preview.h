// What an effect dialog's Preview shares: a button before OK, a file of the dialog's own in the
// Temp directory that the effect is run into, and a player that plays the processed part of it.
// A changed setting stops the playing; the file goes when the dialog closes.
#pragma once

#include "tonemill/gui/widgets/mediaplayer.h"
#include "tonemill/ops/outputjob.h"

#include <QObject>
#include <QString>

#include <cstdint>

class QDialog;
class QPushButton;

namespace tonemill::ui {

class TPreview : public QObject {
  Q_OBJECT
 public:
  explicit TPreview(QObject* parent = nullptr) : QObject(parent) {}
  ~TPreview() override { Remove(); }

  // Puts "Preview" before `ok` in its button row and stops the playing whenever an edit of
  // `dialog` is typed in or one of its check or radio buttons changes.
  QPushButton* AddButton(QDialog& dialog, QPushButton* ok);
  // Where the file goes; the system's temporary directory when none is set.
  void SetDirectory(const QString& directory) { directory_ = directory; }
  // The file's name, chosen on the first call.
  QString File();
  // Plays the part of the file that the effect processed: from the frame `first` to as many frames
  // before its end as the input had after `inputEnd` (an effect may change the length of its
  // range, never of what follows it; `inputFrames` 0 means the same length). False with `error` set when the file cannot be played.
  bool Play(int64_t first, int64_t inputEnd, int64_t inputFrames, QString& error);
  // After the run into the file: its failure shown, nothing after a cancel, otherwise Play.
  void PlayOutcome(const ops::JobOutcome& outcome, int64_t first, int64_t inputEnd, int64_t inputFrames);
  void Stop() { player_.Stop(); }
  // Closes the player and deletes the file.
  void Remove();
  app::TMediaPlayer& Player() { return player_; }
  const QString& Name() const { return file_; }

 private:
  QString directory_, file_;
  app::TMediaPlayer player_;
};

}  // namespace tonemill::ui
