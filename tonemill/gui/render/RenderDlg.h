// TrenderDlg: converts a MIDI file into an LST song list with the drum Track:Channel pairs the
// user lists, and by its mode stops there ("MID to LST"), makes the samples the list needs
// ("Make WAVs for MID"), or goes on to render the WAV song ("MID to WAV").
#pragma once

#include "tonemill/ops/songchecks.h"
#include "tonemill/render/drumlist.h"
#include "tonemill/render/songrender.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QTableWidget;
namespace Ui {
class RenderDlg;
}

namespace tonemill::ui {
class TContainerBox;
class TrackChannelGrid;
}

namespace tonemill::render {

constexpr int kHelpMidToLst = 5100;
constexpr int kHelpMidToWav = 5200;

class TrenderDlg : public ui::TDialog {
  Q_OBJECT
 public:
  enum class Mode { MidToLst, MidToWav, MakeWavsForMid };
  // The caption names the mode: "MID to LST", "MID to WAV", "Make WAVs for MID".
  TrenderDlg(QWidget* parent, Mode mode);
  ~TrenderDlg() override;

  // What the opener fills in: the files (the WAV file only in "MID to WAV"), the PRG, WAV and
  // DFT directories, and the format and volume of the song.
  void SetFiles(const QString& mid, const QString& lst, const QString& wav);
  void SetDirectories(const QString& prg, const QString& wav, const QString& dft);
  void SetFormat(const SongFormat& format) { format_ = format; }

  Mode GetMode() const { return mode_; }
  const SongFormat& Format() const { return format_; }
  QTableWidget* Grid() const;

 public slots:
  bool MIDfileExit();
  bool LSTfileExit();
  bool WAVfileExit();
  // A drum cell was edited: it is checked as it is left.
  void StringGrid1SelectCell(int row, int column);
  void addButtonClick();
  void deleteButtonClick();
  void OKbuttonClick();

 protected:
  void FormActivate() override;

 private:
  // The MIDI file, the list, and the song in "MID to WAV" (empty otherwise: the WAV field then
  // plays no part).
  ops::SongPaths CurrentPaths() const;
  std::optional<std::string> ClashMessage() const;
  bool MidiIsValid() const;
  void EnableControls();

  std::unique_ptr<Ui::RenderDlg> ui_;
  Mode mode_;
  SongFormat format_;
  // The drum pairs; while a cell holds a bad entry everything but the grid, Cancel and Help
  // waits for it.
  ui::TrackChannelGrid* grid_ = nullptr;
  ui::TContainerBox* containerBox_ = nullptr;  // the song's container, in "MID to WAV"
};

}  // namespace tonemill::render
