// The Edit dialog and the main window's Scan and Edit.
#include "workshop_qt.h"

#include "platform/qt/help.h"
#include "tests/support/midifiles.h"
#include "tonemill/gui/app/EditDlg.h"
#include "tonemill/gui/widgets/ExtFileListBox.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/gui/wave/WAVeditDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

using namespace tonemill;
using namespace workshop;
using qttesting::Answers;
using platform::Answer;
using qttesting::Child;
using qttesting::ReadText;
namespace fs = std::filesystem;

namespace {

// A text editor that writes the file it was given into `marker`.
std::string FakeEditor(const testing_support::TempDir& dir) {
  const std::string script = dir.File("editor.sh");
  testing_support::WriteText(script, "#!/bin/sh\necho \"$1\" > \"" + dir.File("marker") + ".tmp\"\nmv \"" +
                                         dir.File("marker") + ".tmp\" \"" + dir.File("marker") + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  return script;
}

// Closes the modal dialog that opens next and returns its caption.
struct ModalWatch {
  ModalWatch() {
    QTimer::singleShot(20, &timer, [this] { Poll(); });
  }
  void Poll() {
    if (QWidget* w = QApplication::activeModalWidget()) {
      caption = w->windowTitle();
      w->close();
      return;
    }
    QTimer::singleShot(20, &timer, [this] { Poll(); });
  }
  QObject timer;
  QString caption;
};

}  // namespace

void ScanEditTest::editDialogWays() {
  // Every context number of the workshop has its topic.
  for (int context : {70, 3000, 3010, 3020, 3030, 3040, 3050, 3060, 3070, 3080, 3090, 3100, 3110, 3120,
                      3130, 3140, 3150, 3160, 3230, 3280, 3290})
    QVERIFY2(platform::HelpTopicExists(context), qPrintable(QString::number(context)));
  testing_support::TempDir dir;
  WriteSignal(dir.File("temp.wav"), {22050, 16, 1}, 1000);
  Settings settings;
  settings.textEditor = FakeEditor(dir);
  // The choice follows the extension whenever the field is left; OK only for a valid name.
  app::TEditDlg edit(nullptr, qttesting::Q(dir.File("5.PRG")), qttesting::Q(dir.Dir()), qttesting::Q(dir.Dir()),
                     settings);
  QVERIFY(Child<QRadioButton>(edit, "prgButton")->isChecked());
  const std::pair<std::string, const char*> ways[] = {
      {"a.mid", "midButton"}, {"a.Wav", "wavButton"}, {"a.lst", "textButton"}, {"a", "textButton"}};
  for (const auto& [name, button] : ways) {
    Child<QLineEdit>(edit, "fileEdit")->setText(qttesting::Q(dir.File(name)));
    edit.fileEditExit();
    QVERIFY2(Child<QRadioButton>(edit, button)->isChecked(), button);
  }
  Child<QLineEdit>(edit, "fileEdit")->setText(qttesting::Q(dir.Dir() + std::string(300, 'x')));
  edit.fileEditExit();
  QVERIFY(!Child<QPushButton>(edit, "OKBtn")->isEnabled());
  // The text editor picker keeps the program's full path in the settings.
  QString startedIn;
  edit.pickProgram = [&](const QString& title, const QString& start) {
    startedIn = title + "|" + start;
    return qttesting::Q(dir.File("sub/../vi"));
  };
  edit.editorBtnClick();
  QCOMPARE(startedIn, qttesting::Q("Text editor|" + dir.File("editor.sh")));
  QCOMPARE(settings.textEditor, dir.File("vi"));
  settings.textEditor = FakeEditor(dir);
  {
    // An editor that cannot start: the box says where the file is.
    Answers answers;
    QVERIFY(!app::OpenInTextEditor(dir.File("no-such-editor"), qttesting::Q(dir.File("report.txt")), "."));
    QCOMPARE(answers.messages.Shown().size(), size_t(1));
    QCOMPARE(answers.messages.Shown()[0].detail, "The file is " + dir.File("report.txt") + ".");
  }
  {
    // The real picker opens on all files, the EXE filter beside it; Cancel changes nothing.
    app::TEditDlg picking(nullptr, qttesting::Q(dir.File("a.txt")), {}, {}, settings);
    QStringList filters;
    QTimer::singleShot(50, &picking, [&] {
      if (auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        filters = QStringList{picker->selectedNameFilter()} + picker->nameFilters();
        picker->reject();
      }
    });
    picking.editorBtnClick();
    QCOMPARE(filters.value(0), QString("All files (*)"));
    QVERIFY(filters.contains("EXE files (*.EXE *.exe)"));
    QCOMPARE(settings.textEditor, FakeEditor(dir));
    // Enter in the file field presses OK: the text editor starts, the picker does not open.
    bool picked = false;
    picking.pickProgram = [&](const QString&, const QString&) { picked = true; return QString(); };
    picking.show();
    QApplication::setActiveWindow(&picking);
    Child<QLineEdit>(picking, "fileEdit")->setFocus();
    QTest::keyClick(Child<QLineEdit>(picking, "fileEdit"), Qt::Key_Return);
    QVERIFY(!picked);
    QCOMPARE(picking.result(), int(QDialog::Accepted));
    QTRY_VERIFY(fs::exists(dir.File("marker")));
    fs::remove(dir.File("marker"));
  }

  // PRG: the editor is shown only when its file loads.
  {
    Answers answers;
    app::TEditDlg dialog(nullptr, qttesting::Q(dir.File("5.prg")), {}, {}, settings);
    bool shown = false;
    dialog.showDialog = [&](QDialog&) { shown = true; };
    dialog.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList{"Can't open PRG file!"});
    QVERIFY(!shown);
  }
  // MID and WAV: their editors on the file, with the output the rules propose (ops/scanedit).
  testing_support::WriteText(dir.File("a.mid"), "");
  const struct {
    const char *input, *output, *fromEdit, *toEdit;
  } editors[] = {{"a.mid", "temp.mid", "Edit1", "Edit2"},
                 {"temp.wav", "newtemp.wav", "fromFileEdit", "toFileEdit"}};
  for (const auto& e : editors) {
    app::TEditDlg dialog(nullptr, qttesting::Q(dir.File(e.input)), {}, {}, settings);
    QString from, to;
    dialog.showDialog = [&](QDialog& d) {
      from = Child<QLineEdit>(d, e.fromEdit)->text();
      to = Child<QLineEdit>(d, e.toEdit)->text();
    };
    dialog.OKBtnClick();
    QCOMPARE(from, qttesting::Q(dir.File(e.input)));
    QCOMPARE(to, qttesting::Q(dir.File(e.output)));
  }
  // Text: the text editor gets the file.
  app::TEditDlg text(nullptr, qttesting::Q(dir.File("notes.txt")), {}, {}, settings);
  text.OKBtnClick();
  QTRY_VERIFY(fs::exists(dir.File("marker")));
  QCOMPARE(ReadText(dir.File("marker")), dir.File("notes.txt") + "\n");
}

void ScanEditTest::mainWindowScanAndEdit() {
  qttesting::Home home;
  // A settings file whose text editor writes a marker.
  { app::TTMmain first(home.Location()); }
  const std::string editor = FakeEditor(home.dir);
  std::string ini = ReadText(home.Path("TM.INI"));
  const size_t at = ini.find("textEditor=");
  ini.replace(at, ini.find('\r', at) - at, "textEditor=" + editor);
  testing_support::WriteText(home.Path("TM.INI"), ini);

  testing_support::MidiTrack track;
  track.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60).EndOfTrack();
  testing_support::WriteBytes(home.Path("MID/song.mid"), testing_support::MidiFile(0, 480, {track}));
  testing_support::WriteText(home.Path("MID/notes.txt"), "x");
  WriteSignal(home.Path("MID/tone.wav"), {22050, 16, 2}, 2000);
  app::TTMmain window(home.Location());
  auto* list = Child<TExtFileListBox>(window, "FileListBox");
  window.SelectorButton(Selector::MID)->click();
  window.UpdateBtnClick();  // lists the files written after the window opened (all files by default)
  auto select = [&](const std::string& name) { QVERIFY(list->SelectFile(qttesting::Q(home.Path("MID/" + name)))); };
  const std::string report = home.Path("Temp/MIDscan.TXT");
  {
    Answers answers;
    select("notes.txt");
    window.ScanBtnClick();
    QCOMPARE(answers.Texts(), QStringList{"The extension must be MID or WAV!"});
  }
  {
    // The MIDI listing goes into Temp/MIDscan.TXT and opens in the text editor.
    Answers answers;
    select("song.mid");
    window.ScanBtnClick();
    QVERIFY(answers.Texts().isEmpty());
    QVERIFY(ReadText(report).find("song.mid") != std::string::npos);
    QTRY_VERIFY(fs::exists(home.Path("marker")));
    QCOMPARE(ReadText(home.Path("marker")), report + "\n");
  }
  {
    // An existing report and the question answered Cancel: nothing written, no editor.
    fs::remove(home.Path("marker"));
    testing_support::WriteText(report, "old report");
    Answers answers({Answer::Cancel});
    window.ScanBtnClick();
    QCOMPARE(answers.Texts(), QStringList{qttesting::Q("Report file " + report + " will be overwritten!")});
    QCOMPARE(ReadText(report), std::string("old report"));
    QTest::qWait(200);
    QVERIFY(!fs::exists(home.Path("marker")));
  }
  {
    // A WAV file opens the scan dialog; Edit opens the Edit dialog.
    Answers answers;
    select("tone.wav");
    ModalWatch scan;
    window.ScanBtnClick();
    QCOMPARE(scan.caption, QString("WAV Scan"));
    ModalWatch edit;
    window.EditBtnClick();
    QCOMPARE(edit.caption, QString("Edit"));
    QVERIFY(answers.Texts().isEmpty());
  }
}
