// Pictures of the WAV workshop for the documentation, taken by scripts/screenshots.sh under a
// virtual X server: the WAV editor with its viewer showing a marked range, and the reverb and
// vocoder dialogs. With --all, every other dialog of the workshop as well (for looking at them).
//   workshop_screenshots OUT_DIR WORK_DIR [--all]
// The effect dialogs keep their patch files beside the settings file (TONEMILL_HOME).
#include "tests/tonemill/gui/app/screenshot_look.h"
#include "tests/support/testfiles.h"
#include "tonemill/gui/app/EditDlg.h"
#include "tonemill/gui/effects/ChorusDlg.h"
#include "tonemill/gui/effects/EchoDlg.h"
#include "tonemill/gui/effects/FlangeDlg.h"
#include "tonemill/gui/effects/ReverbDlg.h"
#include "tonemill/gui/effects/VocodeDlg.h"
#include "tonemill/gui/wave/RangeDlg.h"
#include "tonemill/gui/wave/WAVeditDlg.h"
#include "tonemill/gui/wave/WAVmixDlg.h"
#include "tonemill/gui/wave/WavscanDlg.h"
#include "tonemill/files/soundfile.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>
#include <cstdio>

namespace {

using namespace tonemill;

void Settle() {
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
}

void Save(QWidget& window, const QString& path) {
  Settle();
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  std::printf("screenshot: %s\n", qPrintable(path));
}

// A few seconds of a stereo phrase: notes with an attack and a decay, the right channel an
// octave lower and later, so that both curves and the envelope show.
void WriteSong(const std::string& path, const std::string& wide) {
  const int rate = 22050, frames = rate * 4;
  std::vector<int32_t> samples;
  samples.reserve(size_t(frames) * 2);
  const double notes[] = {440, 494, 523, 587, 659, 587, 523, 494};
  for (int i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const int note = int(t * 2) % 8;
    const double local = std::fmod(t, 0.5);
    const double envelope = std::min(1.0, local * 40) * std::exp(-local * 5);
    const double left = 20000 * envelope * std::sin(2 * M_PI * notes[note] * t);
    const double local2 = std::fmod(t + 0.25, 0.5);
    const double envelope2 = std::min(1.0, local2 * 40) * std::exp(-local2 * 4);
    const double right = 14000 * envelope2 * std::sin(M_PI * notes[(note + 3) % 8] * t);
    samples.push_back(int32_t(left));
    samples.push_back(int32_t(right));
  }
  testing_support::WriteWav(path, {rate, 16, 2}, samples);
  // The same phrase as 24-bit samples at 48 kHz (resampled by picking the nearest frame).
  const int64_t wideFrames = int64_t(frames) * 48000 / rate;
  std::vector<int32_t> top;
  for (int64_t i = 0; i < wideFrames; ++i)
    for (int c = 0; c < 2; ++c) top.push_back(samples[size_t(i * rate / 48000 * 2 + c)] * 65536);
  std::string error;
  SoundFile out = SoundFile::OpenWrite(wide, Container::Wav, {48000, 24, 2}, error);
  if (!out.IsOpen() || !out.Write(top.data(), size_t(wideFrames)) || !out.Close(error)) {
    std::fprintf(stderr, "screenshots: %s\n", error.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  screenshots::ApplyLook();
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT_DIR WORK_DIR [--all]\n", argv[0]);
    return 2;
  }
  const QString out = argv[1], work = argv[2];
  const bool all = argc > 3 && QString(argv[3]) == "--all";
  QDir().mkpath(out);
  QDir().mkpath(work);
  const std::string song = (work + "/song.wav").toStdString();
  const std::string wide = (work + "/song-24bit.wav").toStdString();
  WriteSong(song, wide);
  const QString output = work + "/temp.wav";

  // The editor with its viewer showing a marked range, the two side by side as they stand on
  // the screen.
  const auto shootEditor = [&](wave::TWAVeditDlg& editor, const QString& path) {
    editor.show();
    Settle();
    editor.viewButtonClick();
    wave::TWAViewDlg* viewer = editor.Viewer();
    viewer->resize(900, 460);
    viewer->move(editor.frameGeometry().right() + 10, editor.y());
    Settle();
    viewer->redraw();
    const int w = viewer->findChild<QWidget*>("curves")->width();
    const int h = viewer->findChild<QWidget*>("curves")->height();
    viewer->curvesMouseMove(w * 3 / 10, h / 2);
    viewer->curvesClick(w * 3 / 10, h / 2);
    viewer->curvesMouseMove(w * 55 / 100, h / 3);
    viewer->curvesClick(w * 55 / 100, h / 3);
    viewer->curvesMouseMove(w * 45 / 100, h / 4);
    Settle();
    const QPixmap left = editor.grab(), right = viewer->grab();
    // Grabs are in device pixels; the gap and the places are in logical ones.
    const qreal ratio = left.devicePixelRatio();
    QImage both(left.width() + int(12 * ratio) + right.width(), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    both.setDevicePixelRatio(ratio);
    both.fill(QColor(0x55, 0x6b, 0x7d));
    {
      QPainter p(&both);
      p.drawPixmap(QPointF(0, 0), left);
      p.drawPixmap(QPointF(left.width() / ratio + 12, 0), right);
    }
    if (!both.save(path)) {
      std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
      std::exit(1);
    }
    std::printf("screenshot: %s\n", qPrintable(path));
  };
  wave::TWAVeditDlg editor(nullptr, QString::fromStdString(song), output);
  shootEditor(editor, out + "/wav-editor.png");
  {
    wave::TWAVeditDlg wideEditor(nullptr, QString::fromStdString(wide), output);
    shootEditor(wideEditor, out + "/wav-editor-24bit.png");
  }

  const LaunchValues launch = editor.CurrentLaunch();
  effectdialogs::TreverbDlg reverb(nullptr, launch);
  reverb.show();
  reverb.findChild<QRadioButton*>("hallButton")->click();
  Save(reverb, out + "/reverb-dialog.png");
  reverb.hide();
  effectdialogs::TVocodeDlg vocoder(nullptr, launch);
  vocoder.show();
  Save(vocoder, out + "/vocoder-dialog.png");
  vocoder.hide();
  if (!all) return 0;

  auto shoot = [&](QDialog&& dialog, const char* name) {
    dialog.show();
    Save(dialog, out + "/" + name + ".png");
    dialog.hide();
  };
  shoot(effectdialogs::TechoDlg(nullptr, launch), "echo");
  shoot(effectdialogs::TflangeDlg(nullptr, launch), "flange");
  shoot(effectdialogs::TchorusDlg(nullptr, launch), "chorus");
  for (const char* command : {"compress", "fade", "gate", "gatedcut", "extend", "highpass", "notch", "ring"})
    shoot(wave::TRangeDlg(nullptr, *FindEffect(command), launch), command);
  shoot(wave::TWAVmixDlg(nullptr, launch), "mix");
  Settings settings;
  shoot(app::TEditDlg(nullptr, QString::fromStdString(song), work, work, settings), "edit");
  wave::TWAVscanDlg scan(nullptr);
  scan.fileEdit()->setText(QString::fromStdString(song));
  if (scan.fileOK()) {
    scan.show();
    scan.RunScan();
    Save(scan, out + "/scan.png");
  }
  // The 24-bit phrase as a FLAC file, decoded for the scan.
  const std::string flac = (work + "/phrase.flac").toStdString();
  if (!EncodeSoundFile(wide, flac, Container::Flac)) {
    wave::TWAVscanDlg flacScan(nullptr);
    flacScan.fileEdit()->setText(QString::fromStdString(flac));
    if (flacScan.fileOK()) {
      flacScan.show();
      flacScan.RunScan();
      Save(flacScan, out + "/scan-flac.png");
    }
  }
  return 0;
}
