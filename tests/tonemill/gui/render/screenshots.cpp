// Pictures of the song dialogs for the documentation, taken by scripts/screenshots.sh under a
// virtual X server: the Convert dialog, the render dialog, the render progress dialog in the
// middle of a render of the demo song, and the Make WAVs dialog.
//   songdialogs_screenshots OUT_DIR HOME_DIR PRG_DIR WAV_DIR SONG.mid
#include "tests/tonemill/gui/app/screenshot_look.h"
#include "tonemill/gui/render/ConvertDlg.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/gui/render/MakeWavsDlg.h"
#include "tonemill/gui/render/RendStatDlg.h"
#include "tonemill/gui/render/RenderDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>

namespace {

using namespace tonemill;

std::string S(const QString& s) { return s.toStdString(); }

void Save(QWidget& window, const QString& path) {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  std::printf("screenshot: %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  screenshots::ApplyLook();
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s OUT_DIR HOME_DIR PRG_DIR WAV_DIR SONG.mid\n", argv[0]);
    return 2;
  }
  const QString out = argv[1], home = argv[2], prg = argv[3], wav = argv[4];
  QDir().mkpath(out);
  for (const char* d : {"MID", "LST", "Song", "WAV", "DFT", "Temp"}) QDir(home).mkpath(d);
  const QString mid = home + "/MID/demo.mid";
  QFile::remove(mid);
  if (!QFile::copy(argv[5], mid)) return 1;
  const ops::ConversionDirectories directories{S(home + "/MID"), S(home + "/LST"), S(home + "/Song"),
                                               S(prg), S(wav), S(home + "/DFT")};

  app::TConvertDlg convert(nullptr, mid, directories, ops::Conversion::MidToWav);
  convert.show();
  Save(convert, out + "/convert-dialog.png");
  convert.hide();

  render::TrenderDlg renderDialog(nullptr, render::TrenderDlg::Mode::MidToWav);
  renderDialog.SetFiles(mid, home + "/LST/demo.lst", home + "/Song/demo.wav");
  renderDialog.SetDirectories(prg, wav, home + "/DFT");
  renderDialog.show();
  renderDialog.addButtonClick();
  renderDialog.Grid()->item(1, 0)->setText("2");
  renderDialog.Grid()->item(1, 1)->setText("16");
  Save(renderDialog, out + "/render-dialog.png");
  renderDialog.hide();

  // The progress dialog while it renders the demo song: the picture is taken from its pump once
  // about two fifths of the list are done, then the render is cancelled.
  const std::string lst = S(home + "/LST/demo.lst");
  ops::ConvertedList converted;
  if (auto problem = ops::ConvertSong(S(mid), lst, S(prg), {{-1, 10}}, converted)) {
    std::fprintf(stderr, "screenshots: %s\n", problem->Text().c_str());
    return 1;
  }
  Problem problem;
  if (!converted.file.Commit(Overwrite::Replace, problem)) return 1;
  SongFormat format;
  render::TstatDlg status(nullptr, QString::fromStdString(lst), home + "/Song/demo.wav", wav,
                          format, Overwrite::Replace);
  bool taken = false;
  QObject::connect(&status, &render::TstatDlg::Pumped, &status, [&] {
    const SongProgress& p = status.RenderProgress();
    if (taken || p.counters.done * 5 < p.counters.total * 2) return;
    taken = true;
    status.timerTimer();
    Save(status, out + "/render-progress.png");
    status.CancelBtnClick();
  });
  status.show();
  QApplication::processEvents();  // the render starts right after the show
  status.hide();
  if (!taken) {
    std::fprintf(stderr, "screenshots: the render ended before the picture\n");
    return 1;
  }

  render::TmakeWAVsDlg makeWavs(nullptr, prg, home + "/WAV", home + "/DFT");
  if (!makeWavs.loadPRG({"0.PRG", "25.PRG", "33.PRG", "D0.PRG"})) return 1;
  for (int row = 0; row < makeWavs.Grid()->rowCount(); row += 3) makeWavs.StringGrid1Click(row, 0);
  makeWavs.show();
  Save(makeWavs, out + "/make-wavs.png");
  return 0;
}
