// The dialogs of the main window driven through their handlers with scripted answers.
#include "dialogs_test.h"

#include "platform/qt/audiooutput.h"
#include "platform/qt/help.h"
#include "qttesting.h"
#include "tests/support/midifiles.h"
#include "tonemill/gui/app/AboutBox.h"
#include "tonemill/gui/app/ChangeDlg.h"
#include "tonemill/gui/app/DirPickDlg.h"
#include "tonemill/gui/app/GroupyDlg.h"
#include "tonemill/gui/app/PlayDlg.h"
#include "tonemill/gui/app/RunForm.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/wave/samples.h"
#include "tonemill/ops/mainrules.h"
#include "tonemill/ops/playback.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QWindow>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>

using namespace qttesting;
using platform::Answer;
using tonemill::Selector;
namespace app = tonemill::app;
namespace fs = std::filesystem;

namespace {

std::array<QString, 7> Directories(const Home& home) {
  std::array<QString, 7> d;
  for (Selector s : tonemill::kSelectors) {
    d[size_t(s)] = Q(home.Path(tonemill::SelectorName(s)));
    fs::create_directories(home.Path(tonemill::SelectorName(s)));
  }
  return d;
}

}  // namespace

// The names the source goes by, the questions and the failures are the operations' (ops/
// fileoperations); the dialogs pass their fields on and show what comes back.
void DialogsTest::copyOntoItselfIsRefusedAndKeepsTheFile() {
  Home home;
  const auto dirs = Directories(home);
  const std::string file = home.Path("MID/song.mid");
  testing_support::WriteText(file, "the song");
  fs::create_hard_link(file, home.Path("WAV/link.mid"));
  {
    Answers answers({Answer::Yes});
    app::TchangeDlg dialog(nullptr, false, Q(file), Q(home.Path("WAV/link.mid")), dirs, Selector::MID);
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList{"Can't overwrite source file!"});
    QVERIFY(!dialog.Done());
    QCOMPARE(ReadText(file), std::string("the song"));
  }
  // The radio buttons: another directory takes the name along, the file's own is refused.
  Answers answers;
  app::TchangeDlg dialog(nullptr, true, Q(file), Q(home.Path("MID")), dirs, Selector::MID);
  Child<QRadioButton>(dialog, "WAVRadio")->click();
  QCOMPARE(Child<QLineEdit>(dialog, "toFile")->text(), Q(home.Path("WAV/song.mid")));
  QVERIFY(answers.Texts().isEmpty());
  Child<QRadioButton>(dialog, "MIDRadio")->click();
  QCOMPARE(answers.Texts(), QStringList{"Can't overwrite source file!"});
  QCOMPARE(Child<QLineEdit>(dialog, "toFile")->text(), Q(home.Path("WAV/song.mid")));
}

void DialogsTest::copyAndMoveAskBeforeOverwriting() {
  Home home;
  const auto dirs = Directories(home);
  const std::string file = home.Path("MID/song.mid"), target = home.Path("LST/song.mid");
  testing_support::WriteText(file, "new");
  testing_support::WriteText(target, "old");
  {
    Answers answers({Answer::No});
    app::TchangeDlg dialog(nullptr, false, Q(file), Q(target), dirs, Selector::MID);
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), (QStringList{Q("Overwrite file " + target + "?"), "Can't copy file!"}));
    QCOMPARE(ReadText(target), std::string("old"));
  }
  {
    Answers answers({Answer::Yes});
    app::TchangeDlg dialog(nullptr, false, Q(file), Q(home.Path("LST")), dirs, Selector::MID);
    dialog.OKBtnClick();
    QVERIFY(dialog.Done());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ReadText(target), std::string("new"));
    QCOMPARE(ReadText(file), std::string("new"));
  }
  {
    testing_support::WriteText(target, "old");
    Answers answers({Answer::Yes});
    app::TchangeDlg dialog(nullptr, true, Q(file), Q(target), dirs, Selector::MID);
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList{Q("Overwrite file " + target + "?")});
    QCOMPARE(ReadText(target), std::string("new"));
    QVERIFY(!fs::exists(file));
  }
}

void DialogsTest::leavingFieldsChecksOnceAndPutsTextBack() {
  Home home;
  const auto dirs = Directories(home);
  const std::string file = home.Path("MID/song.mid");
  testing_support::WriteText(file, "x");
  Answers answers;
  app::TchangeDlg dialog(nullptr, false, Q(file), Q(home.Path("WAV")), dirs, Selector::MID);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  auto* from = Child<QLineEdit>(dialog, "fromFile");
  auto* to = Child<QLineEdit>(dialog, "toFile");
  from->setFocus();
  from->selectAll();
  QTest::keyClicks(from, Q(home.Path("MID/missing.mid")));
  QTest::keyClick(from, Qt::Key_Return);  // Enter checks ...
  to->setFocus();                          // ... and leaving afterwards does not again
  QCOMPARE(answers.Texts(),
           QStringList{"File not found! (no such file or directory)"});
  QCOMPARE(from->text(), Q(file));
  to->selectAll();
  QTest::keyClicks(to, "relative-name");
  from->setFocus();
  QVERIFY2(answers.Texts().size() == 2, qPrintable(answers.Texts().join("|") + " to=" + to->text()));
  QCOMPARE(answers.Texts()[1], QString("Invalid file name!"));
  QCOMPARE(to->text(), Q(home.Path("WAV")));
}

void DialogsTest::groupOkOnlyForAnotherDirectory() {
  Home home;
  const auto dirs = Directories(home);
  fs::create_directory_symlink(home.Path("MID"), home.Path("alias"));
  app::TgroupyDlg dialog(nullptr, false, {Q(home.Path("MID/a.mid"))}, Q(home.Path("MID")), dirs,
                         Selector::MID);
  QCOMPARE(dialog.windowTitle(), QString("Group Copy"));
  auto* ok = Child<QPushButton>(dialog, "OKBtn");
  QVERIFY(!ok->isEnabled());
  Child<QRadioButton>(dialog, "SongRadio")->click();
  QVERIFY(ok->isEnabled());
  dialog.SetDestination(Q(home.Path("alias")));  // the same directory under another name
  QVERIFY(!ok->isEnabled());
  dialog.SetDestination(Q(home.Path("missing")));
  QVERIFY(!ok->isEnabled());
}

void DialogsTest::groupCopyWithAll() {
  Home home;
  const auto dirs = Directories(home);
  QStringList files;
  for (const char* n : {"a", "b", "c", "d", "e"}) {
    testing_support::WriteText(home.Path(std::string("MID/") + n + ".mid"), std::string("new ") + n);
    files << Q(home.Path(std::string("MID/") + n + ".mid"));
  }
  for (const char* n : {"a", "c", "d", "e"})
    testing_support::WriteText(home.Path(std::string("Temp/") + n + ".mid"), "old");
  auto content = [&](const char* n) { return ReadText(home.Path(std::string("Temp/") + n + ".mid")); };
  // From the last to the first: e No, d All, then c, b and a without a question.
  Answers answers({Answer::No, Answer::All});
  app::TgroupyDlg dialog(nullptr, false, files, Q(home.Path("MID")), dirs, Selector::Temp);
  dialog.OKBtnClick();
  QCOMPARE(answers.Texts(), (QStringList{Q("Overwrite file " + home.Path("Temp/e.mid") + "?"),
                                         Q("Overwrite file " + home.Path("Temp/d.mid") + "?")}));
  QCOMPARE(content("e"), std::string("old"));
  for (const char* n : {"a", "b", "c", "d"}) QCOMPARE(content(n), std::string("new ") + n);
  QCOMPARE(dialog.Outcome().transferred, 4);
}

void DialogsTest::groupMoveReportsFailuresAndGoesOn() {
  Home home;
  const auto dirs = Directories(home);
  QStringList files;
  for (const char* n : {"a", "b", "c"}) {
    testing_support::WriteText(home.Path(std::string("MID/") + n + ".mid"), n);
    files << Q(home.Path(std::string("MID/") + n + ".mid"));
  }
  fs::remove(home.Path("MID/b.mid"));  // gone before the walk reaches it
  Answers answers({Answer::Ok});
  app::TgroupyDlg dialog(nullptr, true, files, Q(home.Path("MID")), dirs, Selector::WAV);
  QCOMPARE(dialog.windowTitle(), QString("Group Move"));
  dialog.OKBtnClick();
  QCOMPARE(answers.Texts().size(), 1);
  QVERIFY2(answers.Texts()[0].contains("no such file or directory"), qPrintable(answers.Texts()[0]));
  QCOMPARE(answers.messages.Shown()[0].buttons, platform::Buttons::OkAbort);
  QVERIFY(fs::exists(home.Path("WAV/a.mid")) && fs::exists(home.Path("WAV/c.mid")));
  QVERIFY(!fs::exists(home.Path("MID/a.mid")) && !fs::exists(home.Path("MID/c.mid")));
  QCOMPARE(dialog.Outcome().transferred, 2);
  QCOMPARE(dialog.Outcome().failed, 1);
}

// The parameters themselves are the rules' (ops/mainrules); here they reach the program.
void DialogsTest::runFormLaunches() {
  using namespace tonemill;
  Home home;
  // A sibling program that writes its arguments, one a line, where the test reads them.
  const std::string program = home.Path("VS"), record = home.Path("args.txt");
  testing_support::WriteText(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                          record + ".part'\nmv '" + record + ".part' '" + record + "'\n");
  fs::permissions(program, fs::perms::owner_all);
  const RunParameters awkward{home.Path("my songs"), {home.Path("PRG $(rm -rf x); 'q'"), home.Path("W A V")}, true};
  Answers answers;
  app::TrunForm form(nullptr, "Launch the Vespera", app::kHelpVespera, "Vespera EXE",
                     Q(home.Path("VS.EXE")), awkward);
  QCOMPARE(Child<QLabel>(form, "ParamStringLabel")->text(),
           Q(home.Path("VS.EXE") + " " + ParameterString(awkward)));
  form.OKBtnClick();
  QVERIFY(answers.Texts().isEmpty());
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(form.Program(), Q(home.Path("VS.EXE")));  // as chosen, for the settings file
  QElapsedTimer waited;
  waited.start();
  while (!fs::exists(record) && waited.elapsed() < 10000) QTest::qWait(20);
  QCOMPARE(ReadText(record), home.Path("my songs") + "\n" + home.Path("PRG $(rm -rf x); 'q'") +
                                 "\n" + home.Path("W A V") + "\n.\n");

  app::TrunForm missing(nullptr, "Launch the Lyrovox", app::kHelpLyrovox, "Lyrovox EXE",
                        Q(home.Path("LX.EXE")), {"", {"/p", "/w"}, true});
  missing.OKBtnClick();
  QCOMPARE(answers.Texts(), QStringList{Q("Can't start " + home.Path("LX.EXE") + ": no such program")});
  QVERIFY(missing.result() != int(QDialog::Accepted));
}

void DialogsTest::playsWavExactToTheFrame() {
  Home home;
  const auto dirs = Directories(home);
  const std::string wav = home.Path("Song/tone.wav");
  std::vector<int32_t> samples;
  for (int i = 0; i < 2000; ++i) samples.push_back((i * 37) % 65536 - 32768);  // 1000 stereo frames
  testing_support::WriteWav(wav, {1000, 16, 2}, samples);
  FakeSound sound;
  Answers answers;
  tonemill::Settings settings;
  app::TPlayDlg dialog(nullptr, Q(wav), settings);
  QCOMPARE(dialog.windowTitle(), QString("WAV Play"));
  dialog.show();  // first show: opens and plays
  QVERIFY(sound.last && sound.last->Playing());
  auto* status = Child<QLabel>(dialog, "StatusPanel");
  QCOMPARE(status->text(), QString(" Playing "));
  QCOMPARE(sound.last->Advance(250), qint64(250));
  QCOMPARE(dialog.Player().Position(), qint64(250));
  dialog.StepBtnClick();  // a tenth of the length on
  QCOMPARE(dialog.Player().Position(), qint64(350));
  // The notification tells how a play ended: none while the next one plays.
  auto* notify = Child<QLabel>(dialog, "NotifyPanel");
  QCOMPARE(notify->text(), QString());
  sound.last->Advance(10);
  dialog.BackBtnClick();
  QCOMPARE(dialog.Player().Position(), qint64(260));
  dialog.PrevBtnClick();
  dialog.BackBtnClick();  // clamped at the start
  QCOMPARE(dialog.Player().Position(), qint64(0));
  dialog.PauseBtnClick();
  QCOMPARE(status->text(), QString(" Paused "));
  QCOMPARE(sound.last->Advance(100), qint64(0));
  dialog.PauseBtnClick();
  dialog.StopBtnClick();
  QCOMPARE(notify->text(), QString(" Aborted "));
  dialog.PlayBtnClick();
  QCOMPARE(notify->text(), QString());
  // Played to the end: every byte of the data, then stopped at the end.
  QCOMPARE(sound.last->Advance(5000), qint64(1000));
  const std::string bytes = ReadText(wav).substr(44);
  QCOMPARE(sound.last->Bytes(), QByteArray::fromStdString(bytes));
  dialog.TimerTick();
  QCOMPARE(status->text(), QString(" Stopped "));
  QCOMPARE(dialog.Player().Position(), qint64(1000));
  dialog.StepBtnClick();
  QCOMPARE(dialog.Player().Position(), qint64(1000));  // clamped at the end
  QVERIFY(answers.Texts().isEmpty());
  dialog.CloseBtnClick();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void DialogsTest::playWithoutSoundDevice() {
  Home home;
  const std::string wav = home.Path("tone.wav");
  testing_support::WriteWav(wav, {11025, 8, 1}, std::vector<int32_t>(500, 128));
  FakeSound sound("No sound device");
  // The message comes once the dialog's window is on the screen at its own size (shown from
  // the show event, it left an empty 100 x 30 window on X).
  struct Seen : platform::MessageSink {
    platform::Answer Show(const platform::Message& message) override {
      texts << QString::fromStdString(message.text);
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "WAV Play")
          shown = w->windowHandle() && w->windowHandle()->isVisible() && w->width() > 100;
      return platform::SafeAnswer(message.buttons);
    }
    QStringList texts;
    bool shown = false;
  } seen;
  platform::MessageScope scope(seen);
  app::TPlayDlg dialog(nullptr, Q(wav), tonemill::Settings{});
  dialog.show();
  QCOMPARE(seen.texts, QStringList{"No sound device"});
  QVERIFY(seen.shown);
  QCOMPARE(Child<QLabel>(dialog, "StatusPanel")->text(), QString(" Not ready "));
  // Play again, in the dialog and in a new one: the same message each time.
  dialog.PlayBtnClick();
  app::TPlayDlg again(nullptr, Q(wav), tonemill::Settings{});
  again.show();
  QCOMPARE(seen.texts, (QStringList{"No sound device", "No sound device", "No sound device"}));
}

void DialogsTest::playMidiRendersIntoScratchFiles() {
  Home home;
  const auto dirs = Directories(home);
  const std::string mid = home.Path("MID/song.mid");
  testing_support::MidiTrack track;
  track.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60).EndOfTrack();
  testing_support::WriteBytes(mid, testing_support::MidiFile(0, 480, {track}));
  tonemill::Settings settings;
  settings.PRG = home.Path("PRG");
  settings.WAV = home.Path("WAV");
  settings.Temp = home.Path("Temp");
  auto scratchLeft = [&] {
    for (const auto& e : fs::directory_iterator(home.Path("Temp"))) (void)e;
    return !fs::is_empty(home.Path("Temp"));
  };
  FakeSound sound;
  {
    // No instrument 5: the converter's message, nothing plays.
    Answers answers;
    app::TPlayDlg dialog(nullptr, Q(mid), settings);
    QCOMPARE(dialog.windowTitle(), QString("MID Play"));
    dialog.show();
    QCOMPARE(answers.Texts().size(), 1);
    QVERIFY(sound.last == nullptr);
  }
  QVERIFY(!scratchLeft());
  // With the instrument but no sample: the sample check's messages.
  testing_support::PrgFields fields;
  fields.wav = "TONE";
  testing_support::WriteText(home.Path("PRG/5.PRG"), fields.Line() + "\r\n");
  {
    Answers answers({Answer::Ok});
    app::TPlayDlg dialog(nullptr, Q(mid), settings);
    dialog.show();
    QCOMPARE(answers.Texts().size(), 2);
    QVERIFY2(answers.Texts()[0].contains("TONE"), qPrintable(answers.Texts()[0]));
    QCOMPARE(answers.Texts()[1], QString("Sample file(s) missing. Aborting."));
    QVERIFY(sound.last == nullptr);
  }
  // With the sample the song is rendered at 22050 Hz, 16 bits, stereo, and played.
  std::vector<int32_t> tone;
  for (int i = 0; i < 2205; ++i) tone.push_back((i % 50 - 25) * 500);
  testing_support::WriteWav(home.Path("WAV/TONE.WAV"), {22050, 16, 1}, tone);
  {
    Answers answers;
    app::TPlayDlg dialog(nullptr, Q(mid), settings);
    dialog.show();
    QVERIFY2(answers.Texts().isEmpty(), qPrintable(answers.Texts().join("; ")));
    QVERIFY(sound.last && sound.last->Playing());
    const QString played = dialog.PlayedFile();
    QVERIFY(played.startsWith(Q(home.Path("Temp/"))));
    const auto song = testing_support::ReadWav(played.toStdString());
    QCOMPARE(song.rate, 22050);
    QCOMPARE(song.bits, 16);
    QCOMPARE(song.channels, 2);
    QVERIFY(scratchLeft());
  }
  QVERIFY(!scratchLeft());  // removed with the dialog
}

void DialogsTest::helpTopicForEveryContext() {
  for (int context : {int(app::kHelpContents), int(app::kHelpMain), int(app::kHelpChange),
                      int(app::kHelpGroupy), int(app::kHelpPlay), int(app::kHelpDirPick),
                      int(app::kHelpAbout), int(app::kHelpVespera), int(app::kHelpLyrovox), 1000,
                      2000, 5100, 5200, 6000})
    QVERIFY2(platform::HelpTopicExists(context), qPrintable(QString::number(context)));
  QVERIFY(platform::ShowHelpTopic(app::kHelpGroupy));
  auto* help = qobject_cast<QTextBrowser*>(platform::HelpWindow());
  QVERIFY(help && help->isVisible());
  QCOMPARE(help->windowTitle(), QString("Group Copy and Group Move"));
  QVERIFY(platform::ShowHelpTopic(4242));  // no such topic: the contents
  QCOMPARE(help->windowTitle(), QString("Tonemill help"));
  platform::CloseHelp();
}

void DialogsTest::aboutBoxFigures() {
  Home home;
  app::TAboutBox about(nullptr, Q(home.dir.Dir()), Q(home.dir.Dir()));
  QVERIFY(Child<QLabel>(about, "FreeRam")->text().endsWith(" kB"));
  QVERIFY(Child<QLabel>(about, "MemLoad")->text().endsWith("%"));
  QVERIFY(Child<QLabel>(about, "FreeDisk")->text().endsWith(" MB"));
  const int first = about.Picture();
  about.TimerTick();
  QVERIFY(about.Picture() != first);
  QVERIFY(!Child<QLabel>(about, "ProgramIcon")->pixmap().isNull());
}

// At its smallest every dialog of the main window still shows each caption, label and button
// text whole, and that smallest size fits a 1280 x 720 screen (run under QT_SCALE_FACTOR 1.5 and
// 2 as well: the font's pixel sizes round differently there).
void DialogsTest::everyDialogShowsItsTextsWhole() {
  Home home;
  Answers answers;
  const std::array<QString, 7> dirs = Directories(home);
  const std::string wav = home.Path("WAV/Mischung für Tänzer.wav");
  testing_support::WriteWav(wav, {22050, 16, 2}, std::vector<int32_t>(2 * 2205));
  Touch(home.Path("MID/a.mid"));
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<app::TchangeDlg>(nullptr, false, Q(wav), Q(home.Path("MID")), dirs, Selector::WAV));
  dialogs.push_back(std::make_unique<app::TgroupyDlg>(nullptr, true, QStringList{Q(wav), Q(home.Path("MID/a.mid"))},
                                                      Q(home.Path("WAV")), dirs, Selector::WAV));
  dialogs.push_back(std::make_unique<app::TrunForm>(nullptr, "Launch the Lyrovox", app::kHelpLyrovox, "Lyrovox EXE",
                                                    Q(home.Path("LX.EXE")), tonemill::RunParameters{"", {home.Path("PRG")}, true}));
  dialogs.push_back(std::make_unique<app::TPlayDlg>(nullptr, Q(wav), tonemill::Settings{}));
  dialogs.push_back(std::make_unique<app::TAboutBox>(nullptr, Q(home.Path("")), Q(home.Path("MID"))));
  dialogs.push_back(std::make_unique<app::TdirPickDlg>(nullptr, "Temp Directory", Q(home.Path("Temp"))));
  FakeSound sound;
  for (const auto& dialog : dialogs) {
    dialog->show();
    dialog->resize(dialog->minimumSizeHint());
    QApplication::processEvents();
    const QString name = dialog->objectName();
    QVERIFY2(dialog->width() <= 1280 && dialog->height() <= 680, qPrintable(name));
    int checked = 0;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      auto* label = qobject_cast<QLabel*>(w);
      const bool text = (label && !label->wordWrap() && !label->text().isEmpty() && label->pixmap().isNull()) ||
                        (qobject_cast<QAbstractButton*>(w) && !static_cast<QAbstractButton*>(w)->text().isEmpty());
      if (text && ++checked)
        QVERIFY2(w->width() >= w->minimumSizeHint().width(),
                 qPrintable(name + "/" + w->objectName() + QString(": %1 < %2").arg(w->width()).arg(w->minimumSizeHint().width())));
    }
    QVERIFY2(checked >= 3, qPrintable(name));
    dialog->hide();
  }
}

// FLAC, and a 24-bit WAV file the player does not read itself, play decoded into 16 bits at
// their own rate: the sound device gets the samples rounded to 16 bits, the file stays.
void DialogsTest::playsOtherFormatsDecoded() {
  Home home;
  const auto dirs = Directories(home);
  std::vector<int32_t> wide;  // 24-bit values at the top of 32 bits, as the decoder gives them
  for (int i = 0; i < 600; ++i) wide.push_back(((i * 977) % 16777216 - 8388608) * 256);
  const struct {
    const char* name;
    tonemill::Container container;
    int bits;
  } files[] = {{"tone.flac", tonemill::Container::Flac, 24}, {"tone24.wav", tonemill::Container::Wav, 24},
               {"tone.aiff", tonemill::Container::Aiff, 16}, {"float.wav", tonemill::Container::Wav, 0}};
  for (const auto& f : files) {
    const std::string path = home.Path(std::string("Song/") + f.name);
    if (f.bits == 0) {
      // 32-bit floats holding the same values exactly.
      std::vector<uint8_t> bytes =
          tonemill::EngineWavHeader({{48000, 32, 2}, true}, uint32_t(wide.size() * 4));
      const size_t start = bytes.size();
      bytes.resize(start + wide.size() * 4);
      for (size_t i = 0; i < wide.size(); ++i)
        tonemill::samples::EncodeOne<tonemill::MonoFloat>(wide[i], &bytes[start + i * 4]);
      testing_support::WriteBytes(path, bytes);
    } else {
      std::string error;
      tonemill::SoundFile out = tonemill::SoundFile::OpenWrite(path, f.container, {48000, f.bits, 2}, error);
      QVERIFY2(out.IsOpen() && out.Write(wide.data(), wide.size() / 2) && out.Close(error), error.c_str());
    }
    const std::vector<uint8_t> before = testing_support::ReadBytes(path);
    FakeSound sound;
    Answers answers;
    app::TPlayDlg dialog(nullptr, Q(path), tonemill::Settings{});
    dialog.show();
    QVERIFY2(answers.Texts().isEmpty(), qPrintable(answers.Texts().join("; ")));
    QVERIFY2(sound.last && sound.last->Playing(), f.name);
    QCOMPARE(dialog.Player().SampleRate(), 48000);
    sound.last->Advance(1000);
    QByteArray expected;
    for (int32_t v : wide) {
      const int32_t narrow = f.bits == 16 ? v >> 16 : std::min((v + 0x8000) >> 16, 32767);
      expected.append(char(narrow & 0xff)).append(char((narrow >> 8) & 0xff));
    }
    QCOMPARE(sound.last->Bytes(), expected);
    QVERIFY(testing_support::ReadBytes(path) == before);
  }
  // A file the decoder cannot read says why, and nothing plays.
  testing_support::WriteText(home.Path("Song/broken.flac"), "not audio");
  FakeSound sound;
  Answers answers;
  app::TPlayDlg dialog(nullptr, Q(home.Path("Song/broken.flac")), tonemill::Settings{});
  dialog.show();
  QCOMPARE(answers.Texts().size(), qsizetype(1));
  QVERIFY(answers.Texts().front().startsWith(Q(home.Path("Song/broken.flac") + ": ")));
  QVERIFY(!sound.last);
}
