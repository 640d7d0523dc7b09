// The song pipeline's dialogs driven through their slots on the offscreen platform: Convert,
// render, render progress and Make WAVs, and the main window's operations that open them.
// Questions are answered by script; dialogs opened modally inside a handler are answered by a
// driver that acts on the active modal window.
#include "platform/messages.h"
#include "platform/qt/help.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tests/tonemill/gui/app/qttesting.h"
#include "tonemill/gui/render/ConvertDlg.h"
#include "tonemill/gui/widgets/ExtFileListBox.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/ops/conversion.h"
#include "tonemill/gui/render/MakeWavsDlg.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/gui/widgets/containerbox.h"
#include "tonemill/gui/render/RendStatDlg.h"
#include "tonemill/gui/render/RenderDlg.h"
#include "tonemill/gui/render/songfront.h"
#include "tonemill/ops/dftconvert.h"

#include <QApplication>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>

using platform::Answer;
using qttesting::Answers;
using qttesting::Child;
using qttesting::Enabled;
using qttesting::Q;
using qttesting::Text;
using tonemill::Overwrite;
using tonemill::SongFormat;
using tonemill::ops::Conversion;
using tonemill::render::TmakeWAVsDlg;
using tonemill::render::TrenderDlg;
using tonemill::render::TstatDlg;
namespace fs = std::filesystem;
namespace ts = testing_support;

namespace {

// Acts on the modal windows that handlers open, in order: each step is offered the active
// modal window until it returns true. Clicks are queued so that a window they open runs in
// the event loop rather than inside the driver. Windows still open after the time limit are
// rejected, so that a test fails instead of hanging.
class ModalDriver : public QObject {
 public:
  using Step = std::function<bool(QWidget&)>;
  explicit ModalDriver(std::initializer_list<Step> steps) : steps_(steps) {
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(5);
    clock_.start();
  }
  bool Finished() const { return steps_.empty() && !timedOut_; }

 private:
  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (clock_.elapsed() > 20000) {
      timedOut_ = true;
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    if (!steps_.empty() && steps_.front()(*modal)) steps_.pop_front();
  }
  std::deque<Step> steps_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool timedOut_ = false;
};

void QueueClick(QWidget& window, const char* button) {
  QMetaObject::invokeMethod(Child<QPushButton>(window, button), "click", Qt::QueuedConnection);
}
// Clicks `button` of the window named `window` once it is enabled.
ModalDriver::Step Click(const char* window, const char* button) {
  return [=](QWidget& w) {
    if (w.objectName() != window || !Child<QPushButton>(w, button)->isEnabled()) return false;
    QueueClick(w, button);
    return true;
  };
}
// Looks at the window named `window`, then closes it with Cancel.
ModalDriver::Step Inspect(const char* window, std::function<void(QWidget&)> look) {
  return [=](QWidget& w) {
    if (w.objectName() != window) return false;
    look(w);
    QMetaObject::invokeMethod(&w, "reject", Qt::QueuedConnection);
    return true;
  };
}

const std::string kInstrument = "TONE 60 64 64 0 0 0 0 2 0 0 1.00 1.00 0.00 -1.00 0 0 0 2000 -1 -1 ";

// A song list of one instrument and two notes: lines 1 duration, 2 "{", 3 instrument, 4 "[",
// 5 note, 6-7 events, 8 "]", 9 "[", 10 note, 11-12 events, 13 "]", 14 "}".
std::string TwoNoteList(const std::string& firstNote = "60") {
  return "200\r\n{\r\n" + kInstrument + "\r\n[\r\n" + firstNote +
         "\r\n0 ON 100\r\n50 OFF 64\r\n]\r\n[\r\n62\r\n60 ON 100\r\n120 OFF 64\r\n]\r\n}\r\n";
}

// The working directories with an instrument (5.PRG playing TONE.WAV) and a song for it.
struct Studio {
  Studio() {
    for (const char* d : {"MID", "LST", "Song", "PRG", "WAV", "DFT", "Temp"})
      fs::create_directories(Dir(d));
    ts::PrgFields fields;
    fields.wav = "TONE";
    ts::WriteText(Dir("PRG") + "/5.PRG", fields.Line() + "\r\n");
    ts::WriteWav(Dir("WAV") + "/TONE.WAV", {22050, 16, 1}, Tone());
  }
  std::string Dir(const std::string& name) const { return home.File(name); }
  std::string File(const std::string& dir, const std::string& name) const {
    return Dir(dir) + "/" + name;
  }
  static std::vector<int32_t> Tone(int seed = 1) {
    std::vector<int32_t> tone;
    for (int i = 0; i < 2205; ++i) tone.push_back(((i * seed) % 50 - 25) * 500);
    return tone;
  }
  std::string Song(const std::string& name, int format = 0) const {
    ts::MidiTrack track;
    track.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60).EndOfTrack();
    const std::string path = File("MID", name);
    ts::WriteBytes(path, ts::MidiFile(format, 480, {track}));
    return path;
  }
  std::string List(const std::string& name, const std::string& text) const {
    ts::WriteText(File("LST", name), text);
    return File("LST", name);
  }
  // A sample kept only as a DFT file (made through the library from a WAV file).
  std::vector<uint8_t> DftOnly(const std::string& name, int seed) const {
    const std::string wav = File("Temp", name + ".wav");
    ts::WriteWav(wav, {22050, 16, 1}, Tone(seed));
    const auto made = tonemill::ops::RunDftConversion(tonemill::DftEntry::WavToDft, wav,
                                                      File("DFT", name + ".DFT"), Overwrite::Replace);
    if (made.end != tonemill::ops::JobOutcome::End::Done) qFatal("no DFT file");
    return ts::ReadBytes(wav);
  }
  tonemill::ops::ConversionDirectories Directories() const {
    return {Dir("MID"), Dir("LST"), Dir("Song"), Dir("PRG"), Dir("WAV"), Dir("DFT")};
  }
  ts::TempDir home;
};

// Shows the progress dialog and lets it render, as it does right after its first show.
void Run(TstatDlg& dialog) {
  dialog.show();
  QCoreApplication::processEvents();
}

SongFormat Format(int rate, int bits, int channels, double volume = 1.0) {
  SongFormat f;
  f.rate = rate;
  f.bits = bits;
  f.channels = channels;
  f.volume = tonemill::Real48::FromDouble(volume);
  return f;
}

}  // namespace

class SongDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void convertProposalsAndControls();
  void convertVolumeField();
  void convertNeverTargetsTheSource();
  void convertMid1To0AndDft();
  void convertRendersThroughTheRenderDialogs();
  void convertOffersTheNewOutputs();
  void drumGridChecksEachCell();
  void renderDialogChecksAndQuestions();
  void progressDialogEnds();
  void progressDialogCancels();
  void makeWavsDialog();
  void sampleCheckBeforeRender();
  void mainWindowOperations();
};

// The targets and which conversions render are the rules' (ops/conversion); the dialog shows
// the proposal of the operation chosen and its WAV controls only where they apply.
void SongDialogsTest::convertProposalsAndControls() {
  Studio s;
  const std::string mid = s.Song("Piano.Take2.mid");
  tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::MidToWav);
  QCOMPARE(Text(dialog, "toFile"), Q(s.File("Song", "piano.wav")));
  QCOMPARE(Text(dialog, "songDir"), Q(s.Dir("Song")));
  const char* wavControls[] = {"elevenButton", "twentytwoButton", "fourtyfourButton", "eightButton",
                               "sixteenButton", "monoButton", "stereoButton", "volumeEdit",
                               "volumeUp", "volumeDown"};
  for (Conversion conversion : {Conversion::MidToLst, Conversion::LstToWav, Conversion::Mid1To0,
                                Conversion::WavToDft, Conversion::DftToWav, Conversion::MidToWav}) {
    dialog.OperationClick(int(conversion));
    QVERIFY(dialog.OperationButton(conversion)->isChecked());
    QCOMPARE(Text(dialog, "toFile"),
             Q(tonemill::ops::ProposedConversionTarget(conversion, mid, s.Directories())));
    for (const char* control : wavControls)
      QCOMPARE(Enabled(dialog, control), tonemill::ops::RendersSong(conversion));
  }
  // Made larger, it keeps its height and its choices their width.
  dialog.show();
  dialog.resize(dialog.width() + 300, dialog.height());
  QCoreApplication::processEvents();
  const QSize before = dialog.size();
  const int volume = Child(dialog, "volumeGroup")->width();
  dialog.resize(before.width() + 400, before.height() + 300);
  QCoreApplication::processEvents();
  QCOMPARE(dialog.height(), before.height());
  QCOMPARE(Child(dialog, "volumeGroup")->width(), volume);
  const SongFormat format = dialog.Format();
  QCOMPARE(format.rate, 44100);
  QCOMPARE(format.bits, 16);
  QCOMPARE(format.channels, 2);
  // Every help context of the song dialogs has its topic.
  for (int context : {tonemill::app::kHelpConvert, tonemill::render::kHelpMidToLst,
                      tonemill::render::kHelpMidToWav, tonemill::render::kHelpRenderStatus,
                      tonemill::render::kHelpMakeWavs})
    QVERIFY2(platform::HelpTopicExists(context), qPrintable(QString::number(context)));
}

// The texts and steps are the rules' (ops/conversion); the field keeps the value it shows and
// puts the text before a bad one back.
void SongDialogsTest::convertVolumeField() {
  Studio s;
  tonemill::app::TConvertDlg dialog(nullptr, Q(s.Song("song.mid")), s.Directories(),
                                    Conversion::MidToWav);
  auto* volume = Child<QLineEdit>(dialog, "volumeEdit");
  QCOMPARE(volume->text(), QString("1.0"));
  Answers answers;
  const struct {
    const char* typed;
    const char* shown;
    double kept;
  } typed[] = {{"1.25", "1.3", 1.3}, {"100", "1.3", 1.3}, {"abc", "1.3", 1.3}};
  for (const auto& t : typed) {
    volume->setText(t.typed);
    dialog.volumeEditExit();
    QCOMPARE(volume->text(), QString(t.shown));
    QCOMPARE(dialog.Format().volume.bytes, tonemill::Real48::FromDouble(t.kept).bytes);
  }
  QCOMPARE(answers.Texts(), QStringList({"Illegal volume value!", "Illegal volume value!"}));
  dialog.volumeButtonUpClick();
  QCOMPARE(volume->text(), QString("1.4"));
  QCOMPARE(dialog.Format().volume.bytes, tonemill::Real48::FromDouble(1.4).bytes);
  volume->setText("0.0");
  dialog.volumeEditExit();
  dialog.volumeButtonDownClick();  // not below 0
  QCOMPARE(volume->text(), QString("0.0"));
  QCOMPARE(answers.Texts().size(), 2);
}

void SongDialogsTest::convertNeverTargetsTheSource() {
  Studio s;
  // "MID 1 to 0" of a name of eight characters ending in 0 proposes the source itself.
  const std::string mid = s.Song("abcdefg0.mid");
  {
    Answers answers;
    tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::Mid1To0);
    dialog.show();
    QCOMPARE(answers.Texts(), QStringList("Can't overwrite source file!"));
    QVERIFY(!Enabled(dialog, "OKBtn"));
    // Another operation proposes another target; coming back checks again.
    dialog.OperationClick(int(Conversion::MidToLst));
    QVERIFY(Enabled(dialog, "OKBtn"));
    dialog.OperationClick(int(Conversion::Mid1To0));
    QCOMPARE(answers.Texts().size(), 2);
    QVERIFY(!Enabled(dialog, "OKBtn"));
  }
  // A target that is the source under another name (a hard link) is refused too, and OK
  // refuses it even when the field was never left.
  const std::string link = s.File("Song", "link.mid");
  fs::create_hard_link(mid, link);
  const auto before = ts::ReadBytes(mid);
  Answers answers;
  tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::Mid1To0);
  Child<QLineEdit>(dialog, "toFile")->setText(Q(link));
  QVERIFY(!dialog.toFileExit());
  Child<QLineEdit>(dialog, "toFile")->setText(Q(link));
  dialog.OKBtnClick();
  QCOMPARE(answers.Texts(), QStringList({"Can't overwrite source file!", "Can't overwrite source file!"}));
  QCOMPARE(ts::ReadBytes(mid), before);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  // A missing source.
  Child<QLineEdit>(dialog, "fromFile")->setText(Q(s.File("MID", "gone.mid")));
  QVERIFY(!dialog.fromFileExit());
  QVERIFY(answers.Texts().last().startsWith("File not found!"));
  QVERIFY(!Enabled(dialog, "OKBtn"));
}

void SongDialogsTest::convertMid1To0AndDft() {
  Studio s;
  const std::string mid = s.Song("song.mid", 1);
  const std::string target = s.File("MID", "song0.mid");
  ts::WriteText(target, "old");
  {
    // Cancel to the overwrite question: nothing written, the dialog stays.
    Answers answers({Answer::Cancel});
    tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::Mid1To0);
    dialog.show();
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList("Existing file " + Q(target) + " will be overwritten!"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(ts::ReadBytes(target), std::vector<uint8_t>({'o', 'l', 'd'}));
    answers.messages = platform::ScriptedMessages({Answer::Ok});
    dialog.OKBtnClick();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(ts::ReadBytes(target)[9], uint8_t(0));  // format 0
  }
  // WAV to DFT and back gives the sample byte for byte.
  const std::string wav = s.File("WAV", "TONE.WAV");
  const auto original = ts::ReadBytes(wav);
  {
    Answers answers;
    tonemill::app::TConvertDlg dialog(nullptr, Q(wav), s.Directories(), Conversion::WavToDft);
    dialog.OKBtnClick();
    QVERIFY(answers.Texts().isEmpty());
  }
  const std::string dft = s.File("DFT", "tone.dft");
  QVERIFY(fs::exists(dft));
  {
    Answers answers({Answer::Ok});
    tonemill::app::TConvertDlg dialog(nullptr, Q(dft), s.Directories(), Conversion::DftToWav);
    QCOMPARE(Text(dialog, "toFile"), Q(s.File("WAV", "tone.wav")));
    dialog.OKBtnClick();
    QCOMPARE(ts::ReadBytes(s.File("WAV", "tone.wav")), original);
  }
  // A failed conversion: its message, the dialog stays open with Cancel live again.
  const std::string junk = s.File("DFT", "junk.dft");
  ts::WriteText(junk, "not a DFT file at all");
  Answers answers;
  tonemill::app::TConvertDlg dialog(nullptr, Q(junk), s.Directories(), Conversion::DftToWav);
  dialog.show();
  dialog.OKBtnClick();
  QCOMPARE(answers.Texts(), QStringList("File " + Q(junk) + " is not DFT."));
  QVERIFY(dialog.isVisible());
  QVERIFY(Enabled(dialog, "CancelBtn"));
  QVERIFY(!fs::exists(s.File("WAV", "junk.wav")));
}

void SongDialogsTest::convertRendersThroughTheRenderDialogs() {
  Studio s;
  const std::string mid = s.Song("Song.mid");
  {
    // MID to LST: the render dialog in its mode writes the list, nothing else.
    Answers answers;
    QString caption, wavField;
    bool wavEnabled = true;
    ModalDriver driver({[&](QWidget& w) {
      if (w.objectName() != "renderDlg") return false;
      caption = w.windowTitle();
      wavField = Text(w, "WAVfile");
      wavEnabled = Enabled(w, "WAVfile");
      QueueClick(w, "OKbutton");
      return true;
    }});
    tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::MidToLst);
    dialog.OKBtnClick();
    QVERIFY(driver.Finished());
    QCOMPARE(caption, QString("MID to LST"));
    QVERIFY(wavField.isEmpty() && !wavEnabled);
    QVERIFY2(answers.Texts().isEmpty(), qPrintable(answers.Texts().join("; ")));
    QVERIFY(fs::exists(s.File("LST", "song.lst")));
    QVERIFY(fs::is_empty(s.Dir("Song")));
  }
  {
    // MID to WAV at 22050 Hz, 8 bits, mono: the list in the LST directory under the target's
    // name, the song in the format chosen, the progress dialog ending with "Done".
    Answers answers;
    QString status;
    ModalDriver driver({Click("renderDlg", "OKbutton"), [&](QWidget& w) {
                          if (w.objectName() != "statDlg" || !Enabled(w, "OKBtn")) return false;
                          status = Text(w, "status");
                          QueueClick(w, "OKBtn");
                          return true;
                        }});
    tonemill::app::TConvertDlg dialog(nullptr, Q(mid), s.Directories(), Conversion::MidToWav);
    Child<QLineEdit>(dialog, "toFile")->setText(Q(s.File("Song", "Take.WAV")));
    Child<QRadioButton>(dialog, "twentytwoButton")->setChecked(true);
    Child<QRadioButton>(dialog, "eightButton")->setChecked(true);
    Child<QRadioButton>(dialog, "monoButton")->setChecked(true);
    dialog.OKBtnClick();
    QVERIFY(driver.Finished());
    QVERIFY2(answers.Texts().isEmpty(), qPrintable(answers.Texts().join("; ")));
    QCOMPARE(status, QString("Done"));
    QVERIFY(fs::exists(s.File("LST", "take.lst")));
    const ts::WavData song = ts::ReadWav(s.File("Song", "Take.WAV"));
    QCOMPARE(song.rate, 22050);
    QCOMPARE(song.bits, 8);
    QCOMPARE(song.channels, 1);
  }
  // LST to WAV asks before replacing the song, then renders the list as it is.
  const std::string lst = s.List("two.lst", TwoNoteList());
  const std::string wav = s.File("Song", "two.wav");
  ts::WriteText(wav, "old");
  {
    Answers answers({Answer::Cancel});
    tonemill::app::TConvertDlg dialog(nullptr, Q(lst), s.Directories(), Conversion::LstToWav);
    dialog.show();
    dialog.OKBtnClick();
    QVERIFY(dialog.isVisible());
    QCOMPARE(ts::ReadBytes(wav).size(), size_t(3));
  }
  Answers answers({Answer::Ok});
  ModalDriver driver({Click("statDlg", "OKBtn")});
  tonemill::app::TConvertDlg dialog(nullptr, Q(lst), s.Directories(), Conversion::LstToWav);
  dialog.OKBtnClick();
  QVERIFY(driver.Finished());
  QCOMPARE(answers.Texts(), QStringList("Existing file " + Q(wav) + " will be overwritten!"));
  QCOMPARE(ts::ReadWav(wav).rate, 44100);
}

// The song in another container, at any rate from 8000 to 192000 Hz and in 24 bits or float:
// the box beside the name sets its extension; a rate, an extension or a container's limit that
// will not do keeps the dialog open with its message and writes nothing.
void SongDialogsTest::convertOffersTheNewOutputs() {
  Studio s;
  const std::string lst = s.List("two.lst", TwoNoteList());
  const struct {
    const char* container;  // chosen in the box, or typed as the name's extension
    const char* rate;       // typed into the rate box; empty: 44100
    const char* bits;
    const char* message;    // the start of the message, or empty when it renders
    int storedBits;
  } cases[] = {
      {"FLAC", "48000", "twentyfourButton", "", 24},
      {"WAV", "96000", "floatButton", "", 32},
      {"AIFF", "", "sixteenButton", "", 16},
      {"WAV", "7000", "sixteenButton", "The sample rate must be", 0},
      {".xyz", "", "sixteenButton", "", 0},
      {"Opus", "", "sixteenButton", "", 0},
  };
  int n = 0;
  for (const auto& c : cases) {
    Answers answers;
    ModalDriver driver({Click("statDlg", "OKBtn")});
    const std::string name = s.File("Song", "take" + std::to_string(++n));
    tonemill::app::TConvertDlg dialog(nullptr, Q(lst), s.Directories(), Conversion::LstToWav);
    dialog.show();
    QLineEdit* to = Child<QLineEdit>(dialog, "toFile");
    tonemill::ui::TContainerBox* box = dialog.ContainerBox();
    to->setText(Q(name + ".wav"));
    if (c.container[0] == '.') {
      to->setText(Q(name + c.container));
    } else {
      const int index = box->findText(c.container, Qt::MatchStartsWith);
      QVERIFY2(index >= 0, c.container);
      box->setCurrentIndex(index);
      emit box->activated(index);
    }
    if (*c.rate) {
      Child<QComboBox>(dialog, "rateBox")->setEditText(c.rate);
      Child<QRadioButton>(dialog, "otherRateButton")->setChecked(true);
    }
    Child<QRadioButton>(dialog, c.bits)->setChecked(true);
    const std::string target = to->text().toStdString();
    dialog.OKBtnClick();
    if (c.storedBits) {
      QVERIFY2(driver.Finished() && answers.Texts().isEmpty(), c.container);
      std::string error;
      const tonemill::SoundFile song = tonemill::SoundFile::OpenRead(target, error);
      QVERIFY2(song.IsOpen(), error.c_str());
      QCOMPARE(song.Format().rate, *c.rate ? std::stoi(c.rate) : 44100);
      QCOMPARE(song.Format().bits, c.storedBits);
      QVERIFY(song.Frames() > 0);
    } else {
      QVERIFY2(dialog.isVisible() && answers.Texts().size() == 1 && !fs::exists(target), c.container);
      if (*c.message) QVERIFY(answers.Texts().front().startsWith(c.message));
    }
  }
  // The render dialog's song field has the box too, in "MID to WAV" only.
  using tonemill::render::TrenderDlg;
  TrenderDlg song(nullptr, TrenderDlg::Mode::MidToWav), list(nullptr, TrenderDlg::Mode::MidToLst);
  QVERIFY(song.findChild<tonemill::ui::TContainerBox*>() && !list.findChild<tonemill::ui::TContainerBox*>());
}

void SongDialogsTest::drumGridChecksEachCell() {
  Studio s;
  TrenderDlg dialog(nullptr, TrenderDlg::Mode::MidToWav);
  dialog.SetFiles(Q(s.Song("song.mid")), Q(s.File("LST", "song.lst")), Q(s.File("Song", "song.wav")));
  dialog.show();
  QTableWidget* grid = dialog.Grid();
  QCOMPARE(grid->item(0, 0)->text(), QString("ALL"));
  QCOMPARE(grid->item(0, 1)->text(), QString("10"));
  QCOMPARE(dialog.HelpContext(), 5200);
  QVERIFY(Enabled(dialog, "OKbutton"));
  QVERIFY(!Enabled(dialog, "deleteButton"));
  // The cells' rules are the drum list's (render/drumlist); here a refused cell keeps the
  // selection and locks everything but the grid, Cancel and Help until it is put right.
  const char* others[] = {"MIDfile", "LSTfile", "WAVfile", "addButton", "OKbutton"};
  const struct {
    int column;
    const char* typed;
    const char* stored;  // nullptr: refused
  } cells[] = {{0, " a l l ", "ALL"}, {0, "65536", nullptr}, {1, "17", nullptr}, {1, "", ""}};
  for (const auto& c : cells) {
    Answers answers;
    grid->item(0, c.column)->setText(c.typed);
    if (c.stored) {
      QCOMPARE(grid->item(0, c.column)->text(), QString(c.stored));
      QVERIFY(answers.Texts().isEmpty());
      continue;
    }
    QCOMPARE(answers.Texts(), QStringList(c.column == 0 ? "Illegal MIDI Track!" : "Illegal MIDI Channel!"));
    for (const char* name : others) QVERIFY2(!Enabled(dialog, name), name);
    QVERIFY(Enabled(dialog, "CancelBtn") && Enabled(dialog, "HelpBtn") && grid->isEnabled());
    grid->setCurrentCell(0, 1 - c.column);  // the selection stays on the bad cell
    QCOMPARE(grid->currentColumn(), c.column);
    grid->item(0, c.column)->setText(c.column == 0 ? "1" : "10");
    for (const char* name : others) QVERIFY2(Enabled(dialog, name), name);
  }
  // The channel cell is empty now: Add wants the list complete first.
  {
    Answers answers;
    dialog.addButtonClick();
    QCOMPARE(answers.Texts(), QStringList("Incomplete Track:Channel specification!"));
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->currentColumn(), 1);
  }
  grid->item(0, 1)->setText("10");
  dialog.addButtonClick();
  dialog.addButtonClick();
  QCOMPARE(grid->rowCount(), 3);
  QCOMPARE(grid->item(2, 0)->text(), QString("ALL"));
  QCOMPARE(grid->currentRow(), 2);
  QVERIFY(Enabled(dialog, "deleteButton"));
  // Shown again (as after a message box), the rows stay as they are.
  dialog.hide();
  dialog.show();
  QCOMPARE(grid->rowCount(), 3);
  grid->setCurrentCell(1, 0);
  dialog.deleteButtonClick();
  dialog.deleteButtonClick();
  QCOMPARE(grid->rowCount(), 1);
  QVERIFY(!Enabled(dialog, "deleteButton"));
}

void SongDialogsTest::renderDialogChecksAndQuestions() {
  Studio s;
  const std::string mid = s.Song("song.mid"), lst = s.File("LST", "song.lst");
  TrenderDlg dialog(nullptr, TrenderDlg::Mode::MidToLst);
  dialog.SetFiles(Q(mid), Q(lst), Q(mid));  // the WAV field plays no part in this mode
  dialog.SetDirectories(Q(s.Dir("PRG")), Q(s.Dir("WAV")), Q(s.Dir("DFT")));
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("MID to LST"));
  QCOMPARE(dialog.HelpContext(), 5100);
  QVERIFY(!Enabled(dialog, "WAVfile"));
  QVERIFY(Text(dialog, "WAVfile").isEmpty());
  QVERIFY(Enabled(dialog, "OKbutton"));
  auto* midField = Child<QLineEdit>(dialog, "MIDfile");
  auto* lstField = Child<QLineEdit>(dialog, "LSTfile");
  const std::string notMidi = s.File("MID", "text.mid");
  ts::WriteText(notMidi, "this is no MIDI file");
  const struct {
    std::string mid, lst;
    QString message;  // the start of the one message shown
  } exits[] = {
      {s.File("MID", "gone.mid"), lst, "File not found!"},
      {notMidi, lst, "Source file is not Standard MIDI!"},
      {mid, mid, "LST can't overwrite MID!"},
      {mid, lst, ""},
  };
  for (const auto& e : exits) {
    Answers answers;
    midField->setText(Q(e.mid));
    lstField->setText(Q(e.lst));
    dialog.MIDfileExit();
    QCOMPARE(answers.Texts().size(), e.message.isEmpty() ? 0 : 1);
    if (!e.message.isEmpty()) QVERIFY2(answers.Texts()[0].startsWith(e.message), qPrintable(answers.Texts()[0]));
    QCOMPARE(Enabled(dialog, "OKbutton"), e.message.isEmpty());
  }
  // OK: the overwrite question for an existing list; Cancel keeps it and the dialog.
  ts::WriteText(lst, "old list");
  dialog.Grid()->item(0, 0)->setText("1");
  dialog.addButtonClick();
  dialog.Grid()->item(1, 0)->setText("1");  // equal to the first row in both cells
  dialog.addButtonClick();
  dialog.Grid()->item(2, 0)->setText("1");
  dialog.Grid()->item(2, 1)->setText("9");  // shares only its track cell
  {
    Answers answers({Answer::Cancel});
    dialog.OKbuttonClick();
    QCOMPARE(answers.Texts(), QStringList("Existing file " + Q(lst) + " will be overwritten!"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(ts::ReadBytes(lst).size(), size_t(8));
  }
  Answers answers({Answer::Ok});
  dialog.OKbuttonClick();
  QVERIFY(!dialog.isVisible());
  QVERIFY2(ts::ReadBytes(lst).size() > 8, qPrintable(answers.Texts().join("; ")));
  // Rows equal in both cells are given once; a row sharing one cell stays.
  QCOMPARE(dialog.Grid()->rowCount(), 3 - 1);
  QCOMPARE(dialog.Grid()->item(1, 1)->text(), QString("9"));
}

void SongDialogsTest::progressDialogEnds() {
  Studio s;
  const std::string wav = s.File("Song", "out.wav");
  const struct {
    std::string list;
    QString status, line, instrument, box;
    int gauge;
    bool allocatingThroughout;
  } table[] = {
      {TwoNoteList(), "Done", "14/14", "TONE", "", 100, false},
      {"1000\r\n", "Done", "1/1", "", "", 100, true},
      // A note number out of range: the line, instrument and base note point at the fault.
      {TwoNoteList("300"), "ERROR", "5/14", "TONE", "Illegal note value!", 35, false},
  };
  for (const auto& t : table) {
    const std::string lst = s.List("song.lst", t.list);
    Answers answers;
    TstatDlg dialog(nullptr, Q(lst), Q(wav), Q(s.Dir("WAV")), Format(22050, 16, 2), Overwrite::Replace);
    QStringList seen;
    connect(&dialog, &TstatDlg::Pumped, &dialog, [&] {
      dialog.timerTimer();
      seen << Text(dialog, "status");
    });
    Run(dialog);
    QCOMPARE(Text(dialog, "status"), t.status);
    QCOMPARE(Text(dialog, "lineLabel"), t.line);
    QCOMPARE(Text(dialog, "instrument"), t.instrument);
    QCOMPARE(Child<QProgressBar>(dialog, "gauge")->value(), t.gauge);
    QCOMPARE(answers.Texts(), t.box.isEmpty() ? QStringList() : QStringList(t.box));
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.count("Allocating") == seen.size(), t.allocatingThroughout);
    QVERIFY(Enabled(dialog, "OKBtn") && Enabled(dialog, "HelpBtn") && !Enabled(dialog, "CancelBtn"));
    if (t.status == "ERROR") {
      QCOMPARE(Text(dialog, "baseNote"), QString("c5"));
      QVERIFY(!fs::exists(wav));  // a failed render leaves no half song
    } else {
      QVERIFY(fs::exists(wav));
    }
    // Shown again (as after a message box), it does not render again.
    dialog.hide();
    Run(dialog);
    QCOMPARE(dialog.RenderCount(), 1);
    dialog.OKBtnClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    fs::remove(wav);
  }
}

void SongDialogsTest::progressDialogCancels() {
  // The line a cancel is seen at is exact on one mixing thread; with more, the line shown is the
  // slowest thread's and may pass over the one the table cancels at.
  qputenv("RESONA_THREADS", "1");
  struct Restore {
    ~Restore() { qunsetenv("RESONA_THREADS"); }
  } restore;
  Studio s;
  const std::string lst = s.List("song.lst", TwoNoteList());
  const std::string wav = s.File("Song", "out.wav");
  // A cancel on the first "]" (line 8) stops there with line = lines; one on "{" (line 2)
  // reads the instrument, "[", the note and one event (line 6) before it stops. Both end as
  // "Aborted" with the line the render reached; closing the window is a Cancel too.
  const struct {
    int32_t cancelAt;
    bool byClose;
    QString line;
  } table[] = {{8, false, "8/14"}, {2, false, "6/14"}, {8, true, "8/14"}};
  for (const auto& t : table) {
    Answers answers;
    TstatDlg dialog(nullptr, Q(lst), Q(wav), Q(s.Dir("WAV")), Format(44100, 16, 2), Overwrite::Replace);
    bool cancelled = false;
    connect(&dialog, &TstatDlg::Pumped, &dialog, [&] {
      if (cancelled || dialog.RenderProgress().counters.done != t.cancelAt) return;
      cancelled = true;
      if (t.byClose)
        dialog.close();
      else
        Child<QPushButton>(dialog, "CancelBtn")->click();
    });
    Run(dialog);
    QVERIFY(cancelled);
    QCOMPARE(Text(dialog, "status"), QString("Aborted"));
    QCOMPARE(Text(dialog, "lineLabel"), t.line);
    QVERIFY(answers.Texts().isEmpty());
    QVERIFY(dialog.isVisible());  // open until OK
    const ts::WavData song = ts::ReadWav(wav);  // a valid file of the song's length
    QCOMPARE(song.dataSize + 44, fs::file_size(wav));
    QVERIFY(song.dataSize >= 8819 * 4);
    fs::remove(wav);
  }
}

void SongDialogsTest::makeWavsDialog() {
  Studio s;
  const auto a = s.DftOnly("A", 2), b = s.DftOnly("B", 3), c = s.DftOnly("C", 5);
  const std::vector<uint8_t> cDft = ts::ReadBytes(s.File("DFT", "C.DFT"));
  tonemill::SampleList list(s.Dir("WAV"), s.Dir("DFT"));
  for (const char* name : {"A", "B", "C"}) list.Add(name)->make = true;
  tonemill::Progress progress;
  {
    TmakeWAVsDlg dialog(nullptr, list, progress);
    QTableWidget* grid = dialog.Grid();
    // A click or Enter on a "Make" cell toggles it; the "File" cell ignores both.
    QCOMPARE(grid->item(1, 2)->text(), QString("Made from B.DFT"));  // each row says why
    dialog.StringGrid1Click(1, 0);
    QCOMPARE(grid->item(1, 0)->text(), QString("No"));
    QCOMPARE(grid->item(1, 2)->text(), QString("Not made from B.DFT"));
    grid->setCurrentCell(1, 0);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->item(1, 0)->text(), QString("Yes"));
    dialog.StringGrid1Click(1, 1);
    QCOMPARE(grid->item(1, 0)->text(), QString("Yes"));
    QVERIFY(list.Rows()[1].make);
    // Cancel during the loop stops after the current sample.
    Answers answers;
    connect(&dialog, &TmakeWAVsDlg::Pumped, &dialog, [&] {
      if (progress.done == 1) Child<QPushButton>(dialog, "CancelBtn")->click();
    });
    dialog.show();
    dialog.OKBtnClick();
    QVERIFY(dialog.Cancelled() && dialog.Outcome().cancelled);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(ts::ReadBytes(s.File("WAV", "A.WAV")), a);
    QVERIFY(!fs::exists(s.File("WAV", "B.WAV")) && !fs::exists(s.File("WAV", "C.WAV")));
  }
  // All answers the overwrite question for every remaining sample.
  ts::WriteText(s.File("WAV", "B.WAV"), "broken");
  ts::WriteText(s.File("WAV", "C.WAV"), "broken");
  {
    Answers answers({Answer::All});
    TmakeWAVsDlg dialog(nullptr, list, progress);
    dialog.StringGrid1Click(0, 0);  // A: No
    QCOMPARE(dialog.Grid()->item(0, 2)->text(), QString("A.WAV exists"));
    QCOMPARE(dialog.Grid()->item(1, 2)->text(), QString("Replaces B.WAV from B.DFT"));
    fs::remove(s.File("DFT", "C.DFT"));
    dialog.StringGrid1Click(2, 0);
    dialog.StringGrid1Click(2, 0);
    QCOMPARE(dialog.Grid()->item(2, 2)->text(), QString("No DFT file C.DFT to make it from"));
    ts::WriteBytes(s.File("DFT", "C.DFT"), cDft);
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList("Overwrite existing file " + Q(s.File("WAV", "B.WAV")) + "?"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ts::ReadBytes(s.File("WAV", "B.WAV")), b);
    QCOMPARE(ts::ReadBytes(s.File("WAV", "C.WAV")), c);
  }
  // The main window's use: the samples of PRG files, "Yes" where no WAV file exists.
  ts::PrgFields piano;
  piano.wav = "piano.wav";
  ts::WriteText(s.File("PRG", "1.PRG"), "# a comment\r\n" + piano.Line() + "\r\n");
  TmakeWAVsDlg dialog(nullptr, Q(s.Dir("PRG")), Q(s.Dir("WAV")), Q(s.Dir("DFT")));
  QVERIFY(dialog.loadPRG({"1.PRG", "5.PRG"}));
  QCOMPARE(dialog.Grid()->rowCount(), 2);
  QCOMPARE(dialog.Grid()->item(0, 1)->text(), QString("PIANO"));
  QCOMPARE(dialog.Grid()->item(0, 0)->text(), QString("Yes"));
  QCOMPARE(dialog.Grid()->item(1, 0)->text(), QString("No"));
  Answers answers;
  QVERIFY(!dialog.loadPRG({"none.PRG"}));
  QCOMPARE(answers.Texts(), QStringList("Can't open PRG file none.PRG!"));
}

void SongDialogsTest::sampleCheckBeforeRender() {
  Studio s;
  s.DftOnly("A", 2);
  auto list = [&](const std::string& sample) {
    return s.List("check.lst", "100\r\n{\r\n" + sample + kInstrument.substr(4) +
                                   "\r\n[\r\n60\r\n0 ON 100\r\n10 OFF 64\r\n]\r\n}\r\n");
  };
  // The sample check as the song job runs it with the dialogs' front: true when the render may
  // go on.
  auto checkSamples = [&](const std::string& lst) {
    tonemill::render::DialogSongFront front(nullptr);
    tonemill::ops::SampleMaking making;
    return !front.CheckSamples(making, [&] {
      return tonemill::ops::CheckSamples(lst, lst, s.Dir("WAV"), s.Dir("DFT"), "", &making);
    });
  };
  {
    // Every sample there: no dialog, true.
    Answers answers;
    QVERIFY(checkSamples(list("TONE")));
    QVERIFY(answers.Texts().isEmpty());
  }
  {
    // Cancel in the dialog: false, nothing made, no message.
    Answers answers;
    ModalDriver driver({Click("makeWAVsDlg", "CancelBtn")});
    QVERIFY(!checkSamples(list("A")));
    QVERIFY(driver.Finished());
    QVERIFY(answers.Texts().isEmpty());
    QVERIFY(!fs::exists(s.File("WAV", "A.WAV")));
  }
  {
    // OK makes the sample.
    Answers answers;
    ModalDriver driver({Click("makeWAVsDlg", "OKBtn")});
    QVERIFY(checkSamples(list("A")));
    QVERIFY(driver.Finished());
    QVERIFY(fs::exists(s.File("WAV", "A.WAV")));
  }
  // Neither WAV nor DFT: the question, then the information that samples are missing.
  Answers answers({Answer::Ok});
  QVERIFY(!checkSamples(list("NONE")));
  QCOMPARE(answers.Texts(), QStringList({"Fatal error: can't find either WAV or DFT for sample NONE!",
                                         "Sample file(s) missing. Aborting."}));
  QCOMPARE(answers.messages.Shown()[1].kind, platform::MessageKind::Information);
}

void SongDialogsTest::mainWindowOperations() {
  Studio s;
  const tonemill::SettingsLocation location{s.home.File("TM.INI"), s.home.Dir(), s.home.Dir()};
  Answers answers;
  tonemill::app::TTMmain w(location);
  auto* files = Child<TExtFileListBox>(w, "FileListBox");
  auto select = [&](tonemill::Selector selector, const QStringList& names) {
    w.SelectorClick(int(selector));
    files->clearSelection();
    for (const QString& name : names) files->SelectFile(files->Directory() + "/" + name);
    w.FileListBoxClick();
  };
  const std::string mid = s.Song("My.Song.mid");
  ts::WriteText(s.File("LST", "notes.txt"), "text");
  // Convert by extension: a file of another kind is refused.
  select(tonemill::Selector::LST, {"notes.txt"});
  w.ConvertBtnClick();
  QCOMPARE(answers.Texts(), QStringList("The extension must be MID, LST, DFT or WAV!"));
  // A MIDI file: the Convert dialog with "MID to WAV" and the song's name in the Song directory.
  QString target;
  bool midToWav = false;
  QString makeWavsFile, listFile, caption;
  bool wavFieldEnabled = true;
  SongFormat format;
  ModalDriver driver({Inspect("ConvertDlg",
                              [&](QWidget& d) {
                                target = Text(d, "toFile");
                                midToWav = Child<QRadioButton>(d, "MIDtoWAVbutton")->isChecked();
                              }),
                      Inspect("makeWAVsDlg",
                              [&](QWidget& d) {
                                makeWavsFile = Child<QTableWidget>(d, "StringGrid1")->item(0, 1)->text();
                              }),
                      Inspect("renderDlg", [&](QWidget& d) {
                        caption = d.windowTitle();
                        listFile = Text(d, "LSTfile");
                        wavFieldEnabled = Enabled(d, "WAVfile");
                        format = qobject_cast<TrenderDlg*>(&d)->Format();
                      })});
  select(tonemill::Selector::MID, {"My.Song.mid"});
  w.ConvertBtnClick();
  QCOMPARE(target, Q(s.File("Song", "my.wav")));
  QVERIFY(midToWav);
  // "Make WAVs" of the PRG selector lists the samples of the selected instruments.
  select(tonemill::Selector::PRG, {"5.PRG"});
  w.ConvertBtnClick();
  QCOMPARE(makeWavsFile, QString("TONE"));
  // "Make WAVs" of the MID selector: the render dialog in its mode, the list Temp.LST.
  select(tonemill::Selector::MID, {"My.Song.mid"});
  w.PrintBtnClick();
  QVERIFY(driver.Finished());
  QCOMPARE(caption, QString("Make WAVs for MID"));
  QCOMPARE(listFile, Q(s.File("Temp", "Temp.LST")));
  QVERIFY(!wavFieldEnabled);
  QCOMPARE(format.rate, 22050);
  QCOMPARE(format.bits, 16);
  QCOMPARE(format.channels, 2);
  QCOMPARE(format.volume.bytes, tonemill::Real48::FromDouble(1.0).bytes);
  QCOMPARE(answers.Texts().size(), 1);
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  SongDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "songdialogs_test.moc"
