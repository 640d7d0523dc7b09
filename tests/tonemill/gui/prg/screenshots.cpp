// Pictures of the PRG editor, the sample player with its keyboard and the MIDI track editor for
// the documentation, taken by scripts/screenshots.sh under a virtual X server. The driver writes
// a small instrument of its own (three layers with comments, synthetic samples) to work on.
//   instruments_screenshots OUT_DIR WORK_DIR
#include "tests/tonemill/gui/app/screenshot_look.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tonemill/gui/midi/MIDeditDlg.h"
#include "tonemill/gui/prg/PRGeditDlg.h"
#include "tonemill/gui/prg/Keyboard.h"
#include "tonemill/gui/prg/PlaySmplDlg.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

using namespace tonemill;
namespace ts = testing_support;

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

// A decaying tone of a second at the key's pitch.
void WriteSample(const std::string& path, int key) {
  const int rate = 44100;
  const double frequency = 440.0 * std::pow(2.0, (key - 57) / 12.0);
  std::vector<int32_t> samples(rate);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = int32_t(12000 * std::exp(-3.0 * double(i) / rate) *
                         std::sin(2 * M_PI * frequency * double(i) / rate));
  ts::WriteWav(path, {rate, 16, 1}, samples);
}

std::string Layer(const char* range, const char* wav, const char* base, const char* pan,
                  const char* loopStart, const char* loopEnd) {
  ts::PrgFields f;
  f.range = range;
  f.wav = wav;
  f.base = base;
  f.pan = pan;
  f.end = "22049";
  f.loopStart = loopStart;
  f.loopEnd = loopEnd;
  return f.Line() + "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  screenshots::ApplyLook();
  if (argc < 3) {
    std::fprintf(stderr, "usage: instruments_screenshots OUT_DIR WORK_DIR\n");
    return 2;
  }
  const QString out = argv[1];
  const std::string work = std::string(argv[2]) + "/instrument";
  for (const char* d : {"PRG", "WAV", "Temp"}) std::filesystem::create_directories(work + "/" + d);
  WriteSample(work + "/WAV/PIANOLO.WAV", 36);
  WriteSample(work + "/WAV/PIANOMID.WAV", 60);
  WriteSample(work + "/WAV/PIANOHI.WAV", 84);
  const std::string prg = work + "/PRG/0.PRG";
  ts::WriteText(prg, "# Acoustic piano, three layers\r\n# recorded at mezzo forte\r\n" +
                         Layer("c0-b3", "PIANOLO", "c3", "60", "-1", "-1") +
                         Layer("c4-b5", "PIANOMID", "c5", "64", "-1", "-1") +
                         "# the top layer loops its tail\r\n" +
                         Layer("c6-g10", "PIANOHI", "c7", "68", "11025", "22049"));

  // The PRG editor with the pan of the first layer selected: its comments below the table.
  prg::TPRGeditDlg editor(nullptr, QString::fromStdString(prg), QString::fromStdString(work + "/WAV/"),
                          QString::fromStdString(work + "/Temp/"));
  if (!editor.Load()) return 1;
  editor.resize(980, 470);
  editor.show();
  editor.activateWindow();
  if (!QTest::qWaitForWindowActive(&editor)) std::fprintf(stderr, "screenshots: editor not active\n");
  Settle();
  editor.Grid()->setFocus();
  editor.Grid()->setCurrentCell(0, 4);
  Save(editor, out + "/prg-editor.png");

  // The sample player on that layer, a key held down on the keyboard.
  std::vector<PrgLine> rows;
  for (const PrgRow& r : editor.Document().rows) rows.push_back(LineOfRow(r));
  wave::TplaySampleDlg player(&editor, QString::fromStdString(work + "/WAV/"),
                              QString::fromStdString(work + "/Temp/"),
                              QString::fromStdString(work + "/Temp/Temp.WAV"), "c4", rows, 1);
  player.show();
  Settle();
  wave::TKeys* keys = player.Keys();
  const QRect e4 = keys->KeyRect(keys->BaseOctave() * 12 + 16);
  QTest::mousePress(keys, Qt::LeftButton, {}, e4.center() + QPoint(0, e4.height() / 3));
  Save(player, out + "/sample-player.png");
  QTest::mouseRelease(keys, Qt::LeftButton, {}, e4.center());
  player.close();

  // The MIDI track editor with two pairs.
  ts::MidiTrack track;
  track.NoteOn(0, 1, 60, 100).NoteOff(96, 1, 60).EndOfTrack();
  ts::WriteBytes(work + "/song.mid", ts::MidiFile(0, 96, {track}));
  midi::TMIDeditDlg tracks(nullptr, QString::fromStdString(work + "/song.mid"),
                           QString::fromStdString(work + "/temp.mid"));
  tracks.show();
  Settle();
  tracks.addButtonClick();
  tracks.Grid()->item(1, 0)->setText("ALL");
  tracks.Grid()->item(1, 1)->setText("10");
  Save(tracks, out + "/mid-editor.png");
  return 0;
}
